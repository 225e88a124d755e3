#include "Capture/MVRCWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "Capture/ColorSpaceConverter.h"
#include "Capture/DeltaRLE.h"
#include "Capture/SynchronousFileWriter.h"
#include "Capture/ZlibStream.h"

namespace {

constexpr int kZlibLevel = 1;

// Hands a record's bytes to the file writer, in pieces it can take.
class FileWriterSink final : public MVRCByteSink {
  public:
    explicit FileWriterSink(FileWriter& writer) : m_writer(writer) {}
    void write(const void* bytes, size_t n) override {
        const auto* p = static_cast<const unsigned char*>(bytes);
        while (n > 0) {
            const size_t chunk = std::min<size_t>(n, INT_MAX);
            m_writer.write(p, static_cast<int>(chunk));
            p += chunk;
            n -= chunk;
        }
    }

  private:
    FileWriter& m_writer;
};

}  // namespace

MVRCWriter::MVRCWriter() : MVRCWriter(std::make_unique<SynchronousFileWriter>()) {}

MVRCWriter::MVRCWriter(std::unique_ptr<FileWriter> fileWriter)
    : m_fileWriter(std::move(fileWriter)) {
    std::memcpy(m_header.signature, kMVRCSignatureTag, kMVRCTagSize);
    m_header.version = kMVRCVersion;
}

MVRCWriter::~MVRCWriter() = default;

AudioTrack* MVRCWriter::createAudioTrack(unsigned int, unsigned int, unsigned int, unsigned long) {
    return nullptr;
}

void MVRCWriter::openFile(std::string path) {
    m_fileWriter->open(path);
}

void MVRCWriter::setCompressionType(MVRCCompressionType type) {
    if (static_cast<unsigned>(type) >= kMVRCCompressionTypeCount) {
        throw MVDException("MVRCWriter: unknown compression type");
    }
    m_compressionType = type;
}

void MVRCWriter::setKeyFrameRate(long rate) {
    m_keyFrameRate = std::max(rate, 1L);
}

uint32_t MVRCWriter::pixelMaskForFormat(unsigned long pixelFormat) {
    return MVRCPixelMaskForFormat(pixelFormat);
}

uint32_t MVRCWriter::storedFrameRate(float frameRate) {
    if (!(frameRate > 0.0f)) {
        return 0;
    }
    if (frameRate >= 4294967296.0f) {
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(frameRate);
}

tagMVDRect MVRCWriter::truncatedRect(const CGRect& rect) {
    return MVRCTruncatedRect(rect);
}

void MVRCWriter::writeHeader(tagMVDImageFormat* format) {
    if (format == nullptr || !MVRCIsSupportedFormat(*format)) {
        throw MVDException("MVRCWriter: frames must be 32-bit and at most 16384 pixels a side");
    }
    m_header.width = format->width;
    m_header.height = format->height;
    m_header.pixelFormat = format->pixelFormat;
    m_header.bytesPerPixel = format->bytesPerPixel;
    m_pixelMask = pixelMaskForFormat(format->pixelFormat);

    const size_t frameBytes = rowBytes() * m_header.height;
    m_fileWriter->setBufferSize(static_cast<int>(std::min<size_t>(frameBytes, INT_MAX)));
    unsigned char bytes[kMVRCHeaderSize];
    MVRCEncodeHeader(m_header, bytes);
    m_fileWriter->write(bytes, sizeof bytes);
    m_fileWriter->flush();

    const size_t pixels = size_t{m_header.width} * m_header.height;
    m_yuvPlanes.assign(pixels * 3, 0);
    m_codedPlaneSize = DeltaRLE::maxCompressedSize8(static_cast<int>(pixels));
    m_codedPlanes.assign(m_codedPlaneSize * 3, 0);
    m_lastImage = std::make_unique<MVDImage>(format);
    m_deltaRLECoder.setFrameFormat(*format);
    m_frameCounter = 0;
    m_headerWritten = true;
}

void MVRCWriter::requireHeader() const {
    if (!m_headerWritten) {
        throw MVDException("MVRCWriter: writeHeader must come before the first frame");
    }
}

void MVRCWriter::checkImage(const MVDImage* image) const {
    requireHeader();
    if (image == nullptr || image->m_pData == nullptr || image->m_width != m_header.width ||
        image->m_height != m_header.height || image->m_bytesPerPixel != m_header.bytesPerPixel) {
        throw MVDException("MVRCWriter: the image differs from the header's frame size");
    }
}

void MVRCWriter::clipRects(unsigned int rectCount, const CGRect* rects) {
    m_rects.resize(rectCount);
    for (unsigned int i = 0; i < rectCount; ++i) {
        m_rects[i] = MVRCClippedRect(rects[i], m_header.width, m_header.height);
    }
}

bool MVRCWriter::isFullFrame(unsigned int rectCount, const tagMVDRect* rects) const {
    return rectCount == 1 && rects[0].x == 0 && rects[0].y == 0 &&
           static_cast<uint32_t>(rects[0].width) == m_header.width &&
           static_cast<uint32_t>(rects[0].height) == m_header.height;
}

void MVRCWriter::writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                            unsigned int rectCount, CGRect* rects) {
    checkImage(image);
    if (rects == nullptr && rectCount > 0) {
        throw MVDException("MVRCWriter: rectangle list missing");
    }
    // A key frame is due by count, or when the only rectangle has the
    // frame's size (its origin is not looked at).
    bool key = m_frameCounter % static_cast<uint64_t>(m_keyFrameRate) == 0;
    if (rectCount == 1) {
        const tagMVDRect t = truncatedRect(rects[0]);
        key = key || (static_cast<uint32_t>(t.width) == m_header.width &&
                      static_cast<uint32_t>(t.height) == m_header.height);
    }
    clipRects(rectCount, rects);

    _MVRCFrameHeader frame{};
    frame.frameRate = storedFrameRate(frameRate);
    frame.duration = static_cast<uint32_t>(std::min<unsigned long>(duration, 0xFFFFFFFFu));
    frame.keyFrame = key ? 1 : 0;
    frame.compressionType = m_compressionType;
    frame.rectCount = key ? 1 : rectCount;
    FileWriterSink sink(*m_fileWriter);
    MVRCWriteFrameHead(sink, frame);

    if (key) {
        updateLastImage(image, rectCount, m_rects.data());
        writeIFrameData(m_lastImage.get());
    } else {
        writePFrameData(image, rectCount, m_rects.data());
        updateLastImage(image, rectCount, m_rects.data());
    }
    m_frameCounter += 1;
}

