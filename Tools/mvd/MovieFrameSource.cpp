#include "MovieFrameSource.h"

#include <cstring>
#include <vector>

#include "Codec/MVDKFrameDecompressor.h"
#include "ImageCompression/AnimationCodec.h"
#include "MovieFormats.h"
#include "MovieOpen.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

// The largest picture decoded: a 16K x 8K screen.
constexpr uint64_t kMaxPixels = uint64_t{1} << 27;

// Draws one sample onto the picture, which holds the previous frame.
class SampleDecoder {
  public:
    virtual ~SampleDecoder() = default;
    virtual void decode(std::span<const uint8_t> sample, MVDImage& picture) = 0;
};

// Converts rows of 2, 3 or 4 bytes per pixel (big-endian RGB555, RGB,
// ARGB) to ARGB.
void ToARGB(const uint8_t* from, int depth, uint8_t* to, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, to += 4) {
        if (depth == 32) {
            std::memcpy(to, from + size_t{x} * 4, 4);
        } else if (depth == 24) {
            to[0] = 0xFF;
            std::memcpy(to + 1, from + size_t{x} * 3, 3);
        } else {
            const unsigned v = unsigned(from[size_t{x} * 2]) << 8 | from[size_t{x} * 2 + 1];
            to[0] = 0xFF;
            to[1] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
            to[2] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
            to[3] = static_cast<uint8_t>((v & 31) * 255 / 31);
        }
    }
}

class RawDecoder : public SampleDecoder {
  public:
    explicit RawDecoder(int depth) : m_depth(depth) {}
    void decode(std::span<const uint8_t> sample, MVDImage& picture) override {
        const size_t line = size_t{picture.m_width} * static_cast<size_t>(m_depth / 8);
        // Rows may be padded; the stride follows from the sample's size.
        const size_t stride = sample.size() / picture.m_height;
        if (stride < line || sample.size() % picture.m_height != 0) {
            throw ToolError("a 'raw ' sample of " + std::to_string(sample.size()) +
                            " bytes does not hold " + std::to_string(picture.m_height) +
                            " rows of " + std::to_string(line) + " bytes");
        }
        for (uint32_t y = 0; y < picture.m_height; ++y) {
            ToARGB(sample.data() + y * stride, m_depth, picture.m_pData + y * picture.rowBytes(),
                   picture.m_width);
        }
    }

  private:
    int m_depth;
};

class AnimationDecoder : public SampleDecoder {
  public:
    void decode(std::span<const uint8_t> sample, MVDImage& picture) override {
        const AnimationImage target{picture.m_pData, static_cast<long>(picture.rowBytes()),
                                    static_cast<int>(picture.m_width),
                                    static_cast<int>(picture.m_height), AnimationPixelOrder::kARGB};
        if (AnimationDecodeFrame(sample.data(), sample.size(), target) != noErr) {
            throw ToolError("damaged 'rle ' sample");
        }
    }
};

class ScreenCodecDecoder : public SampleDecoder {
  public:
    ScreenCodecDecoder(int depth, const MVDImage& picture) : m_depth(depth) {
        m_info.width = static_cast<int32_t>(picture.m_width);
        m_info.height = static_cast<int32_t>(picture.m_height);
        m_info.depth = static_cast<uint16_t>(depth);
        m_rowBytes = static_cast<int32_t>(picture.m_width) * mvdk::DecodedBytesPerPixel(depth);
        m_decoded.resize(size_t(m_rowBytes) * picture.m_height);
        if (m_decompressor.reserve(m_info, m_rowBytes) != noErr) {
            throw ToolError("out of memory for the screen codec");
        }
    }
    void decode(std::span<const uint8_t> sample, MVDImage& picture) override {
        m_info.srcPixelSize = static_cast<uint32_t>(sample.size());
        const OSErr err = m_decompressor.decompressFrame(m_info, sample.data(), sample.size(),
                                                         m_decoded.data(), m_rowBytes);
        if (err != noErr) {
            throw ToolError("damaged 'mvdk' sample (error " + std::to_string(err) + ")");
        }
        for (uint32_t y = 0; y < picture.m_height; ++y) {
            const uint8_t* row = m_decoded.data() + size_t(y) * size_t(m_rowBytes);
            uint8_t* out = picture.m_pData + y * picture.rowBytes();
            // Depth 24 and 32 decode to 4 bytes per pixel already.
            ToARGB(row, m_depth == 16 ? 16 : 32, out, picture.m_width);
        }
    }

