#include "SceneImages.h"

namespace mvd {

namespace {

CGRect ToCGRect(const mvddemo::Rect& r) {
    return CGRectMake(static_cast<CGFloat>(r.x), static_cast<CGFloat>(r.y),
                      static_cast<CGFloat>(r.width), static_cast<CGFloat>(r.height));
}

unsigned char* Writable(const uint8_t* pixels) {
    // MVDImage takes a writable pointer; the writers only read frames.
    return const_cast<unsigned char*>(pixels);
}

}  // namespace

tagMVDImageFormat SceneFormat(const mvddemo::DemoScene& scene) {
    return {static_cast<uint32_t>(scene.settings().width),
            static_cast<uint32_t>(scene.settings().height), kMVDPixelFormat32BGRA, 4};
}

SceneFrame::SceneFrame(const mvddemo::DemoScene& scene)
    : m_image(static_cast<unsigned>(scene.frame().width()),
              static_cast<unsigned>(scene.frame().height()), kMVDPixelFormat32BGRA, 4,
              Writable(scene.frame().data())) {
    for (const mvddemo::Rect& r : scene.dirtyRects()) {
        m_rects.push_back(ToCGRect(r));
    }
}

SceneCursor::SceneCursor(const mvddemo::DemoScene& scene)
    : m_image(static_cast<unsigned>(scene.cursor().width),
              static_cast<unsigned>(scene.cursor().height), kMVDPixelFormat32BGRA, 4,
              Writable(scene.cursor().pixels.data())),
      m_rect(ToCGRect(scene.cursorRect())),
      m_area{scene.cursorRect().x, scene.cursorRect().y, scene.cursorRect().width,
             scene.cursorRect().height} {}

}  // namespace mvd
