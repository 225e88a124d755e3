// The demo scene's frame and cursor in the library's types.
#pragma once

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

}  // namespace mvd
