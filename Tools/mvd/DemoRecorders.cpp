#include "DemoRecorders.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "Capture/MVRCQTWriter.h"
#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "CoreFoundation/CFString.h"
#include "MovieFrameSource.h"
#include "MovieToolbox/SoundDescription.h"
#include "MutedStdout.h"
#include "QuickTime/QTWriter.h"
#include "SceneImages.h"
#include "SwfExport.h"
#include "ToolError.h"

namespace mvd {

namespace {

// Capture files keep the screen's bottom line first, as the recorder reads
// the screen; the movies made from them turn their frames upright.
class CaptureRecorder : public DemoRecorder {
  public:
    std::string fileName() const override { return "demo.mvrc"; }
    std::string viewHint() const override {
        return "mvd info %s; mvd frames %s frames --frames 0,50-";
    }

    void begin(const mvddemo::DemoScene& scene, const std::string& path) override {
        m_writer.openFile(path);
        tagMVDImageFormat format = SceneFormat(scene);
        m_writer.writeHeader(&format);
        m_rate = static_cast<float>(scene.settings().framesPerSecond);
        m_view = std::make_unique<CaptureView>(scene);
        m_cursorSent = false;
    }

    void frame(const mvddemo::DemoScene& scene) override {
        m_view->update(scene);
        // The cursor image never changes: it is sent with the first frame
        // and later frames only move it.
        m_writer.writeFrame(1, m_rate, m_view->image(), m_view->rectCount(), m_view->rects(),
                            m_cursorSent ? nullptr : m_view->cursor(), m_view->cursorRect());
        m_cursorSent = true;
    }

    void end() override { m_writer.closeFile(); }

  private:
    MVRCWriter m_writer;
    std::unique_ptr<CaptureView> m_view;
    float m_rate = 0;
    bool m_cursorSent = false;
};

// The recovery file written beside a live movie.
std::string RecoveryPathFor(const std::string& moviePath) {
    return moviePath + ".rcvr";
}

// Hands a scene's sound to a movie's sound track as signed 16-bit
// big-endian samples.
class SoundFeed {
  public:
    explicit SoundFeed(uint32_t sampleRate);
    ~SoundFeed() { DisposeHandle(reinterpret_cast<Handle>(m_description)); }
    SoundFeed(const SoundFeed&) = delete;
    SoundFeed& operator=(const SoundFeed&) = delete;

    void write(AudioTrack* track, std::span<const int16_t> samples) {
        m_bytes.clear();
        for (int16_t v : samples) {
            m_bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
            m_bytes.push_back(static_cast<uint8_t>(v));
        }
        track->writeBuffer(reinterpret_cast<short*>(m_bytes.data()),
                           static_cast<int>(m_bytes.size()), m_description);
    }

  private:
    SoundDescriptionHandle m_description = nullptr;
    std::vector<uint8_t> m_bytes;
};

SoundFeed::SoundFeed(uint32_t sampleRate) {
    AudioStreamBasicDescription stream{};
    stream.mSampleRate = sampleRate;
    stream.mFormatID = kAudioFormatLinearPCM;
    stream.mFormatFlags =
        kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsBigEndian;
    stream.mBytesPerPacket = stream.mBytesPerFrame = 2;
    stream.mFramesPerPacket = 1;
    stream.mChannelsPerFrame = 1;
    stream.mBitsPerChannel = 16;
    if (QTSoundDescriptionCreate(&stream, nullptr, 0, nullptr, 0,
                                 kQTSoundDescriptionKind_Movie_LowestPossibleVersion,
                                 &m_description) != noErr) {
        throw ToolError("cannot describe the demo's sound");
    }
}

class LiveMovieRecorder : public DemoRecorder {
  public:
    ~LiveMovieRecorder() override {
        if (m_writer != nullptr) {
            m_writer->release();
        }
    }

    std::string fileName() const override { return "demo-live.mov"; }
    std::string viewHint() const override {
        return "ffprobe -show_streams -show_chapters %s; mvd info " + RecoveryPathFor("%s") +
               "; mvd recover " + RecoveryPathFor("%s") + " %s recovered.mov";
    }

