#include "CoreVideo/CVPixelBuffer.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

struct __CVPixelBuffer {
    std::atomic<int> references{1};
    size_t width = 0;
    size_t height = 0;
    size_t bytesPerRow = 0;
    CVPixelFormatType format = 0;
    void* base = nullptr;
    bool ownsBase = false;
    CVPixelBufferReleaseBytesCallback releaseCallback = nullptr;
    void* releaseRefCon = nullptr;

    ~__CVPixelBuffer() {
        if (ownsBase) {
            std::free(base);
        } else if (releaseCallback != nullptr) {
            releaseCallback(releaseRefCon, base);
        }
    }
};

size_t CVPixelFormatBytesPerPixel(CVPixelFormatType format) {
    switch (format) {
        case kCVPixelFormatType_32ARGB:
        case kCVPixelFormatType_32BGRA:
            return 4;
        case kCVPixelFormatType_24RGB:
            return 3;
        case kCVPixelFormatType_16BE555:
            return 2;
        default:
            return 0;
    }
}

CVReturn CVPixelBufferCreate(void*, size_t width, size_t height, CVPixelFormatType format, void*,
                             CVPixelBufferRef* out) {
    if (out == nullptr || width == 0 || height == 0) {
        return kCVReturnInvalidArgument;
    }
    size_t bpp = CVPixelFormatBytesPerPixel(format);
    if (bpp == 0) {
        return kCVReturnInvalidPixelFormat;
    }
    constexpr size_t kMax = std::numeric_limits<size_t>::max();
    if (width > (kMax - 15) / bpp) {
        return kCVReturnInvalidArgument;
    }
    size_t rowBytes = (width * bpp + 15) & ~static_cast<size_t>(15);
    if (height > kMax / rowBytes) {
        return kCVReturnInvalidArgument;
    }
    void* base = std::calloc(height, rowBytes);
    if (base == nullptr) {
        return kCVReturnAllocationFailed;
    }
    auto* buffer = new (std::nothrow) __CVPixelBuffer;
    if (buffer == nullptr) {
        std::free(base);
        return kCVReturnAllocationFailed;
    }
    buffer->width = width;
    buffer->height = height;
    buffer->bytesPerRow = rowBytes;
    buffer->format = format;
    buffer->base = base;
    buffer->ownsBase = true;
    *out = buffer;
    return kCVReturnSuccess;
}

CVReturn CVPixelBufferCreateWithBytes(void*, size_t width, size_t height, CVPixelFormatType format,
                                      void* baseAddress, size_t bytesPerRow,
                                      CVPixelBufferReleaseBytesCallback releaseCallback,
                                      void* releaseRefCon, void*, CVPixelBufferRef* out) {
    if (out == nullptr || baseAddress == nullptr || width == 0 || height == 0) {
        return kCVReturnInvalidArgument;
    }
    size_t bpp = CVPixelFormatBytesPerPixel(format);
    if (bpp == 0) {
        return kCVReturnInvalidPixelFormat;
    }
    if (bytesPerRow / bpp < width) {
        return kCVReturnInvalidArgument;
    }
    auto* buffer = new (std::nothrow) __CVPixelBuffer;
    if (buffer == nullptr) {
        return kCVReturnAllocationFailed;
    }
    buffer->width = width;
    buffer->height = height;
    buffer->bytesPerRow = bytesPerRow;
    buffer->format = format;
    buffer->base = baseAddress;
    buffer->releaseCallback = releaseCallback;
    buffer->releaseRefCon = releaseRefCon;
    *out = buffer;
    return kCVReturnSuccess;
}

CVPixelBufferRef CVPixelBufferRetain(CVPixelBufferRef buffer) {
    if (buffer != nullptr) {
        buffer->references.fetch_add(1, std::memory_order_relaxed);
    }
    return buffer;
}

void CVPixelBufferRelease(CVPixelBufferRef buffer) {
    if (buffer != nullptr && buffer->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete buffer;
    }
}

CVReturn CVPixelBufferLockBaseAddress(CVPixelBufferRef buffer, CVOptionFlags) {
    return buffer != nullptr ? kCVReturnSuccess : kCVReturnInvalidArgument;
}

CVReturn CVPixelBufferUnlockBaseAddress(CVPixelBufferRef buffer, CVOptionFlags) {
    return buffer != nullptr ? kCVReturnSuccess : kCVReturnInvalidArgument;
}

void* CVPixelBufferGetBaseAddress(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->base : nullptr;
}

size_t CVPixelBufferGetBytesPerRow(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->bytesPerRow : 0;
}

size_t CVPixelBufferGetWidth(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->width : 0;
}

size_t CVPixelBufferGetHeight(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->height : 0;
}

size_t CVPixelBufferGetDataSize(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->bytesPerRow * buffer->height : 0;
}

CVPixelFormatType CVPixelBufferGetPixelFormatType(CVPixelBufferRef buffer) {
    return buffer != nullptr ? buffer->format : 0;
}
