// Uncompressed 32-bit frames ('raw ') as a platform codec component: each
// frame is height lines of width pixels, alpha, red, green, blue, without
// padding.

#include <cstring>

#include "ImageCompression/PlatformCodecComponent.h"

namespace icm {
namespace {

class RawFrameCoder final : public PlatformFrameCoder {
  public:
    size_t maxFrameSize(int width, int height) const override { return FrameSize(width, height); }

    OSErr beginSequence(int width, int height) override {
        m_width = width;
        m_height = height;
        return noErr;
    }

    OSErr compressFrame(const UInt8* pixels, long rowBytes, bool /*wantKeyFrame*/, UInt8* out,
                        size_t capacity, size_t* size, bool* keyFrame) override {
        const size_t line = static_cast<size_t>(m_width) * 4;
        if (FrameSize(m_width, m_height) > capacity) {
            return codecErr;
        }
        for (int y = 0; y < m_height; ++y) {
            std::memcpy(out + y * line, pixels + y * rowBytes, line);
        }
        *size = line * static_cast<size_t>(m_height);
        *keyFrame = true;
        return noErr;
    }

    OSErr decodeFrame(std::span<const UInt8> data, UInt8* pixels, long rowBytes, int width,
                      int height) override {
        const size_t line = static_cast<size_t>(width) * 4;
        if (data.size() < FrameSize(width, height)) {
            return codecBadDataErr;
        }
        for (int y = 0; y < height; ++y) {
            std::memcpy(pixels + y * rowBytes, data.data() + y * line, line);
        }
        return noErr;
    }

  private:
    static size_t FrameSize(int width, int height) {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    }

    int m_width = 0;
    int m_height = 0;
};

const PlatformCodecDefinition kRawCodec{
    kRawCodecType, "None", codecInfoDoes32,
    [] { return std::unique_ptr<PlatformFrameCoder>(new RawFrameCoder); }};

}  // namespace

ComponentResult RawCodecComponentDispatch(ComponentParameters* params, Handle storage) {
    return PlatformCodecDispatch(params, storage, kRawCodec);
}

}  // namespace icm