void MVRCWriter::writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                            unsigned int rectCount, CGRect* rects, MVDImage* sprite,
                            const CGRect& spriteRect) {
    writeFrame(duration, frameRate, image, rectCount, rects);
    attachSpriteToLastFrame(sprite, spriteRect);
}

void MVRCWriter::writeIFrameData(MVDImage* image) {
    checkImage(image);
    const tagMVDRect whole{0, 0, static_cast<int32_t>(m_header.width),
                           static_cast<int32_t>(m_header.height)};
    writePFrameData(image, 1, &whole);
}

void MVRCWriter::attachSpriteToLastFrame(MVDImage* sprite, const CGRect& rect) {
    requireHeader();
    tagMVDRect r = truncatedRect(rect);
    if (sprite != nullptr) {
        // The image's own size is stored.
        if (sprite->m_width > INT32_MAX || sprite->m_height > INT32_MAX) {
            throw MVDException("MVRCWriter: a sprite must be a 32-bit image");
        }
        r.width = static_cast<int32_t>(sprite->m_width);
        r.height = static_cast<int32_t>(sprite->m_height);
    }
    FileWriterSink sink(*m_fileWriter);
    MVRCWriteSpriteChunk(sink, r, sprite);
    m_fileWriter->flush();
}

// The file is closed even when the end marker cannot be written (a full
// disk); the first failure is the one reported.
void MVRCWriter::closeFile() {
    try {
        m_fileWriter->write(kMVRCEndTag, kMVRCTagSize);
    } catch (const FileWriterException&) {
        try {
            m_fileWriter->close();
        } catch (const FileWriterException&) {
        }
        throw;
    }
    m_fileWriter->close();
}

void MVRCWriter::writeDirtyRectCoordinates(unsigned int rectCount, const tagMVDRect* rects) {
    FileWriterSink sink(*m_fileWriter);
    MVRCWriteRectList(sink, rects, rectCount);
}

void MVRCWriter::writeChunkHeader(uint32_t size) {
    FileWriterSink sink(*m_fileWriter);
    MVRCWriteChunkHead(sink, size);
}

void MVRCWriter::writePFrameData(MVDImage* image, unsigned int rectCount, const tagMVDRect* rects) {
    writeDirtyRectCoordinates(rectCount, rects);
    switch (m_compressionType) {
        case kMVRCCompressionNone:
            writeWithNoCompression(image, rectCount, rects);
            break;
        case kMVRCCompressionZlib:
            compressAndWriteUsingZLib(image, rectCount, rects);
            break;
        case kMVRCCompressionDeltaRLE:
            compressAndWriteUsingDeltaRLE(image, rectCount, rects, false);
            break;
        case kMVRCCompressionDeltaRLEZlib:
            compressAndWriteUsingDeltaRLE(image, rectCount, rects, true);
            break;
        case kMVRCCompressionYUVDeltaRLE:
            compressAndWriteUsingYUVDeltaRLE(image, rectCount, rects);
            break;
    }
    m_fileWriter->flush();
}

