// The demo scene's frame and cursor in the library's types.
#pragma once

#include <memory>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "DemoScene.h"
#include "MVDCommon/MVDImage.h"

namespace mvd {

tagMVDImageFormat SceneFormat(const mvddemo::DemoScene& scene);

// The current frame as an image over the scene's pixels (not copied; the
// library only reads them) with its dirty rectangles.
class SceneFrame {
  public:
    explicit SceneFrame(const mvddemo::DemoScene& scene);
    MVDImage* image() { return &m_image; }
    unsigned int rectCount() const { return static_cast<unsigned int>(m_rects.size()); }
    CGRect* rects() { return m_rects.data(); }

  private:
    MVDImage m_image;
    std::vector<CGRect> m_rects;
};

// The cursor sprite as a 'BGRA' image and where it is drawn.
class SceneCursor {
  public:
    explicit SceneCursor(const mvddemo::DemoScene& scene);
    MVDImage* image() { return &m_image; }
    CGRect rect() const { return m_rect; }
    tagMVDRect area() const { return m_area; }

  private:
    MVDImage m_image;
    CGRect m_rect;
    tagMVDRect m_area;
};

// The scene as capture files hold frames: the screen's bottom line first,
// with rectangles and the cursor (its image upside down too) measured from
// the bottom.  The frame is kept up to date by copying only the rectangles
// that changed.
class CaptureView {
  public:
    explicit CaptureView(const mvddemo::DemoScene& scene);
    // Takes the scene's current frame.
    void update(const mvddemo::DemoScene& scene);

    MVDImage* image() { return m_image.get(); }
    unsigned int rectCount() const { return static_cast<unsigned int>(m_rects.size()); }
    CGRect* rects() { return m_rects.data(); }
    MVDImage* cursor() { return m_cursor.get(); }
    CGRect cursorRect() const { return m_cursorRect; }

  private:
    std::unique_ptr<MVDImage> m_image;
    std::vector<unsigned char> m_cursorPixels;
    std::unique_ptr<MVDImage> m_cursor;
    std::vector<CGRect> m_rects;
    CGRect m_cursorRect{};
};

}  // namespace mvd
