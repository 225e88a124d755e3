// Core Video pixel buffers: a reference-counted block of pixels with its
// geometry and pixel format, as compression sessions take them.
#pragma once

#include <cstddef>

#include "Base/MacTypes.h"

typedef SInt32 CVReturn;
typedef UInt64 CVOptionFlags;
typedef OSType CVPixelFormatType;

enum : CVReturn {
    kCVReturnSuccess = 0,
    kCVReturnError = -6660,
    kCVReturnInvalidArgument = -6661,
    kCVReturnAllocationFailed = -6662,
    kCVReturnInvalidPixelFormat = -6680,
};

enum : CVPixelFormatType {
    kCVPixelFormatType_32ARGB = 0x00000020,  // alpha, red, green, blue in memory
    kCVPixelFormatType_32BGRA = 0x42475241,  // 'BGRA': blue, green, red, alpha in memory
    kCVPixelFormatType_24RGB = 0x00000018,
    kCVPixelFormatType_16BE555 = 0x00000010,
};

struct __CVPixelBuffer;
typedef struct __CVPixelBuffer* CVPixelBufferRef;
typedef CVPixelBufferRef CVImageBufferRef;

// Called when a buffer made over caller memory is destroyed.
typedef void (*CVPixelBufferReleaseBytesCallback)(void* releaseRefCon, const void* baseAddress);

// Allocates a buffer of width x height pixels whose rows are 16-byte aligned.
// Pixel formats known here are 32-bit ARGB, 32-bit BGRA, 24-bit RGB and
// 16-bit big-endian RGB555.
CVReturn CVPixelBufferCreate(void* allocator, size_t width, size_t height,
                             CVPixelFormatType pixelFormatType, void* pixelBufferAttributes,
                             CVPixelBufferRef* pixelBufferOut);
// Wraps caller memory without copying it.
CVReturn CVPixelBufferCreateWithBytes(void* allocator, size_t width, size_t height,
                                      CVPixelFormatType pixelFormatType, void* baseAddress,
                                      size_t bytesPerRow,
                                      CVPixelBufferReleaseBytesCallback releaseCallback,
                                      void* releaseRefCon, void* pixelBufferAttributes,
                                      CVPixelBufferRef* pixelBufferOut);

CVPixelBufferRef CVPixelBufferRetain(CVPixelBufferRef buffer);
void CVPixelBufferRelease(CVPixelBufferRef buffer);
CVReturn CVPixelBufferLockBaseAddress(CVPixelBufferRef buffer, CVOptionFlags lockFlags);
CVReturn CVPixelBufferUnlockBaseAddress(CVPixelBufferRef buffer, CVOptionFlags unlockFlags);
void* CVPixelBufferGetBaseAddress(CVPixelBufferRef buffer);
size_t CVPixelBufferGetBytesPerRow(CVPixelBufferRef buffer);
size_t CVPixelBufferGetWidth(CVPixelBufferRef buffer);
size_t CVPixelBufferGetHeight(CVPixelBufferRef buffer);
size_t CVPixelBufferGetDataSize(CVPixelBufferRef buffer);
CVPixelFormatType CVPixelBufferGetPixelFormatType(CVPixelBufferRef buffer);
// Bytes per pixel of a known format, 0 for an unknown one.
size_t CVPixelFormatBytesPerPixel(CVPixelFormatType format);
