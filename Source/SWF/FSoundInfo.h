// SOUNDINFO: how a StartSound or a button plays an event sound (sync flags,
// in and out points, loops and a volume envelope).
#pragma once

#include <cstdint>
#include <vector>

class FSWFStream;

// One point of a volume envelope: the position in 44 kHz samples and the
// left and right levels (0..32768).
struct FSndEnv {
    uint32_t m_pos44 = 0;
    uint16_t m_leftLevel = 0;
    uint16_t m_rightLevel = 0;
};

class FSoundInfo {
  public:
    // Sync flags for the first argument (its top two bits are reserved).
    enum : uint32_t { kSyncNoMultiple = 1, kSyncStop = 2 };
    static constexpr uint32_t kMaxEnvelopePoints = 255;

    // `envelope` points at `envelopePoints` records, which are copied; it
    // may be null when there are none. Throws std::invalid_argument for
    // points without records and for more than kMaxEnvelopePoints.
    FSoundInfo(uint32_t flags, bool hasEnvelope, bool hasLoops, bool hasOutPoint, bool hasInPoint,
               uint32_t inPoint, uint32_t outPoint, uint16_t loopCount, uint32_t envelopePoints,
               const FSndEnv* envelope);

    // Flags (4 bits), the four has-flags, then the fields they announce.
    // The envelope's point count is written as the records held.
    void WriteToSWFStream(FSWFStream* stream) const;

  private:
    uint32_t m_flags;
    bool m_hasEnvelope;
    bool m_hasLoops;
    bool m_hasOutPoint;
    bool m_hasInPoint;
    uint32_t m_inPoint;
    uint32_t m_outPoint;
    uint16_t m_loopCount;
    std::vector<FSndEnv> m_envelope;
};