    void begin(const mvddemo::DemoScene& scene, const std::string& path) override {
        RegisterCodecs();
        const mvddemo::DemoSettings& s = scene.settings();
        m_fps = s.framesPerSecond;
        const tagMVDRect whole{0, 0, s.width, s.height};
        m_writer =
            new QTWriter(path, static_cast<unsigned>(s.width), static_cast<unsigned>(s.height),
                         true, RecoveryPathFor(path).c_str());
        m_writer->retain();
        m_screen =
            m_writer->createVideoTrack(whole, kMVDPixelFormat32BGRA, 4, 'mvdk',
                                       codecLosslessQuality, 10 * static_cast<int32_t>(m_fps));
        // The cursor is a layer of the screen's size above it, transparent
        // but for the sprite.
        m_cursor = m_writer->createCursorVideoTrack(whole, m_fps);
        m_cursor->setTrackLayer(-1);
        m_audio = m_writer->createAudioTrack(1, s.sampleRate, 16, 0);
        m_text = m_writer->createTextTrack();
        m_screen->addTrackReference(m_text->quickTimeTrack(), 'chap');
        m_sound = std::make_unique<SoundFeed>(s.sampleRate);
        tagMVDImageFormat format{static_cast<uint32_t>(s.width), static_cast<uint32_t>(s.height),
                                 kMVDPixelFormat32BGRA, 4};
        m_cursorLayer = std::make_unique<MVDImage>(&format);
        m_writer->start();
    }

    void frame(const mvddemo::DemoScene& scene) override {
        const uint32_t f = scene.frameNumber();
        // Durations in 1/600 s that add up exactly whatever the rate.
        const long duration =
            static_cast<long>((uint64_t{f} + 1) * 600 / m_fps - uint64_t{f} * 600 / m_fps);
        SceneFrame frame(scene);
        m_screen->compressAndWriteMVDImage(frame.image(), duration);
        drawCursorLayer(scene);
        m_cursor->compressAndWriteMVDImage(m_cursorLayer.get(), duration);

        m_sound->write(m_audio, scene.audio());
        if (scene.captionChanged()) {
            writeCaption();
            m_caption = scene.caption();
        }
        m_captionDuration += duration;
    }

    void end() override {
        writeCaption();
        m_writer->flushTrackDataToDisk();
        m_writer->finalizeTracksWithShortestTrackMediaDuration();
        m_writer->finalizeMovie();
    }

  private:
    // Each caption becomes one sample once its length is known.
    void writeCaption() {
        if (m_caption.empty() || m_captionDuration == 0) {
            return;
        }
        CFStringRef text =
            CFStringCreateWithCString(nullptr, m_caption.c_str(), kCFStringEncodingUTF8);
        m_text->writeTextSample(text, m_captionDuration);
        CFRelease(text);
        m_captionDuration = 0;
    }

    // Clears where the sprite was and copies it, alpha and all, to where it
    // is now.
    void drawCursorLayer(const mvddemo::DemoScene& scene) {
        MVDImage& layer = *m_cursorLayer;
        const mvddemo::Rect bounds{0, 0, static_cast<int32_t>(layer.m_width),
                                   static_cast<int32_t>(layer.m_height)};
        const mvddemo::Rect old = m_cursorRect.intersect(bounds);
        for (int32_t y = old.y; y < old.bottom(); ++y) {
            std::memset(layer.m_pData + (size_t(y) * layer.m_width + size_t(old.x)) * 4, 0,
                        size_t(old.width) * 4);
        }
        m_cursorRect = scene.cursorRect();
        const mvddemo::Rect now = m_cursorRect.intersect(bounds);
        const mvddemo::CursorSprite& sprite = scene.cursor();
        for (int32_t y = now.y; y < now.bottom(); ++y) {
            const uint8_t* from =
                sprite.pixels.data() + (size_t(y - m_cursorRect.y) * size_t(sprite.width) +
                                        size_t(now.x - m_cursorRect.x)) *
                                           4;
            std::memcpy(layer.m_pData + (size_t(y) * layer.m_width + size_t(now.x)) * 4, from,
                        size_t(now.width) * 4);
        }
    }

    QTWriter* m_writer = nullptr;
    QTICMVideoTrack* m_screen = nullptr;
    QTICMVideoTrack* m_cursor = nullptr;
    AudioTrack* m_audio = nullptr;
    QTTextTrack* m_text = nullptr;
    std::unique_ptr<SoundFeed> m_sound;
    std::unique_ptr<MVDImage> m_cursorLayer;
    mvddemo::Rect m_cursorRect;
    uint32_t m_fps = 10;
    std::string m_caption;
    int64_t m_captionDuration = 0;
};

// Capture frame records straight into a movie, Delta RLE and zlib, with the
// tone as a sound track beside them.
class CaptureMovieRecorder : public DemoRecorder {
  public:
    std::string fileName() const override { return "demo-mvrc.mov"; }
    std::string viewHint() const override {
        return "mvd info %s; mvd frames %s frames-mvrc (ffprobe lists its 'MVRC' samples)";
    }

