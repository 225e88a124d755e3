#include "DemoRecorders.h"

#include "Capture/MVRCWriter.h"
#include "SceneImages.h"
#include "SwfExport.h"

namespace mvd {

namespace {

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
        m_cursorSent = false;
    }

    void frame(const mvddemo::DemoScene& scene) override {
        SceneFrame frame(scene);
        // The cursor image never changes: it is sent with the first frame
        // and later frames only move it.
        SceneCursor cursor(scene);
        m_writer.writeFrame(1, m_rate, frame.image(), frame.rectCount(), frame.rects(),
                            m_cursorSent ? nullptr : cursor.image(), cursor.rect());
        m_cursorSent = true;
    }

    void end() override { m_writer.closeFile(); }

  private:
    MVRCWriter m_writer;
    float m_rate = 0;
    bool m_cursorSent = false;
};

class SwfRecorder : public DemoRecorder {
  public:
    std::string fileName() const override { return "demo.swf"; }
    std::string viewHint() const override {
        return "mvd info %s; open it in a browser with the Ruffle extension";
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

std::unique_ptr<DemoRecorder> MakeSwfRecorder() {
    return std::make_unique<SwfRecorder>();
}

std::unique_ptr<DemoRecorder> MakeCaptureRecorder() {
    return std::make_unique<CaptureRecorder>();
}

}  // namespace mvd
