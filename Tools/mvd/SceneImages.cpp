#include "SceneImages.h"

#include <cstring>

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

namespace {

// The rectangle measured from the bottom of a picture of this height.
mvddemo::Rect FromBottom(const mvddemo::Rect& r, int32_t height) {
    return {r.x, height - r.y - r.height, r.width, r.height};
}

}  // namespace

CaptureView::CaptureView(const mvddemo::DemoScene& scene) {
    tagMVDImageFormat format = SceneFormat(scene);
    m_image = std::make_unique<MVDImage>(&format);
    const mvddemo::CursorSprite& sprite = scene.cursor();
    const size_t row = size_t(sprite.width) * 4;
    m_cursorPixels.resize(sprite.pixels.size());
    for (int32_t y = 0; y < sprite.height; ++y) {
        std::memcpy(m_cursorPixels.data() + size_t(sprite.height - 1 - y) * row,
                    sprite.pixels.data() + size_t(y) * row, row);
    }
    m_cursor = std::make_unique<MVDImage>(static_cast<unsigned>(sprite.width),
                                          static_cast<unsigned>(sprite.height),
                                          kMVDPixelFormat32BGRA, 4, m_cursorPixels.data());
}

void CaptureView::update(const mvddemo::DemoScene& scene) {
    const mvddemo::Canvas& frame = scene.frame();
    const int32_t height = frame.height();
    const size_t row = frame.rowBytes();
    m_rects.clear();
    for (const mvddemo::Rect& r : scene.dirtyRects()) {
        for (int32_t y = r.y; y < r.bottom(); ++y) {
            std::memcpy(m_image->m_pData + size_t(height - 1 - y) * row + size_t(r.x) * 4,
                        frame.data() + size_t(y) * row + size_t(r.x) * 4, size_t(r.width) * 4);
        }
        m_rects.push_back(ToCGRect(FromBottom(r, height)));
    }
    m_cursorRect = ToCGRect(FromBottom(scene.cursorRect(), height));
}

}  // namespace mvd
