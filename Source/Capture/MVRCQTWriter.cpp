#include "Capture/MVRCQTWriter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <sstream>

#include "Capture/MVRCImageDescription.h"
#include "Capture/MVRCWriter.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"
#include "QuickTime/QTAudioTrack.h"

namespace {

constexpr Fixed kFixedOne = 0x10000;
constexpr OSType kCreator = 'TVOD';

Fixed ToFixed(uint32_t v) {
    return static_cast<Fixed>(v << 16);
}

}  // namespace

// The sample being assembled: bytes past the buffer's capacity are refused.
class MVRCQTWriter::SampleSink final : public MVRCByteSink {
  public:
    SampleSink(std::vector<unsigned char>& buffer, size_t capacity)
        : m_buffer(buffer), m_capacity(capacity) {}

    void write(const void* bytes, size_t n) override {
        if (n > m_capacity - m_size) {
            std::ostringstream message;
            message << "MVRCQTWriter: the frame's sample would not fit its buffer of " << m_capacity
                    << " bytes\n";
            throw MVDException(message.str());
        }
        std::memcpy(m_buffer.data() + m_size, bytes, n);
        m_size += n;
    }
    size_t size() const { return m_size; }

  private:
    std::vector<unsigned char>& m_buffer;
    size_t m_capacity;
    size_t m_size = 0;
};

MVRCQTWriter::MVRCQTWriter() = default;

MVRCQTWriter::~MVRCQTWriter() {
    releaseAudioTracks();
    releaseMovie();
}

void MVRCQTWriter::releaseAudioTracks() {
    for (QTAudioTrack* track : m_audioTracks) {
        track->release();
    }
    m_audioTracks.clear();
}

void MVRCQTWriter::releaseMovie() {
    mediasegment::CloseAndDisposeMovie(m_movieRefNum, m_fileOpen, m_movie);
    m_videoTrack = nullptr;
    m_videoMedia = nullptr;
    if (m_sampleDescription != nullptr) {
        DisposeHandle(reinterpret_cast<Handle>(m_sampleDescription));
        m_sampleDescription = nullptr;
    }
    m_lastImage.reset();
    m_sampleBuffer = {};
    m_sampleCapacity = 0;
    if (m_moviesEntered) {
        ExitMovies();
        m_moviesEntered = false;
    }
}

AudioTrack* MVRCQTWriter::createAudioTrack(unsigned int channels, unsigned int sampleRate,
                                           unsigned int bitsPerSample, unsigned long unused) {
    if (m_movie == nullptr) {
        throw SetupException("Unable to create audio track.");
    }
    auto* track = new QTAudioTrack(static_cast<uint32_t>(m_audioTracks.size()), m_movie, channels,
                                   sampleRate, bitsPerSample, unused, nullptr);
    track->retain();
    m_audioTracks.push_back(track);
    return track;
}

void MVRCQTWriter::openFile(const std::string& path) {
    m_path = path;
}

void MVRCQTWriter::setCompressionType(MVRCCompressionType type) {
    if (type != kMVRCCompressionDeltaRLE && type != kMVRCCompressionDeltaRLEZlib) {
        throw MVDException("MVRCQTWriter: only Delta RLE (2) and Delta RLE with zlib (3)");
    }
    m_compressionType = type;
}

void MVRCQTWriter::setKeyFrameRate(long rate) {
    m_keyFrameRate = std::max(rate, 1L);
}

void MVRCQTWriter::setMaxBytesBetweenKeyFrames(long long bytes) {
    m_maxBytesBetweenKeyFrames = bytes;
}

void MVRCQTWriter::setZlibCompressionLevel(int level) {
    if (level < -1 || level > 9) {
        throw MVDException("MVRCQTWriter: zlib levels are 0 to 9, or -1");
    }
    m_zlibLevel = level;
    m_chunkCoder.setZlibLevel(level);
}

