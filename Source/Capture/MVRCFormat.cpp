#include "Capture/MVRCFormat.h"

void MVRCEncodeHeader(const _MVRCHeader& header, unsigned char out[kMVRCHeaderSize]) {
    std::memcpy(out, header.signature, kMVRCTagSize);
    out[5] = header.version;
    MVRCStore32(out + 6, header.width);
    MVRCStore32(out + 10, header.height);
    MVRCStore32(out + 14, header.pixelFormat);
    MVRCStore32(out + 18, header.bytesPerPixel);
}

void MVRCDecodeHeader(const unsigned char in[kMVRCHeaderSize], _MVRCHeader* header) {
    std::memcpy(header->signature, in, kMVRCTagSize);
    header->version = in[5];
    header->width = MVRCLoad32(in + 6);
    header->height = MVRCLoad32(in + 10);
    header->pixelFormat = MVRCLoad32(in + 14);
    header->bytesPerPixel = MVRCLoad32(in + 18);
}

void MVRCEncodeFrameHeader(const _MVRCFrameHeader& header,
                           unsigned char out[kMVRCFrameHeaderSize]) {
    MVRCStore32(out, header.frameRate);
    MVRCStore32(out + 4, header.duration);
    out[8] = header.keyFrame;
    out[9] = header.compressionType;
    MVRCStore32(out + 10, header.rectCount);
}

void MVRCDecodeFrameHeader(const unsigned char in[kMVRCFrameHeaderSize], _MVRCFrameHeader* header) {
    header->frameRate = MVRCLoad32(in);
    header->duration = MVRCLoad32(in + 4);
    header->keyFrame = in[8];
    header->compressionType = in[9];
    header->rectCount = MVRCLoad32(in + 10);
}

void MVRCEncodeRect(const tagMVDRect& rect, unsigned char out[kMVRCRectSize]) {
    MVRCStore32(out, static_cast<uint32_t>(rect.x));
    MVRCStore32(out + 4, static_cast<uint32_t>(rect.y));
    MVRCStore32(out + 8, static_cast<uint32_t>(rect.width));
    MVRCStore32(out + 12, static_cast<uint32_t>(rect.height));
}

tagMVDRect MVRCDecodeRect(const unsigned char in[kMVRCRectSize]) {
    return {static_cast<int32_t>(MVRCLoad32(in)), static_cast<int32_t>(MVRCLoad32(in + 4)),
            static_cast<int32_t>(MVRCLoad32(in + 8)), static_cast<int32_t>(MVRCLoad32(in + 12))};
}

uint32_t MVRCPixelMaskForFormat(unsigned long pixelFormat) {
    if (pixelFormat == kMVDPixelFormat32ARGB) {
        return 0xFFFFFF00u;
    }
    if (pixelFormat == kMVDPixelFormat32BGRA) {
        return 0x00FFFFFFu;
    }
    return 0xFFFFFFFFu;
}

bool MVRCIsSupportedFormat(const tagMVDImageFormat& format) {
    return format.width > 0 && format.height > 0 && format.width <= kMVRCMaxDimension &&
           format.height <= kMVRCMaxDimension &&
           uint64_t{format.width} * format.height <= kMVRCMaxPixels && format.bytesPerPixel == 4;
}
