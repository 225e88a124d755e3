// The Animation codec ('rle ') as a platform codec component.

#include <cstring>
#include <optional>

#include "ImageCompression/AnimationCodec.h"
#include "ImageCompression/PlatformCodecComponent.h"

namespace icm {
namespace {

class AnimationFrameCoder final : public PlatformFrameCoder {
  public:
    size_t maxFrameSize(int width, int height) const override {
        return AnimationMaxSampleSize(width, height);
    }

    OSErr beginSequence(int width, int height) override {
        if (AnimationMaxSampleSize(width, height) == 0) {
            return codecConditionErr;
        }
        m_encoder.emplace(width, height, AnimationPixelOrder::kARGB);
        return noErr;
    }

    OSErr compressFrame(const UInt8* pixels, long rowBytes, bool wantKeyFrame, UInt8* out,
                        size_t capacity, size_t* size, bool* keyFrame) override {
        if (!m_encoder) {
            return codecConditionErr;
        }
        const std::span<const UInt8> sample = m_encoder->encode(pixels, rowBytes, wantKeyFrame);
        if (sample.empty()) {
            return paramErr;
        }
        if (sample.size() > capacity) {
            // The encoder already keeps this frame as its previous one, so the
            // next frame must not be coded against it.
            m_encoder->reset();
            return codecErr;
        }
        std::memcpy(out, sample.data(), sample.size());
        *size = sample.size();
        *keyFrame = m_encoder->lastWasKeyFrame();
        return noErr;
    }

    OSErr decodeFrame(std::span<const UInt8> data, UInt8* pixels, long rowBytes, int width,
                      int height) override {
        return AnimationDecodeFrame(data.data(), data.size(),
                                    {pixels, rowBytes, width, height, AnimationPixelOrder::kARGB});
    }

  private:
    std::optional<AnimationEncoder> m_encoder;
};

const PlatformCodecDefinition kAnimationCodec{
    kAnimationCodecType, "Animation", codecInfoDoes32 | codecInfoDoesTemporal,
    [] { return std::unique_ptr<PlatformFrameCoder>(new AnimationFrameCoder); }};

}  // namespace

ComponentResult AnimationCodecComponentDispatch(ComponentParameters* params, Handle storage) {
    return PlatformCodecDispatch(params, storage, kAnimationCodec);
}

}  // namespace icm