void MVRCQTWriter::writeHeader(tagMVDImageFormat* format) {
    if (m_movie != nullptr) {
        throw SetupException("MVRCQTWriter: the movie has been made already");
    }
    if (format == nullptr || !MVRCIsSupportedFormat(*format) ||
        (format->pixelFormat != kMVDPixelFormat32ARGB &&
         format->pixelFormat != kMVDPixelFormat32BGRA)) {
        throw SetupException(
            "MVRCQTWriter: frames must be 32-bit ARGB or 'BGRA', at most 16384 "
            "pixels a side");
    }
    m_format = *format;
    EnterMovies();
    m_moviesEntered = true;
    try {
        FSSpec location;
        std::string nativePath = m_path;
        const OSErr err = NativePathNameToFSSpec(nativePath.data(), &location, 0);
        if (err != noErr && err != fnfErr) {
            throw SetupException("Unable to create file specifier.");
        }
        if (CreateMovieFile(&location, kCreator, smCurrentScript, createMovieFileDeleteCurFile,
                            &m_movieRefNum, &m_movie) != noErr) {
            throw SetupException("unable to create movie file");
        }
        m_fileOpen = true;
        const Rect box{0, 0, static_cast<SInt16>(format->height),
                       static_cast<SInt16>(format->width)};
        SetMovieBox(m_movie, &box);

        m_lastImage = std::make_unique<MVDImage>(format);
        m_sampleCapacity =
            size_t{format->width} * format->height * format->bytesPerPixel + kSampleSlack;
        m_sampleBuffer.assign(m_sampleCapacity, 0);
        m_chunkCoder.setFrameFormat(*format);
        m_chunkCoder.setZlibLevel(m_zlibLevel);

        m_videoTrack =
            NewMovieTrack(m_movie, ToFixed(format->width), ToFixed(format->height), kNoVolume);
        if (m_videoTrack == nullptr || GetMoviesError() != noErr) {
            throw SetupException("Unable to create video track.");
        }
        m_videoMedia = NewTrackMedia(m_videoTrack, VideoMediaType, kTimeScale, nullptr, 0);
        if (m_videoMedia == nullptr || GetMoviesError() != noErr) {
            throw SetupException("Unable to create video media.");
        }
        SetTrackDimensions(m_videoTrack, ToFixed(format->width), ToFixed(format->height));

        _MVRCHeader header{};
        std::memcpy(header.signature, kMVRCSignatureTag, kMVRCTagSize);
        header.version = kMVRCVersion;
        header.width = format->width;
        header.height = format->height;
        header.pixelFormat = format->pixelFormat;
        header.bytesPerPixel = format->bytesPerPixel;
        m_sampleDescription = MVRCMakeImageDescription(header);
        if (m_sampleDescription == nullptr) {
            throw SetupException("Error making MVRC image description");
        }
        if (BeginMediaEdits(m_videoMedia) != noErr) {
            throw SetupException("unable to begin media edits");
        }
    } catch (...) {
        releaseMovie();
        throw;
    }
    m_frameCounter = 0;
    m_bytesSinceKeyFrame = 0;
    m_framesSinceKeyFrame = 0;
    m_lastSpriteId = -1;
    m_forceKeyFrame = false;
}

void MVRCQTWriter::requireHeader() const {
    if (m_movie == nullptr || !m_lastImage) {
        throw MVDException("MVRCQTWriter: writeHeader must come first");
    }
}

void MVRCQTWriter::checkImage(const MVDImage* image, const char* what) const {
    requireHeader();
    if (image == nullptr || image->m_pData == nullptr || image->m_width != m_format.width ||
        image->m_height != m_format.height || image->m_bytesPerPixel != m_format.bytesPerPixel) {
        throw MVDException(std::string("MVRCQTWriter: ") + what +
                           " differs from the header's frame size");
    }
}

tagMVDRect MVRCQTWriter::checkSprite(const MVDImage* sprite, const CGRect& spriteRect) const {
    const tagMVDRect where = MVRCTruncatedRect(spriteRect);
    if (sprite != nullptr && (sprite->m_bytesPerPixel != 4 || sprite->m_pData == nullptr ||
                              static_cast<int64_t>(sprite->m_width) != where.width ||
                              static_cast<int64_t>(sprite->m_height) != where.height)) {
        throw MVDException(
            "MVRCQTWriter: the sprite must be a 32-bit image of its rectangle's size");
    }
    return where;
}

bool MVRCQTWriter::keyFrameDue() const {
    if (m_frameCounter == 0 || m_forceKeyFrame) {
        return true;
    }
    return m_framesSinceKeyFrame >= kMinKeyFrameDistance &&
           ((m_maxBytesBetweenKeyFrames < 0 ||
             m_bytesSinceKeyFrame > static_cast<uint64_t>(m_maxBytesBetweenKeyFrames)) ||
            m_framesSinceKeyFrame >= static_cast<uint64_t>(m_keyFrameRate));
}