// Calls f(byte offset, byte count) for each row of the rectangle, or once
// for a rectangle of whole rows, which lie one after another in memory.
template <class F>
static void ForEachRowRun(const tagMVDRect& r, size_t rowBytes, size_t bytesPerPixel, F f) {
    if (r.width <= 0 || r.height <= 0) {
        return;
    }
    const size_t width = static_cast<size_t>(r.width) * bytesPerPixel;
    const size_t first =
        static_cast<size_t>(r.y) * rowBytes + static_cast<size_t>(r.x) * bytesPerPixel;
    if (width == rowBytes) {
        f(first, width * static_cast<size_t>(r.height));
        return;
    }
    for (int32_t row = 0; row < r.height; ++row) {
        f(first + static_cast<size_t>(row) * rowBytes, width);
    }
}

void MVRCWriter::writeWithNoCompression(MVDImage* image, unsigned int rectCount,
                                        const tagMVDRect* rects) {
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect& r = rects[i];
        writeChunkHeader(
            static_cast<uint32_t>(size_t(r.width) * size_t(r.height) * m_header.bytesPerPixel));
        ForEachRowRun(r, rowBytes(), m_header.bytesPerPixel, [&](size_t offset, size_t n) {
            m_fileWriter->write(image->m_pData + offset, static_cast<int>(n));
        });
    }
}

ZlibDeflater& MVRCWriter::deflater() {
    if (!m_deflater) {
        m_deflater = std::make_unique<ZlibDeflater>(kZlibLevel);
    }
    return *m_deflater;
}

void MVRCWriter::compressAndWriteUsingZLib(MVDImage* image, unsigned int rectCount,
                                           const tagMVDRect* rects) {
    if (rectCount == 0) {
        writeChunkHeader(0);
        return;
    }
    ZlibDeflater& z = deflater();
    if (m_zlibBuffer.empty()) {
        m_zlibBuffer.resize(z.bound(rowBytes() * m_header.height));
    }
    z.begin(&m_zlibBuffer);
    for (unsigned int i = 0; i < rectCount; ++i) {
        ForEachRowRun(rects[i], rowBytes(), m_header.bytesPerPixel,
                      [&](size_t offset, size_t n) { z.add(image->m_pData + offset, n); });
    }
    const size_t size = z.finish();
    writeChunkHeader(static_cast<uint32_t>(size));
    m_fileWriter->write(m_zlibBuffer.data(), static_cast<int>(size));
}

void MVRCWriter::compressAndWriteUsingDeltaRLE(MVDImage* image, unsigned int rectCount,
                                               const tagMVDRect* rects, bool deflated) {
    const unsigned char* previous = isFullFrame(rectCount, rects) ? nullptr : m_lastImage->m_pData;
    FileWriterSink sink(*m_fileWriter);
    m_deltaRLECoder.writeChunks(sink, previous, image->m_pData, rects, rectCount, deflated);
}

void MVRCWriter::compressAndWriteUsingYUVDeltaRLE(MVDImage* image, unsigned int rectCount,
                                                  const tagMVDRect* rects) {
    const size_t planeSize = size_t{m_header.width} * m_header.height;
    unsigned char* planes[3] = {m_yuvPlanes.data(), m_yuvPlanes.data() + planeSize,
                                m_yuvPlanes.data() + planeSize * 2};
    const auto layout = ColorSpaceConverter::layoutForPixelFormat(m_header.pixelFormat);
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect& r = rects[i];
        ColorSpaceConverter::convertRectBGRAToPackedYUV444(
            static_cast<int>(m_header.width), static_cast<int>(m_header.height), r.x, r.y, r.width,
            r.height, image->m_pData, planes[0], planes[1], planes[2], layout);
        const int count = r.width * r.height;
        unsigned char sizes[12];
        uint32_t total = sizeof sizes;
        for (int p = 0; p < 3; ++p) {
            int consumed = 0;
            int written = 0;
            DeltaRLE::encodeFragment8(planes[p], count, m_codedPlanes.data() + p * m_codedPlaneSize,
                                      &consumed, &written);
            MVRCStore32(sizes + p * 4, static_cast<uint32_t>(written));
            total += static_cast<uint32_t>(written);
        }
        writeChunkHeader(total);
        m_fileWriter->write(sizes, sizeof sizes);
        for (int p = 0; p < 3; ++p) {
            m_fileWriter->write(m_codedPlanes.data() + p * m_codedPlaneSize,
                                static_cast<int>(MVRCLoad32(sizes + p * 4)));
        }
    }
}

void MVRCWriter::updateLastImage(MVDImage* image, unsigned int rectCount, const tagMVDRect* rects) {
    if (image == m_lastImage.get()) {
        return;
    }
    for (unsigned int i = 0; i < rectCount; ++i) {
        ForEachRowRun(rects[i], rowBytes(), m_header.bytesPerPixel, [&](size_t offset, size_t n) {
            std::memcpy(m_lastImage->m_pData + offset, image->m_pData + offset, n);
        });
    }
}
