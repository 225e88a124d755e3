#include "Capture/MVRCReader.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "Capture/ColorSpaceConverter.h"
#include "Capture/DeltaRLE.h"
#include "Capture/ZlibStream.h"

namespace {

// Thrown for a damaged zlib stream, as callers of the reader expect.
constexpr int kZlibFailure = 1;

[[noreturn]] void Fail(const std::ostringstream& message) {
    throw MVRCReaderException(message.str());
}

void ThrowForInflate(ZlibInflater::Status status, unsigned int index) {
    std::ostringstream message;
    switch (status) {
        case ZlibInflater::Status::kOk:
            return;
        case ZlibInflater::Status::kDamaged:
            throw kZlibFailure;
        case ZlibInflater::Status::kTruncated:
            message << "zlib data of rectangle " << index << " ends before its stream does\n";
            break;
        case ZlibInflater::Status::kTooLong:
            message << "zlib data of rectangle " << index << " holds more than the rectangle\n";
            break;
    }
    Fail(message);
}

size_t RectPixels(const tagMVDRect& r) {
    return static_cast<size_t>(r.width) * static_cast<size_t>(r.height);
}

}  // namespace

MVRCReader::MVRCReader() = default;

MVRCReader::~MVRCReader() {
    closeFile();
}

void MVRCReader::openFile(const char* path) {
    FILE* stream = path != nullptr ? std::fopen(path, "r") : nullptr;
    if (stream == nullptr) {
        std::ostringstream message;
        message << "Could not open " << (path != nullptr ? path : "(null)") << "\n";
        Fail(message);
    }
    openStream(stream);
}

void MVRCReader::openStream(FILE* stream) {
    closeFile();
    m_stream = stream;
    long size = -1;
    if (std::fseek(m_stream, 0, SEEK_END) == 0) {
        size = std::ftell(m_stream);
    }
    if (size < 0 || std::fseek(m_stream, 0, SEEK_SET) != 0) {
        closeFile();
        throw MVRCReaderException("The capture file cannot be read (not seekable)\n");
    }
    m_fileSize = static_cast<uint64_t>(size);
    m_offset = 0;
    m_framesRead = 0;
    m_endMarkerRead = false;
    m_truncation.reset();
}

void MVRCReader::closeFile() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
}

void MVRCReader::readBytes(void* into, uint64_t n, const char* what) {
    if (m_stream == nullptr && m_memory == nullptr) {
        throw MVRCReaderException("No capture file is open\n");
    }
    bool complete = n <= remaining();
    if (complete && m_memory != nullptr) {
        std::memcpy(into, m_memory + m_offset, n);
    } else if (complete) {
        complete = std::fread(into, 1, n, m_stream) == n;
    }
    if (!complete) {
        std::ostringstream message;
        message << "Unexpected end of file while reading " << what << " at offset " << m_offset;
        failAtEnd(message);
    }
    m_offset += n;
}

void MVRCReader::failAtEnd(std::ostringstream& message) {
    m_endReached = true;
    message << ": the " << (m_memory != nullptr ? "record" : "file") << " ends at byte "
            << m_fileSize << "\n";
    Fail(message);
}

void MVRCReader::seekTo(uint64_t offset) {
    if (m_memory == nullptr && std::fseek(m_stream, static_cast<long>(offset), SEEK_SET) != 0) {
        throw MVRCReaderException("The capture file cannot be read (seek failed)\n");
    }
    m_offset = offset;
}

bool MVRCReader::readTag(const unsigned char (&tag)[kMVRCTagSize]) {
    unsigned char bytes[kMVRCTagSize];
    readBytes(bytes, sizeof bytes, "a chunk tag");
    return MVRCTagEquals(bytes, tag);
}

void MVRCReader::requireHeader() const {
    if (!m_canvas) {
        throw MVRCReaderException("readHeader must come before the first frame\n");
    }
}

void MVRCReader::readHeader(_MVRCHeader* header) {
    unsigned char bytes[kMVRCHeaderSize];
    if (remaining() < kMVRCHeaderSize) {
        throw MVRCReaderException("Should've gotten an MVRC\n");
    }
    readBytes(bytes, sizeof bytes, "the file header");
    if (!MVRCTagEquals(bytes, kMVRCSignatureTag)) {
        throw MVRCReaderException("Should've gotten an MVRC\n");
    }
    _MVRCHeader parsed;
    MVRCDecodeHeader(bytes, &parsed);
    beginFrames(parsed);
    if (header != nullptr) {
        *header = parsed;
    }
}