  private:
    int m_depth;
    MVDKFrameInfo m_info{};
    int32_t m_rowBytes = 0;
    std::vector<uint8_t> m_decoded;
    MVDKFrameDecompressor m_decompressor;
};

std::unique_ptr<SampleDecoder> MakeDecoder(const VideoFormat& format, const MVDImage& picture) {
    const bool usualDepth = format.depth == 16 || format.depth == 24 || format.depth == 32;
    switch (format.codec) {
        case 'raw ':
            if (usualDepth) {
                return std::make_unique<RawDecoder>(format.depth);
            }
            break;
        case 'rle ':
            if (format.depth == 32) {
                return std::make_unique<AnimationDecoder>();
            }
            break;
        case 'mvdk':
            if (usualDepth) {
                return std::make_unique<ScreenCodecDecoder>(format.depth, picture);
            }
            break;
        default:
            throw ToolError("cannot decode video of codec " + FormatFourCC(format.codec));
    }
    throw ToolError("cannot decode " + FormatFourCC(format.codec) + " video of depth " +
                    std::to_string(format.depth));
}

class MovieFrameSource : public FrameSource {
  public:
    MovieFrameSource(const std::string& path, uint32_t trackID) {
        OpenMovie(m_movie, path);
        m_track = findTrack(trackID);
        const auto format = ReadVideoFormat(FirstDescription(m_movie.track(m_track)));
        if (!format || format->width <= 0 || format->height <= 0) {
            throw ToolError("the video track's sample description is damaged");
        }
        if (uint64_t(format->width) * uint64_t(format->height) > kMaxPixels) {
            throw ToolError("the video frames are too large to decode (" +
                            std::to_string(format->width) + " x " + std::to_string(format->height) +
                            ")");
        }
        m_image = std::make_unique<MVDImage>(static_cast<unsigned>(format->width),
                                             static_cast<unsigned>(format->height),
                                             kMVDPixelFormat32ARGB, 4, nullptr);
        m_decoder = MakeDecoder(*format, *m_image);
        m_timeScale = m_movie.track(m_track).media.header.timeScale;
    }

    uint32_t width() const override { return m_image->m_width; }
    uint32_t height() const override { return m_image->m_height; }
    std::optional<uint64_t> frameCount() const override {
        return m_movie.samples(m_track).sampleCount();
    }

    bool next() override {
        if (m_next >= m_movie.samples(m_track).sampleCount()) {
            return false;
        }
        CheckRead(m_movie.sampleInfo(m_track, m_next, m_info));
        CheckRead(m_movie.readSample(m_track, m_next, m_sample));
        m_decoder->decode(m_sample, *m_image);
        ++m_next;
        return true;
    }

    const MVDImage& image() const override { return *m_image; }
    double startSeconds() const override {
        return m_timeScale == 0 ? 0.0 : double(m_info.decodeTime) / m_timeScale;
    }
    double durationSeconds() const override {
        return m_timeScale == 0 ? 0.0 : double(m_info.duration) / m_timeScale;
    }

  private:
    size_t findTrack(uint32_t trackID) const {
        for (size_t i = 0; i < m_movie.trackCount(); ++i) {
            const qtfile::TrackAtom& track = m_movie.track(i);
            if (track.media.mediaType() == 'vide' &&
                (trackID == 0 || track.header.trackID == trackID)) {
                return i;
            }
        }
        throw ToolError(trackID == 0 ? std::string("the movie has no video track")
                                     : "the movie has no video track " + std::to_string(trackID));
    }

    qtfile::MovieFileReader m_movie;
    size_t m_track = 0;
    uint32_t m_timeScale = 0;
    uint32_t m_next = 0;
    qtfile::SampleInfo m_info;
    std::vector<uint8_t> m_sample;
    std::unique_ptr<MVDImage> m_image;
    std::unique_ptr<SampleDecoder> m_decoder;
};

}  // namespace

std::unique_ptr<FrameSource> OpenMovieFrameSource(const std::string& path, uint32_t trackID) {
    return std::make_unique<MovieFrameSource>(path, trackID);
}

}  // namespace mvd
