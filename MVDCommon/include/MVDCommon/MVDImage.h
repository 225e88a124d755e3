// A frame of pixels: rows packed at width x bytes per pixel, top row first.
#pragma once

#include "CoreVideo/CVPixelBuffer.h"
#include "MVDCommon/MVDTypes.h"

class MVDImage {
  public:
    // A new image of that size and format with its own zero-filled buffer.
    explicit MVDImage(tagMVDImageFormat* format);
    // With non-null data the image uses it in place and never frees it;
    // with null data it allocates its own zero-filled buffer.
    MVDImage(unsigned int width, unsigned int height, unsigned long pixelFormat,
             unsigned int bytesPerPixel, unsigned char* data);
    MVDImage(const MVDImage&) = delete;
    MVDImage& operator=(const MVDImage&) = delete;
    virtual ~MVDImage();

    // Copies every pixel into dst, which must have the same size and format
    // (MVDException otherwise).
    void blitOnto(MVDImage* dst) const;
    // Draws src, whose size is r's, at r over this image, blended by src's
    // straight alpha ("over").  Both images are 32-bit, in either layout;
    // the parts of r outside this image are left out.
    void alphaBlit(MVDImage* src, tagMVDRect* r);
    // Reverses the order of the rows.
    void flipInPlace();
    // Writes the image as a binary PPM (P6) file; false when it cannot.
    bool writePPM(char* path);
    // A pixel buffer holding this image's pixels in format 32 or 'BGRA'.
    // The image keeps it until the next call or its own destruction; the
    // caller does not release it (and retains it to keep it longer).
    CVPixelBufferRef getCVPixelBufferWithPixelFormat(unsigned long pixelFormat);

    size_t rowBytes() const { return static_cast<size_t>(m_width) * m_bytesPerPixel; }
    size_t byteSize() const { return rowBytes() * m_height; }
    tagMVDImageFormat format() const;

    // Fields read by callers, in this order.
    unsigned char* m_pData;
    unsigned int m_width;
    unsigned int m_height;
    unsigned long m_pixelFormat;
    unsigned int m_bytesPerPixel;

  private:
    void allocate();

    bool m_ownsData = false;
    CVPixelBufferRef m_pixelBuffer = nullptr;
};