void MVRCReader::beginFrames(const _MVRCHeader& parsed) {
    if (!MVRCIsSupportedFormat(parsed.format())) {
        std::ostringstream message;
        message << "Unsupported frame format: " << parsed.width << " x " << parsed.height << ", "
                << parsed.bytesPerPixel << " bytes per pixel\n";
        Fail(message);
    }
    if (parsed.pixelFormat != kMVDPixelFormat32ARGB &&
        parsed.pixelFormat != kMVDPixelFormat32BGRA) {
        std::ostringstream message;
        message << "Unsupported pixel format 0x" << std::hex << parsed.pixelFormat << "\n";
        Fail(message);
    }
    m_header = parsed;
    tagMVDImageFormat format = parsed.format();
    m_canvas = std::make_unique<MVDImage>(&format);
    m_pixelMask = MVRCPixelMaskForFormat(parsed.pixelFormat);
    m_sprite.reset();
    m_frameHasSprite = false;
}

bool MVRCReader::readFrame(_MVRCFrameHeader* header, MVDImage* out) {
    requireHeader();
    if (m_truncation || m_endMarkerRead) {
        return false;
    }
    const uint64_t start = m_offset;
    m_endReached = false;
    try {
        if (!readFrameRecord(header, out)) {
            return false;
        }
    } catch (const MVRCReaderException& error) {
        if (!m_salvage || !m_endReached) {
            throw;
        }
        m_truncation = MVRCTruncation{m_fileSize, start, m_framesRead, error.what()};
        return false;
    }
    ++m_framesRead;
    return true;
}

std::string MVRCTruncation::message() const {
    std::ostringstream text;
    text << "The capture file is cut short: it ends at byte " << fileSize
         << " without its end marker; " << frames << " whole frames end at byte " << framesEnd
         << " (" << detail.substr(0, detail.find_last_not_of('\n') + 1) << ")\n";
    return text.str();
}

bool MVRCReader::readFrameRecord(_MVRCFrameHeader* header, MVDImage* out) {
    unsigned char tag[kMVRCTagSize];
    readBytes(tag, sizeof tag, "a frame tag");
    if (!MVRCTagEquals(tag, kMVRCFrameTag)) {
        if (MVRCTagEquals(tag, kMVRCEndTag)) {
            m_endMarkerRead = true;
            return false;
        }
        throw MVRCReaderException("Should've gotten an SMPL");
    }
    readFrameAfterTag(header, out);
    return true;
}

void MVRCReader::decodeFrameRecord(std::span<const unsigned char> record, _MVRCFrameHeader* header,
                                   MVDImage* out) {
    requireHeader();
    // The file's place is kept aside and put back however decoding ends.
    struct Restore {
        MVRCReader& reader;
        uint64_t size;
        uint64_t offset;
        ~Restore() {
            reader.m_memory = nullptr;
            reader.m_fileSize = size;
            reader.m_offset = offset;
        }
    } restore{*this, m_fileSize, m_offset};
    static const unsigned char kNothing = 0;
    m_memory = record.empty() ? &kNothing : record.data();
    m_fileSize = record.size();
    m_offset = 0;
    if (!readTag(kMVRCFrameTag)) {
        throw MVRCReaderException("Should've gotten an SMPL");
    }
    readFrameAfterTag(header, out);
    if (remaining() != 0) {
        std::ostringstream message;
        message << "Frame record has " << remaining() << " bytes after its last chunk\n";
        Fail(message);
    }
}

void MVRCReader::readFrameAfterTag(_MVRCFrameHeader* header, MVDImage* out) {
    unsigned char bytes[kMVRCFrameHeaderSize];
    readBytes(bytes, sizeof bytes, "a frame header");
    _MVRCFrameHeader frame;
    MVRCDecodeFrameHeader(bytes, &frame);
    if (header != nullptr) {
        *header = frame;
    }
    readRectList(frame.rectCount);
    CGRect* rects = m_cgRects.data();
    switch (frame.compressionType) {
        case kMVRCCompressionNone:
            processUncompressedRects(frame.rectCount, rects);
            break;
        case kMVRCCompressionZlib:
            processZlibRects(frame.rectCount, rects);
            break;
        case kMVRCCompressionDeltaRLE:
            processDeltaRLERects(frame.rectCount, rects);
            break;
        case kMVRCCompressionDeltaRLEZlib:
            processDeltaRLEZlibRects(frame.rectCount, rects);
            break;
        case kMVRCCompressionYUVDeltaRLE:
            processYUVDeltaRLERects(frame.rectCount, rects);
            break;
        default:
            throw MVRCReaderException("Compression type not supported!");
    }
    if (out != nullptr) {
        m_canvas->blitOnto(out);
    }
    readSprite(out);
}