    void begin(const mvddemo::DemoScene& scene, const std::string& path) override {
        RegisterCodecs();
        m_writer.openFile(path);
        m_writer.setCompressionType(kMVRCCompressionDeltaRLEZlib);
        tagMVDImageFormat format = SceneFormat(scene);
        m_writer.writeHeader(&format);
        m_audio = m_writer.createAudioTrack(1, scene.settings().sampleRate, 16, 0);
        m_sound = std::make_unique<SoundFeed>(scene.settings().sampleRate);
        m_view = std::make_unique<CaptureView>(scene);
        m_rate = static_cast<float>(scene.settings().framesPerSecond);
        m_writer.start();
    }

    void frame(const mvddemo::DemoScene& scene) override {
        m_view->update(scene);
        // One sprite identifier: the image travels with key frames only.
        m_writer.writeFrame(1, m_rate, m_view->image(), m_view->rectCount(), m_view->rects(),
                            m_view->cursor(), m_view->cursorRect(), 1);
        m_sound->write(m_audio, scene.audio());
    }

    void end() override {
        m_writer.flushTrackDataToDisk();
        m_writer.finalizeTracksWithShortestTrackMediaDuration();
        m_writer.closeFile();
    }

  private:
    MVRCQTWriter m_writer;
    AudioTrack* m_audio = nullptr;
    std::unique_ptr<SoundFeed> m_sound;
    std::unique_ptr<CaptureView> m_view;
    float m_rate = 0;
};

// The capture file converted into a movie once it is complete, as a user
// converts a recording after the session.
class ConvertedMovieRecorder : public DemoRecorder {
  public:
    explicit ConvertedMovieRecorder(std::string capturePath)
        : m_capturePath(std::move(capturePath)) {}

    std::string fileName() const override { return "demo-converted.mov"; }
    std::string viewHint() const override {
        return "ffplay %s; mvd info %s (made by: mvd convert " + m_capturePath + " %s)";
    }

    void begin(const mvddemo::DemoScene&, const std::string& path) override { m_path = path; }
    void frame(const mvddemo::DemoScene&) override {}
    void end() override {
        MutedStdout muted;
        MVRCReader reader;
        reader.convertToMOV(m_capturePath.c_str(), m_path.c_str());
    }

  private:
    std::string m_capturePath;
    std::string m_path;
};

class SwfRecorder : public DemoRecorder {
  public:
    std::string fileName() const override { return "demo.swf"; }
    std::string viewHint() const override {
        return "mvd info %s; in Ruffle (headless Chromium), from the source folder: node "
               "Tests/Harness/render_swf.mjs %s --out swf-frames --frames 1,200 --png "
               "--renderer canvas --timeout 300";
    }

    void begin(const mvddemo::DemoScene& scene, const std::string& path) override {
        const mvddemo::DemoSettings& s = scene.settings();
        m_swf = std::make_unique<SwfExport>(path, static_cast<uint32_t>(s.width),
                                            static_cast<uint32_t>(s.height), s.framesPerSecond,
                                            SwfSettings{}, SwfSound{s.sampleRate, 1});
    }

    void frame(const mvddemo::DemoScene& scene) override {
        SceneFrame frame(scene);
        SceneCursor cursor(scene);
        m_swf->frame(*frame.image(), scene.audio(), cursor.image(), cursor.area());
    }

    void end() override { m_swf->close(); }

  private:
    std::unique_ptr<SwfExport> m_swf;
};

}  // namespace

std::unique_ptr<DemoRecorder> MakeCaptureMovieRecorder() {
    return std::make_unique<CaptureMovieRecorder>();
}

std::unique_ptr<DemoRecorder> MakeLiveMovieRecorder() {
    return std::make_unique<LiveMovieRecorder>();
}

std::unique_ptr<DemoRecorder> MakeConvertedMovieRecorder(const std::string& capturePath) {
    return std::make_unique<ConvertedMovieRecorder>(capturePath);
}

std::unique_ptr<DemoRecorder> MakeSwfRecorder() {
    return std::make_unique<SwfRecorder>();
}

std::unique_ptr<DemoRecorder> MakeCaptureRecorder() {
    return std::make_unique<CaptureRecorder>();
}

}  // namespace mvd
