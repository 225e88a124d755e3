#include "SWF/FSoundInfo.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

FSoundInfo::FSoundInfo(uint32_t flags, bool hasEnvelope, bool hasLoops, bool hasOutPoint,
                       bool hasInPoint, uint32_t inPoint, uint32_t outPoint, uint16_t loopCount,
                       uint32_t envelopePoints, const FSndEnv* envelope)
    : m_flags(flags),
      m_hasEnvelope(hasEnvelope),
      m_hasLoops(hasLoops),
      m_hasOutPoint(hasOutPoint),
      m_hasInPoint(hasInPoint),
      m_inPoint(inPoint),
      m_outPoint(outPoint),
      m_loopCount(loopCount) {
    if (!hasEnvelope)
        return;
    if (envelopePoints > kMaxEnvelopePoints) {
        throw std::invalid_argument("sound envelope with more than 255 points");
    }
    if (envelopePoints > 0 && envelope == nullptr) {
        throw std::invalid_argument("sound envelope points without records");
    }
    m_envelope.assign(envelope, envelope + envelopePoints);
}

void FSoundInfo::WriteToSWFStream(FSWFStream* stream) const {
    stream->WriteBits(m_flags, 4);
    stream->WriteBits(m_hasEnvelope, 1);
    stream->WriteBits(m_hasLoops, 1);
    stream->WriteBits(m_hasOutPoint, 1);
    stream->WriteBits(m_hasInPoint, 1);
    if (m_hasInPoint)
        stream->WriteDWord(m_inPoint);
    if (m_hasOutPoint)
        stream->WriteDWord(m_outPoint);
    if (m_hasLoops)
        stream->WriteWord(m_loopCount);
    if (m_hasEnvelope) {
        stream->WriteByte(static_cast<uint32_t>(m_envelope.size()));
        for (const FSndEnv& point : m_envelope) {
            stream->WriteDWord(point.m_pos44);
            stream->WriteWord(point.m_leftLevel);
            stream->WriteWord(point.m_rightLevel);
        }
    }
}
