#include "Capture/MVRCDecompressor.h"

#include <memory>
#include <mutex>

#include "Base/MacMemory.h"
#include "Capture/MVRCImageDescription.h"
#include "Capture/MVRCReader.h"
#include "ImageCompression/ImageCompression.h"
#include "ImageCompression/PixelConversion.h"
#include "ImageCompression/PlatformCodecComponent.h"

namespace {

class MVRCFrameCoder final : public icm::PlatformFrameCoder {
  public:
    // Decompression only.
    size_t maxFrameSize(int width, int height) const override {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    }
    OSErr beginSequence(int, int) override { return codecConditionErr; }
    OSErr compressFrame(const UInt8*, long, bool, UInt8*, size_t, size_t*, bool*) override {
        return codecConditionErr;
    }

    OSErr beginDecompression(ImageDescriptionHandle description) override {
        _MVRCHeader header;
        const long available = GetHandleSize(reinterpret_cast<Handle>(description));
        if (!MVRCHeaderFromImageDescription(*description, available, &header)) {
            return paramErr;
        }
        try {
            auto reader = std::make_unique<MVRCReader>();
            reader->beginFrames(header);
            tagMVDImageFormat format = header.format();
            m_frame = std::make_unique<MVDImage>(&format);
            m_reader = std::move(reader);
        } catch (const MVRCReaderException&) {
            return codecConditionErr;
        } catch (const std::bad_alloc&) {
            return memFullErr;
        }
        return noErr;
    }

    OSErr decodeFrame(std::span<const UInt8> data, UInt8* pixels, long rowBytes, int width,
                      int height) override {
        if (!m_reader || static_cast<unsigned>(width) != m_frame->m_width ||
            static_cast<unsigned>(height) != m_frame->m_height) {
            return codecConditionErr;
        }
        try {
            m_reader->decodeFrameRecord(data, nullptr, m_frame.get());
        } catch (const std::bad_alloc&) {
            return memFullErr;
        } catch (...) {
            return codecBadDataErr;  // damaged record or zlib stream
        }
        // The last line first: the picture the capture conversion shows.
        const long frameRowBytes = static_cast<long>(m_frame->rowBytes());
        const icm::PixelPlane flipped{m_frame->m_pData + frameRowBytes * (height - 1),
                                      -frameRowBytes, static_cast<OSType>(m_frame->m_pixelFormat)};
        return icm::ConvertPixels(flipped, {pixels, rowBytes, k32ARGBPixelFormat}, width, height)
                   ? OSErr{noErr}
                   : OSErr{codecConditionErr};
    }

  private:
    std::unique_ptr<MVRCReader> m_reader;
    std::unique_ptr<MVDImage> m_frame;  // the last frame with its sprite
};

const icm::PlatformCodecDefinition kMVRCCodec{
    kMVRCCodecType, "MVRC capture frames", codecInfoDoes32 | codecInfoDoesTemporal,
    [] { return std::unique_ptr<icm::PlatformFrameCoder>(new MVRCFrameCoder); }};

}  // namespace

ComponentResult MVRCDecompressor_ComponentDispatch(ComponentParameters* params, Handle storage) {
    return icm::PlatformCodecDispatch(params, storage, kMVRCCodec);
}

Component MVRCRegisterDecompressorComponent() {
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    const ComponentDescription description{decompressorComponentType, kMVRCCodecType,
                                           kMVRCCodecManufacturer,
                                           codecInfoDoes32 | codecInfoDoesTemporal, 0};
    const ComponentDescription looking{decompressorComponentType, kMVRCCodecType,
                                       kMVRCCodecManufacturer, 0, 0};
    if (Component existing = FindNextComponent(nullptr, &looking)) {
        return existing;
    }
    return RegisterComponent(&description, MVRCDecompressor_ComponentDispatch, 0, nullptr, nullptr,
                             nullptr);
}
