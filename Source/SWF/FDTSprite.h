// DefineSprite (39): a movie clip with its own timeline of control tags.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FObj.h"

class FDTSprite : public FDT {
  public:
    static constexpr uint32_t kMaxFrames = 0xFFFF;

    FDTSprite();
    ~FDTSprite() override;
    uint16_t ID() override { return m_characterID; }
    // Takes ownership; a show-frame object counts a frame.  Throws
    // std::length_error past 65535 frames.
    void AddFObj(FObj* object);
    uint32_t FrameCount() const { return m_frameCount; }
    // SpriteId, FrameCount, every tag, the End tag.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint32_t m_frameCount = 0;
    std::vector<std::unique_ptr<FObj>> m_objects;
};

// DefineVideoStream (60): a video character whose frames come in
// VideoFrame tags.  Codec 3 is screen video; 2 Sorenson H.263.
class MyFDTVideoStream : public FDT {
  public:
    MyFDTVideoStream(uint16_t frameCount, uint16_t width, uint16_t height, uint8_t deblocking,
                     uint8_t smoothing, uint8_t codecID = 3);
    uint16_t ID() override { return m_characterID; }
    // CharacterID, NumFrames, Width, Height, five zero bits, deblocking (2),
    // smoothing (1), CodecID.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    uint16_t m_frameCount;
    uint16_t m_width;
    uint16_t m_height;
    uint8_t m_deblocking;
    uint8_t m_smoothing;
    uint8_t m_codecID;
};