void MVRCQTWriter::writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                              unsigned int rectCount, CGRect* rects, MVDImage* sprite,
                              const CGRect& spriteRect, int spriteId) {
    checkImage(image, "the image");
    if (rects == nullptr && rectCount > 0) {
        throw MVDException("MVRCQTWriter: rectangle list missing");
    }
    _MVRCFrameHeader frame{};
    frame.frameRate = MVRCWriter::storedFrameRate(frameRate);
    frame.duration = static_cast<uint32_t>(std::min<unsigned long>(duration, UINT32_MAX));
    if (frame.frameRate == 0) {
        throw MVDException("MVRCQTWriter: a frame rate below 1 cannot time a frame");
    }
    const tagMVDRect where = checkSprite(sprite, spriteRect);
    m_rects.resize(rectCount);
    for (unsigned int i = 0; i < rectCount; ++i) {
        m_rects[i] = MVRCClippedRect(rects[i], m_format.width, m_format.height);
    }
    const bool key = keyFrameDue();
    frame.keyFrame = key ? 1 : 0;
    frame.compressionType = m_compressionType;
    frame.rectCount = key ? 1 : rectCount;
    if (key) {
        updateLastImage(image, rectCount, m_rects.data());
        m_bytesSinceKeyFrame = 0;
        m_framesSinceKeyFrame = 0;
        const tagMVDRect whole{0, 0, static_cast<int32_t>(m_format.width),
                               static_cast<int32_t>(m_format.height)};
        addFrame(frame, nullptr, m_lastImage.get(), &whole, sprite, where, spriteId);
    } else {
        try {
            addFrame(frame, m_lastImage->m_pData, image, m_rects.data(), sprite, where, spriteId);
        } catch (...) {
            // The key frame that follows carries these changes.
            updateLastImage(image, rectCount, m_rects.data());
            throw;
        }
        updateLastImage(image, rectCount, m_rects.data());
    }
    m_frameCounter += 1;
    m_framesSinceKeyFrame += 1;
}

void MVRCQTWriter::writeIFrameData(MVDImage* image, _MVRCFrameHeader* header, MVDImage* sprite,
                                   const CGRect& spriteRect, int spriteId) {
    checkImage(image, "the image");
    if (header == nullptr) {
        throw MVDException("MVRCQTWriter: frame header missing");
    }
    if (header->frameRate == 0) {
        throw MVDException("MVRCQTWriter: a frame rate below 1 cannot time a frame");
    }
    const tagMVDRect where = checkSprite(sprite, spriteRect);
    header->keyFrame = 1;
    header->compressionType = m_compressionType;
    header->rectCount = 1;
    const tagMVDRect whole{0, 0, static_cast<int32_t>(m_format.width),
                           static_cast<int32_t>(m_format.height)};
    updateLastImage(image, 1, &whole);
    m_bytesSinceKeyFrame = 0;
    m_framesSinceKeyFrame = 0;
    addFrame(*header, nullptr, m_lastImage.get(), &whole, sprite, where, spriteId);
    m_frameCounter += 1;
    m_framesSinceKeyFrame += 1;
}

void MVRCQTWriter::addFrame(const _MVRCFrameHeader& frame, const unsigned char* previous,
                            const MVDImage* image, const tagMVDRect* rects, MVDImage* sprite,
                            const tagMVDRect& spriteRect, int spriteId) {
    static MVDImage placeholder(1, 1, kMVDPixelFormat32ARGB, 4, nullptr);  // fully transparent
    try {
        SampleSink sink(m_sampleBuffer, m_sampleCapacity);
        MVRCWriteFrameHead(sink, frame);
        MVRCWriteRectList(sink, rects, frame.rectCount);
        m_chunkCoder.writeChunks(sink, previous, image->m_pData, rects, frame.rectCount,
                                 m_compressionType == kMVRCCompressionDeltaRLEZlib);
        const bool sendImage = spriteId != m_lastSpriteId || frame.keyFrame != 0;
        if (!sendImage) {
            MVRCWriteSpriteChunk(sink, spriteRect, nullptr);
        } else if (sprite != nullptr) {
            MVRCWriteSpriteChunk(sink, spriteRect, sprite);
        } else {
            // Without an image the placeholder is sent, at its own size.
            MVRCWriteSpriteChunk(sink, {spriteRect.x, spriteRect.y, 1, 1}, &placeholder);
        }
        addSample(sink.size(), frame);
        m_bytesSinceKeyFrame += sink.size();
        if (sendImage) {
            m_lastSpriteId = spriteId;
        }
        if (frame.keyFrame != 0) {
            m_forceKeyFrame = false;
        }
    } catch (...) {
        m_forceKeyFrame = true;
        throw;
    }
}

