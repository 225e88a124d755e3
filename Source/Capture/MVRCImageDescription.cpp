#include "Capture/MVRCImageDescription.h"

#include <cstring>

#include "Base/MacMemory.h"

namespace {

constexpr size_t kPixelFormatOffset = 88;
constexpr Fixed k72dpi = 0x00480000;

}  // namespace

ImageDescriptionHandle MVRCMakeImageDescription(const _MVRCHeader& header) {
    if (header.width < 1 || header.width > 0x7FFF || header.height < 1 || header.height > 0x7FFF ||
        header.bytesPerPixel > 0x7FFF / 8) {
        return nullptr;
    }
    auto handle =
        reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(kMVRCImageDescriptionSize));
    if (handle == nullptr) {
        return nullptr;
    }
    ImageDescription& d = **handle;
    d.idSize = kMVRCImageDescriptionSize;
    d.cType = kMVRCCodecType;
    d.version = header.version;
    d.vendor = kMVRCCodecManufacturer;
    d.width = static_cast<SInt16>(header.width);
    d.height = static_cast<SInt16>(header.height);
    d.hRes = k72dpi;
    d.vRes = k72dpi;
    d.frameCount = 1;
    d.depth = static_cast<SInt16>(header.bytesPerPixel * 8);
    d.clutID = -1;
    auto* bytes = reinterpret_cast<unsigned char*>(*handle);
    for (int i = 0; i < 4; ++i) {
        bytes[kPixelFormatOffset + i] =
            static_cast<unsigned char>(header.pixelFormat >> (24 - 8 * i));
    }
    return handle;
}

bool MVRCHeaderFromImageDescription(const ImageDescription* description, long available,
                                    _MVRCHeader* header) {
    if (description == nullptr || available < kMVRCImageDescriptionSize ||
        description->idSize < kMVRCImageDescriptionSize || description->cType != kMVRCCodecType ||
        description->width < 1 || description->height < 1) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(description);
    _MVRCHeader h{};
    std::memcpy(h.signature, kMVRCSignatureTag, kMVRCTagSize);
    h.version = static_cast<uint8_t>(description->version);
    h.width = static_cast<uint32_t>(description->width);
    h.height = static_cast<uint32_t>(description->height);
    for (size_t i = 0; i < 4; ++i) {
        h.pixelFormat = h.pixelFormat << 8 | bytes[kPixelFormatOffset + i];
    }
    h.bytesPerPixel = 4;
    *header = h;
    return true;
}
