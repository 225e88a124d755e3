#include "SWF/FDTSprite.h"

#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t { kTagDefineSprite = 39, kTagDefineVideoStream = 60 };

}  // namespace

FDTSprite::FDTSprite() : m_characterID(FObjCollection::Increment()) {}
FDTSprite::~FDTSprite() = default;

void FDTSprite::AddFObj(FObj* object) {
    auto owned = Adopt(object, "null SWF object");
    const bool showFrame = owned->IsShowFrame();
    if (showFrame && m_frameCount >= kMaxFrames) {
        throw std::length_error("a sprite holds at most 65535 frames");
    }
    m_objects.push_back(std::move(owned));
    if (showFrame) {
        ++m_frameCount;
    }
}

void FDTSprite::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineSprite, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteWord(m_frameCount);
        for (const std::unique_ptr<FObj>& object : m_objects) {
            object->WriteToSWFStream(&body);
        }
        body.AppendTag(0, 0, nullptr);
    });
}

MyFDTVideoStream::MyFDTVideoStream(uint16_t frameCount, uint16_t width, uint16_t height,
                                   uint8_t deblocking, uint8_t smoothing, uint8_t codecID)
    : m_characterID(FObjCollection::Increment()),
      m_frameCount(frameCount),
      m_width(width),
      m_height(height),
      m_deblocking(deblocking),
      m_smoothing(smoothing),
      m_codecID(codecID) {}

void MyFDTVideoStream::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineVideoStream, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        body.WriteWord(m_frameCount);
        body.WriteWord(m_width);
        body.WriteWord(m_height);
        body.WriteBits(0, 5);
        body.WriteBits(m_deblocking, 2);
        body.WriteBits(m_smoothing, 1);
        body.WriteByte(m_codecID);
    });
}
