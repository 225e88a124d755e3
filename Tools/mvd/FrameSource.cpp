#include "FrameSource.h"

#include "Capture/MVRCReader.h"
#include "FileKind.h"
#include "MovieFrameSource.h"
#include "ToolError.h"

namespace mvd {

namespace {

class CaptureFrameSource : public FrameSource {
  public:
    explicit CaptureFrameSource(const std::string& path) {
        m_reader.openFile(path.c_str());
        m_reader.readHeader(&m_header);
        tagMVDImageFormat format = m_header.format();
        m_image = std::make_unique<MVDImage>(&format);
    }

    uint32_t width() const override { return m_header.width; }
    uint32_t height() const override { return m_header.height; }
    std::optional<uint64_t> frameCount() const override { return std::nullopt; }

    bool next() override {
        m_start += m_duration;
        _MVRCFrameHeader frame{};
        if (!m_reader.readFrame(&frame, m_image.get())) {
            return false;
        }
        m_duration = frame.frameRate == 0 ? 0.0 : double(frame.duration) / frame.frameRate;
        // Capture frames keep the screen's bottom line first.
        m_image->flipInPlace();
        return true;
    }

    const MVDImage& image() const override { return *m_image; }
    double startSeconds() const override { return m_start; }
    double durationSeconds() const override { return m_duration; }

  private:
    MVRCReader m_reader;
    _MVRCHeader m_header{};
    std::unique_ptr<MVDImage> m_image;
    double m_start = 0;
    double m_duration = 0;
};

}  // namespace

std::unique_ptr<FrameSource> OpenFrameSource(const std::string& path,
                                             const FrameSourceOptions& options) {
    switch (DetectFileKind(path)) {
        case FileKind::capture:
            return std::make_unique<CaptureFrameSource>(path);
        case FileKind::movie:
            return OpenMovieFrameSource(path, options.trackID);
        default:
            throw ToolError("frames come from a capture file or a movie, not from this file");
    }
}

}  // namespace mvd