void MVRCReader::readRectList(uint32_t count) {
    if (count > remaining() / kMVRCRectSize) {
        std::ostringstream message;
        message << "Rectangle count " << count
                << " does not fit in the rest of the file from offset " << m_offset;
        failAtEnd(message);
    }
    m_rects.resize(count);
    m_cgRects.resize(count);
    unsigned char bytes[kMVRCRectSize];
    for (uint32_t i = 0; i < count; ++i) {
        readBytes(bytes, sizeof bytes, "a rectangle");
        m_rects[i] = MVRCDecodeRect(bytes);
        const tagMVDRect& r = m_rects[i];
        m_cgRects[i] = CGRectMake(static_cast<CGFloat>(r.x), static_cast<CGFloat>(r.y),
                                  static_cast<CGFloat>(r.width), static_cast<CGFloat>(r.height));
        rectInFrame(m_cgRects[i], i);
    }
}

tagMVDRect MVRCReader::rectInFrame(const CGRect& rect, unsigned int index) const {
    const float limit = static_cast<float>(kMVRCMaxDimension);
    const auto inRange = [&](float v) { return v >= -limit && v <= limit; };
    if (!inRange(rect.origin.x) || !inRange(rect.origin.y) || !inRange(rect.size.width) ||
        !inRange(rect.size.height)) {
        std::ostringstream message;
        message << "Rectangle " << index << " lies outside the frame\n";
        Fail(message);
    }
    const tagMVDRect r{static_cast<int32_t>(rect.origin.x), static_cast<int32_t>(rect.origin.y),
                       static_cast<int32_t>(rect.size.width),
                       static_cast<int32_t>(rect.size.height)};
    if (r.x < 0 || r.y < 0 || r.width < 0 || r.height < 0 ||
        static_cast<int64_t>(r.x) + r.width > m_header.width ||
        static_cast<int64_t>(r.y) + r.height > m_header.height) {
        std::ostringstream message;
        message << "Rectangle " << index << " (" << r.x << ", " << r.y << ", " << r.width << " x "
                << r.height << ") lies outside the frame of " << m_header.width << " x "
                << m_header.height << "\n";
        Fail(message);
    }
    return r;
}

uint32_t MVRCReader::readChunkHeader(unsigned int index) {
    if (!readTag(kMVRCRectDataTag)) {
        throw MVRCReaderException("Should've gotten an DRDT");
    }
    unsigned char bytes[4];
    readBytes(bytes, sizeof bytes, "a chunk size");
    const uint32_t size = MVRCLoad32(bytes);
    if (size > remaining()) {
        std::ostringstream message;
        message << "Data of rectangle " << index << " (" << size << " bytes from offset "
                << m_offset << ") runs past the end of the file";
        failAtEnd(message);
    }
    return size;
}

// Reads size bytes of chunk data, which may not exceed limit.
void MVRCReader::readChunkInto(std::vector<unsigned char>* buffer, uint32_t size, size_t limit,
                               unsigned int index) {
    if (size > limit) {
        std::ostringstream message;
        message << "Data of rectangle " << index << " (" << size
                << " bytes) is larger than the rectangle can need\n";
        Fail(message);
    }
    if (buffer->size() < size) {
        buffer->resize(size);
    }
    readBytes(buffer->data(), size, "rectangle data");
}

bool MVRCReader::processUncompressedRects(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    const size_t bpp = m_header.bytesPerPixel;
    const size_t rowBytes = size_t{m_header.width} * bpp;
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        const uint32_t size = readChunkHeader(i);
        if (size != RectPixels(r) * bpp) {
            std::ostringstream message;
            message << "Data of rectangle " << i << " holds " << size << " bytes instead of "
                    << RectPixels(r) * bpp << "\n";
            Fail(message);
        }
        for (int32_t row = 0; row < r.height; ++row) {
            readBytes(m_canvas->m_pData + size_t(r.y + row) * rowBytes + size_t(r.x) * bpp,
                      size_t(r.width) * bpp, "uncompressed pixels");
        }
    }
    return true;
}

ZlibInflater& MVRCReader::inflater() {
    if (!m_inflater) {
        m_inflater = std::make_unique<ZlibInflater>();
    }
    return *m_inflater;
}