void MVRCQTWriter::addSample(size_t size, const _MVRCFrameHeader& frame) {
    // duration x 600 / rate fits 64 bits; the movie takes 1 to 2^31 - 1.
    const uint64_t units = uint64_t{frame.duration} * kTimeScale / frame.frameRate;
    const auto duration = static_cast<TimeValue64>(std::clamp<uint64_t>(units, 1, INT32_MAX));
    const MediaSampleFlags flags =
        frame.keyFrame != 0 ? MediaSampleFlags{0} : MediaSampleFlags{mediaSampleNotSync};
    const OSErr err = AddMediaSample2(
        m_videoMedia, m_sampleBuffer.data(), size, duration, 0,
        reinterpret_cast<SampleDescriptionHandle>(m_sampleDescription), 1, flags, nullptr);
    if (err != noErr) {
        throw MVDException(mediasegment::AddSampleErrorMessage(
            err, "QTICMVideoTrack::writeSample", m_sampleBuffer.data(), static_cast<int>(size),
            static_cast<int>(duration)));
    }
}

void MVRCQTWriter::updateLastImage(const MVDImage* image, unsigned int count,
                                   const tagMVDRect* rects) {
    if (image == m_lastImage.get()) {
        return;
    }
    const size_t rowBytes = m_lastImage->rowBytes();
    const size_t bpp = m_format.bytesPerPixel;
    for (unsigned int i = 0; i < count; ++i) {
        const tagMVDRect& r = rects[i];
        for (int32_t row = 0; row < r.height; ++row) {
            const size_t offset = size_t(r.y + row) * rowBytes + size_t(r.x) * bpp;
            std::memcpy(m_lastImage->m_pData + offset, image->m_pData + offset,
                        size_t(r.width) * bpp);
        }
    }
}

void MVRCQTWriter::start() {
    for (QTAudioTrack* track : m_audioTracks) {
        track->startTrack();
    }
}

void MVRCQTWriter::flushTrackDataToDisk() {
    for (QTAudioTrack* track : m_audioTracks) {
        track->flushTrackDataToDisk();
    }
}

void MVRCQTWriter::finalizeTracksWithDuration(TimeRecord duration) {
    for (QTAudioTrack* track : m_audioTracks) {
        track->insertMediaIntoTrackWithDuration(duration);
    }
}

TimeRecord MVRCQTWriter::getShortestTrackTimeRecord() {
    requireHeader();
    TimeRecord shortest{SInt64ToWide(0x7FFFFFFF), GetMovieTimeScale(m_movie), nullptr};
    uint32_t value = 0x7FFFFFFF;
    for (QTAudioTrack* track : m_audioTracks) {
        TimeRecord segment = track->getCurrentMediaSegmentTimeRecord();
        ConvertTimeScale(&segment, shortest.scale);
        const auto low = static_cast<uint32_t>(WideToSInt64(segment.value));
        value = std::min(value, low);
    }
    shortest.value = SInt64ToWide(value);
    return shortest;
}

void MVRCQTWriter::finalizeTracksWithShortestTrackMediaDuration() {
    finalizeTracksWithDuration(getShortestTrackTimeRecord());
}

void MVRCQTWriter::closeFile() {
    requireHeader();
    if (EndMediaEdits(m_videoMedia) != noErr) {
        throw MVDException("error ending media edits");
    }
    const TimeValue mediaDuration = GetMediaDuration(m_videoMedia);
    if (mediaDuration > 0 && InsertMediaIntoTrack(m_videoTrack, GetTrackDuration(m_videoTrack), 0,
                                                  mediaDuration, kFixedOne) != noErr) {
        throw MVDException("error in InsertMediaIntoTrack");
    }
    short resId = movieInDataForkResID;
    const OSErr err = AddMovieResource(m_movie, m_movieRefNum, &resId, nullptr);
    if (err != noErr) {
        std::ostringstream message;
        message << "Error adding movie resource, err = " << err << " in MVRCQTWriter::closeFile, "
                << "resourceRefNum = " << m_movieRefNum << ", sResId = " << resId << "\n";
        throw MVDException(message.str());
    }
    releaseAudioTracks();
    releaseMovie();
}
