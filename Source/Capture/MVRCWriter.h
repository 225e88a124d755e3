// Writes an MVRC capture file while recording: for every frame, the changed
// rectangles coded with the selected compression type, key frames at a fixed
// interval, and optionally the cursor sprite.  Everything runs on the
// caller's thread; the bytes go through a FileWriter (synchronous unless
// another is given).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Capture/FileWriter.h"
#include "Capture/MVRCFormat.h"
#include "Capture/MVRCRecordEncoder.h"
#include "CoreGraphics/CGGeometry.h"
#include "MVDCommon/MVDImage.h"

class AudioTrack;
class ZlibDeflater;

class MVRCWriter {
  public:
    static constexpr long kDefaultKeyFrameRate = 300;

    MVRCWriter();
    // Writes through the given file writer instead of a synchronous one.
    explicit MVRCWriter(std::unique_ptr<FileWriter> fileWriter);
    MVRCWriter(const MVRCWriter&) = delete;
    MVRCWriter& operator=(const MVRCWriter&) = delete;
    // Releases every buffer and closes the file writer; a file not closed
    // with closeFile() has no end marker.
    virtual ~MVRCWriter();

    // Capture files carry no audio: always null.
    virtual AudioTrack* createAudioTrack(unsigned int, unsigned int, unsigned int, unsigned long);

    // FileWriterException("fopen failed") when the file cannot be created.
    void openFile(std::string path);
    // Selects the coding of the following frames (MVDException for values
    // that are not a compression type).
    void setCompressionType(MVRCCompressionType type);
    MVRCCompressionType compressionType() const { return m_compressionType; }
    // A key frame is forced every rate frames; values below 1 count as 1.
    void setKeyFrameRate(long rate);
    long keyFrameRate() const { return m_keyFrameRate; }

    // Writes the file header and allocates every frame-sized buffer.  Frames
    // must be 32-bit (4 bytes per pixel) and at most 16384 pixels a side
    // (MVDException otherwise).
    void writeHeader(tagMVDImageFormat* format);

    // Writes one frame record.  image is the whole frame in the header's
    // size; rects are the rectangles changed since the previous frame,
    // truncated toward zero and clipped to the frame.  The frame lasts
    // duration periods of 1/frameRate seconds.
    void writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                    unsigned int rectCount, CGRect* rects);
    // The same, followed by a sprite chunk (see attachSpriteToLastFrame).
    void writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                    unsigned int rectCount, CGRect* rects, MVDImage* sprite,
                    const CGRect& spriteRect);
    // Appends a sprite chunk to the frame just written: the cursor image
    // (4 bytes per pixel) drawn at rect's origin, or, when sprite is null,
    // the last image sent drawn at rect.  With an image, the stored width
    // and height are the image's own.
    void attachSpriteToLastFrame(MVDImage* sprite, const CGRect& rect);
    // Writes, after a frame header, the rectangle list and data of the
    // whole image as the one rectangle (0, 0, width, height).
    void writeIFrameData(MVDImage* image);
    // Writes the end marker and closes the file writer, which is closed
    // even when a write fails (FileWriterException, the first failure).
    void closeFile();

    uint64_t frameCount() const { return m_frameCounter; }
    const _MVRCHeader& header() const { return m_header; }

    static uint32_t pixelMaskForFormat(unsigned long pixelFormat);
    // The stored frame rate: negative and NaN as 0, truncated, saturated.
    static uint32_t storedFrameRate(float frameRate);
    // A recorder rectangle truncated toward zero (saturated at the limits
    // of 32 bits; NaN as 0).
    static tagMVDRect truncatedRect(const CGRect& rect);

  private:
    void requireHeader() const;
    void checkImage(const MVDImage* image) const;
    void clipRects(unsigned int rectCount, const CGRect* rects);
    bool isFullFrame(unsigned int rectCount, const tagMVDRect* rects) const;
    void writeDirtyRectCoordinates(unsigned int rectCount, const tagMVDRect* rects);
    void writePFrameData(MVDImage* image, unsigned int rectCount, const tagMVDRect* rects);
    void writeChunkHeader(uint32_t size);
    void writeWithNoCompression(MVDImage* image, unsigned int rectCount, const tagMVDRect* rects);
    void compressAndWriteUsingZLib(MVDImage* image, unsigned int rectCount,
                                   const tagMVDRect* rects);
    void compressAndWriteUsingDeltaRLE(MVDImage* image, unsigned int rectCount,
                                       const tagMVDRect* rects, bool deflated);
    void compressAndWriteUsingYUVDeltaRLE(MVDImage* image, unsigned int rectCount,
                                          const tagMVDRect* rects);
    void updateLastImage(MVDImage* image, unsigned int rectCount, const tagMVDRect* rects);
    ZlibDeflater& deflater();
    size_t rowBytes() const { return size_t{m_header.width} * m_header.bytesPerPixel; }

    std::unique_ptr<FileWriter> m_fileWriter;
    std::vector<unsigned char> m_zlibBuffer;  // type 1 output
    MVRCCompressionType m_compressionType = kMVRCCompressionDeltaRLE;
    long m_keyFrameRate = kDefaultKeyFrameRate;
    uint64_t m_frameCounter = 0;
    _MVRCHeader m_header{};
    bool m_headerWritten = false;
    std::unique_ptr<MVDImage> m_lastImage;
    MVRCDeltaRLEChunkCoder m_deltaRLECoder;  // types 2 and 3
    uint32_t m_pixelMask = 0xFFFFFFFFu;
    std::vector<unsigned char> m_yuvPlanes;    // Y, U, V of W x H bytes each
    std::vector<unsigned char> m_codedPlanes;  // the three coded planes
    size_t m_codedPlaneSize = 0;
    std::unique_ptr<ZlibDeflater> m_deflater;
    std::vector<tagMVDRect> m_rects;  // the current frame's rectangles
};