// One zlib stream holds the pixels of all rectangles, packed row by row; it
// is inflated straight into the canvas.
bool MVRCReader::processZlibRects(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    const uint32_t size = readChunkHeader(0);
    if (size == 0) {
        return true;
    }
    readChunkInto(&m_compressed, size, size, 0);
    ZlibInflater& z = inflater();
    z.begin(m_compressed.data(), size);
    const size_t bpp = m_header.bytesPerPixel;
    const size_t rowBytes = size_t{m_header.width} * bpp;
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        for (int32_t row = 0; row < r.height; ++row) {
            unsigned char* target =
                m_canvas->m_pData + size_t(r.y + row) * rowBytes + size_t(r.x) * bpp;
            ThrowForInflate(z.fill(target, size_t(r.width) * bpp), i);
        }
    }
    ThrowForInflate(z.finish(), rectCount);
    return true;
}

void MVRCReader::decodeDeltaRLE(const tagMVDRect& r, const unsigned char* data, size_t size,
                                unsigned int index) {
    if (!DeltaRLE::decompress32(m_canvas->m_pData, data, static_cast<int>(size),
                                static_cast<int>(m_header.width), static_cast<int>(m_header.height),
                                r.x, r.y, r.width, r.height, m_pixelMask)) {
        std::ostringstream message;
        message << "Delta RLE data of rectangle " << index << " is damaged\n";
        Fail(message);
    }
}

bool MVRCReader::processDeltaRLERects(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        const uint32_t size = readChunkHeader(i);
        if (size == 0) {
            continue;
        }
        readChunkInto(&m_scratch, size, DeltaRLE::maxCompressedSize32(r.width, r.height), i);
        decodeDeltaRLE(r, m_scratch.data(), size, i);
    }
    return true;
}

bool MVRCReader::processDeltaRLEZlibRects(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        const uint32_t size = readChunkHeader(i);
        if (size == 0) {
            continue;
        }
        readChunkInto(&m_compressed, size, size, i);
        const size_t capacity = DeltaRLE::maxCompressedSize32(r.width, r.height);
        if (m_scratch.size() < capacity) {
            m_scratch.resize(capacity);
        }
        ZlibInflater& z = inflater();
        z.begin(m_compressed.data(), size);
        size_t produced = 0;
        ThrowForInflate(z.inflateAll(m_scratch.data(), capacity, &produced), i);
        decodeDeltaRLE(r, m_scratch.data(), produced, i);
    }
    return true;
}

bool MVRCReader::processYUVDeltaRLERects(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    const auto layout = ColorSpaceConverter::layoutForPixelFormat(m_header.pixelFormat);
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        const uint32_t size = readChunkHeader(i);
        if (size == 0) {
            continue;
        }
        const size_t pixels = RectPixels(r);
        readChunkInto(&m_scratch, size, 12 + 3 * DeltaRLE::maxCompressedSize8(int(pixels)), i);
        const uint64_t lengths[3] = {size >= 12 ? MVRCLoad32(m_scratch.data()) : 0,
                                     size >= 12 ? MVRCLoad32(m_scratch.data() + 4) : 0,
                                     size >= 12 ? MVRCLoad32(m_scratch.data() + 8) : 0};
        if (size < 12 || 12 + lengths[0] + lengths[1] + lengths[2] != size) {
            std::ostringstream message;
            message << "YUV plane sizes of rectangle " << i << " do not add up to " << size << "\n";
            Fail(message);
        }
        if (m_planes.size() < pixels * 3) {
            m_planes.resize(pixels * 3);
        }
        const unsigned char* fragment = m_scratch.data() + 12;
        for (int p = 0; p < 3; ++p) {
            const int decoded =
                DeltaRLE::decodeFragment8(fragment, static_cast<int>(lengths[p]),
                                          m_planes.data() + p * pixels, static_cast<int>(pixels));
            if (decoded != static_cast<int>(pixels)) {
                std::ostringstream message;
                message << "YUV plane " << p << " of rectangle " << i << " is damaged\n";
                Fail(message);
            }
            fragment += lengths[p];
        }
        ColorSpaceConverter::convertPackedYUV444ToRectBGRA(
            static_cast<int>(m_header.width), static_cast<int>(m_header.height), r.x, r.y, r.width,
            r.height, m_planes.data(), m_planes.data() + pixels, m_planes.data() + 2 * pixels,
            m_canvas->m_pData, layout);
    }
    return true;
}

