#include "MovieFrameSource.h"

#include <cstring>
#include <vector>

#include "Capture/MVRCDecompressor.h"
#include "Codec/MVDKCodecComponent.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieOpen.h"
#include "MovieToolbox/SampleDescriptions.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

void RegisterCodecs() {
    static const bool registered = [] {
        MVDKRegisterEncoderComponent();
        MVDKRegisterDecoderComponent();
        MVRCRegisterDecompressorComponent();
        return true;
    }();
    (void)registered;
}

namespace {

std::string DecoderError(OSErr err, uint32_t codec) {
    switch (err) {
        case noCodecErr:
            return "no decoder for video of codec " + FormatFourCC(codec);
        case codecConditionErr:
            return "video of codec " + FormatFourCC(codec) + " has a depth that cannot be shown";
        case paramErr:
            return "the video track's sample description is damaged or too large";
        default:
            return "cannot decode the video (error " + std::to_string(err) + ")";
    }
}

class MovieFrameSource : public FrameSource {
  public:
    MovieFrameSource(const std::string& path, uint32_t trackID) {
        RegisterCodecs();
        OpenMovie(m_movie, path);
        m_track = findTrack(trackID);
        m_timeScale = m_movie.track(m_track).media.header.timeScale;
        // The first description sets the picture's size.
        begin(1);
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
        if (m_info.descriptionIndex != m_description) {
            begin(m_info.descriptionIndex);
        }
        if (const OSErr err = m_decoder.decodeFrame(m_sample); err != noErr) {
            throw ToolError("damaged " + FormatFourCC(m_codec) + " sample (error " +
                            std::to_string(err) + ")");
        }
        std::memcpy(m_image->m_pData, m_decoder.frame().data(), m_image->byteSize());
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

    // Starts decoding with the description of this (1-based) index; every
    // description must keep the picture's size.
    void begin(uint32_t index) {
        const auto& entries =
            m_movie.track(m_track).media.information.sampleTable.descriptions.entries;
        std::vector<uint8_t> memory;
        if (index < 1 || index > entries.size() ||
            mtb::DescriptionFromFile('vide', entries[index - 1], memory) != noErr ||
            memory.size() < 8) {
            throw ToolError("the video track's sample description " + std::to_string(index) +
                            " is missing or damaged");
        }
        std::memcpy(&m_codec, memory.data() + 4, 4);
        if (const OSErr err = m_decoder.begin(memory, kMVDPixelFormat32ARGB); err != noErr) {
            throw ToolError(DecoderError(err, m_codec));
        }
        const auto width = static_cast<unsigned>(m_decoder.width());
        const auto height = static_cast<unsigned>(m_decoder.height());
        if (m_image == nullptr) {
            m_image = std::make_unique<MVDImage>(width, height, kMVDPixelFormat32ARGB, 4, nullptr);
        } else if (m_image->m_width != width || m_image->m_height != height) {
            throw ToolError("the video track changes its frame size");
        }
        m_description = index;
    }

    qtfile::MovieFileReader m_movie;
    size_t m_track = 0;
    uint32_t m_timeScale = 0;
    uint32_t m_next = 0;
    uint32_t m_description = 0;
    uint32_t m_codec = 0;
    qtfile::SampleInfo m_info;
    std::vector<uint8_t> m_sample;
    MovieFrameDecoder m_decoder;
    std::unique_ptr<MVDImage> m_image;
};

}  // namespace

std::unique_ptr<FrameSource> OpenMovieFrameSource(const std::string& path, uint32_t trackID) {
    return std::make_unique<MovieFrameSource>(path, trackID);
}

}  // namespace mvd