void MVRCReader::readSprite(MVDImage* out) {
    m_frameHasSprite = false;
    const uint64_t mark = m_offset;
    if (const uint64_t left = remaining(); left > 0 && left < kMVRCTagSize) {
        // The input ends inside the next tag: when that can only be a
        // sprite tag, this frame is cut short.  ("S" alone may as well
        // start the next frame: the frame is kept, as one cut just before
        // its sprite chunk is.)
        unsigned char bytes[kMVRCTagSize];
        readBytes(bytes, left, "a chunk tag");
        if (std::memcmp(bytes, kMVRCSpriteTag, left) == 0 &&
            std::memcmp(bytes, kMVRCFrameTag, left) != 0) {
            std::ostringstream message;
            message << "Unexpected end of file in a sprite chunk tag at offset " << mark;
            failAtEnd(message);
        }
        seekTo(mark);
        return;
    }
    if (remaining() < kMVRCTagSize || !readTag(kMVRCSpriteTag)) {
        seekTo(mark);
        return;
    }
    unsigned char bytes[kMVRCRectSize + 1];
    readBytes(bytes, sizeof bytes, "a sprite chunk");
    tagMVDRect rect = MVRCDecodeRect(bytes);
    if (bytes[kMVRCRectSize] != 0) {
        unsigned char info[9];
        readBytes(info, sizeof info, "a sprite chunk");
        const uint32_t format = MVRCLoad32(info);
        const uint32_t byteCount = MVRCLoad32(info + 5);
        if (format != kMVDPixelFormat32ARGB && format != kMVDPixelFormat32BGRA) {
            std::ostringstream message;
            message << "Sprite pixel format 0x" << std::hex << format << " not supported\n";
            Fail(message);
        }
        if (rect.width < 0 || rect.height < 0 ||
            static_cast<uint64_t>(rect.width) * static_cast<uint64_t>(rect.height) * 4 !=
                byteCount) {
            std::ostringstream message;
            message << "Sprite of " << rect.width << " x " << rect.height
                    << " pixels does not match its " << byteCount << " bytes\n";
            Fail(message);
        }
        if (byteCount > remaining()) {
            std::ostringstream message;
            message << "Sprite pixels (" << byteCount << " bytes from offset " << m_offset
                    << ") run past the end of the file";
            failAtEnd(message);
        }
        auto sprite =
            std::make_unique<MVDImage>(static_cast<unsigned int>(rect.width),
                                       static_cast<unsigned int>(rect.height), format, 4, nullptr);
        readBytes(sprite->m_pData, byteCount, "sprite pixels");
        m_sprite = std::move(sprite);
    }
    if (!m_sprite) {
        return;
    }
    // The sprite image keeps its own size; the chunk places it.
    rect.width = static_cast<int32_t>(m_sprite->m_width);
    rect.height = static_cast<int32_t>(m_sprite->m_height);
    m_spriteRect = rect;
    m_frameHasSprite = true;
    if (out != nullptr) {
        out->alphaBlit(m_sprite.get(), &rect);
    }
}

void MVRCReader::writeDirtyRectsAsPPM(unsigned int rectCount, CGRect* rects) {
    requireHeader();
    const size_t bpp = m_header.bytesPerPixel;
    size_t offset = 0;
    for (unsigned int i = 0; i < rectCount; ++i) {
        const tagMVDRect r = rectInFrame(rects[i], i);
        std::printf("rect %d = %d,%d - %d x %d\n", static_cast<int>(i), r.x, r.y, r.width,
                    r.height);
        const size_t bytes = RectPixels(r) * bpp;
        if (bytes > m_scratch.size() - offset) {
            std::printf("drBuffer holds no more rectangles\n");
            break;
        }
        MVDImage image(static_cast<unsigned int>(r.width), static_cast<unsigned int>(r.height),
                       m_header.pixelFormat, m_header.bytesPerPixel, m_scratch.data() + offset);
        std::ostringstream path;
        path << m_ppmDirectory << "/" << m_ppmFrame << " dirtyrect " << i << ".ppm";
        std::string name = path.str();
        if (!image.writePPM(name.data())) {
            std::printf("could not write %s\n", name.c_str());
        }
        std::printf("advancing drBuffer by %d * %d * %d = %d bytes\n", r.width, r.height,
                    static_cast<int>(bpp), static_cast<int>(bytes));
        offset += bytes;
    }
    m_ppmFrame += 1;
}

std::optional<uint32_t> MVRCReader::sampleDuration(const _MVRCFrameHeader& frame,
                                                   uint32_t timeScale) {
    if (frame.frameRate == 0) {
        return std::nullopt;
    }
    const uint64_t duration = uint64_t{timeScale / frame.frameRate} * frame.duration;
    return static_cast<uint32_t>(std::min<uint64_t>(duration, UINT32_MAX));
}
