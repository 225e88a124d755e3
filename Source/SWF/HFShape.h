// Drawable shapes of the high-level scene: rectangles, ovals, circles,
// polygons and bitmaps, with an outline and a solid, gradient or bitmap
// fill.  Each is defined as a DefineShape3 around its own origin (the top
// left of its box) and placed at its position.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FColor.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/HFObject.h"

class HFShape : public HFObject {
  public:
    ~HFShape() override;

    // Outline: 20 twips of opaque black by default; width 0 draws none.
    void SetLineColor(FRGBA color);
    void SetLineWidth(uint32_t width);
    // Fills: opaque white by default.
    void SetSolidFill(FRGBA color);
    void SetNoFill();
    // Gradients from colour stops (ratio 0 at the start, 255 at the end;
    // up to 15 stops).  A linear gradient runs left to right across the
    // box, a radial one from the centre out to the box's edges; the centre
    // (relative to the box, default its middle) moves either.
    void SetLinearFill();
    void SetRadialFill();
    void AddLinearFillColor(FRGBA color, uint8_t ratio);
    void AddRadialFillColor(FRGBA color, uint8_t ratio);
    void SetLinearFillCenter(int32_t x, int32_t y);
    void SetRadialFillCenter(int32_t x, int32_t y);
    // Bitmap fills, one bitmap pixel per screen pixel at fill scale 1.0,
    // starting at the box's top left and not repeated.  The data is copied.
    // A complete JPEG file (its pixel size given) or lossless pixels in the
    // formats of DefineBitsLossless (3, 4 or 5, rows padded to 32 bits;
    // with alpha: DefineBitsLossless2).
    void SetBitmapFillJpeg(const uint8_t* jpeg, uint32_t length, uint32_t pixelWidth,
                           uint32_t pixelHeight);
    void SetBitmapFillLossless(uint32_t format, uint32_t pixelWidth, uint32_t pixelHeight,
                               int32_t colorTableSize, const FRGBA* colorTable, const void* pixels,
                               bool alpha);
    // Bitmap scale in 16.16 fixed point (0x10000 = 1.0).
    void SetFillScale(int32_t scaleX, int32_t scaleY);

    // Definitions, then a placement at the shape's position.
    void AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) override;
    // The definitions only (for buttons, which place their shapes
    // themselves); nothing when already defined in this movie.
    void AddDefinitions(std::list<FObj*>* objects, HFMovie* movie);
    bool HasMatrix() override { return m_x != 0 || m_y != 0; }
    FMatrix* CreateMatrix() override;

    int32_t X() const { return m_x; }
    int32_t Y() const { return m_y; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

  protected:
    HFShape(int32_t x, int32_t y, int32_t width, int32_t height);

    void SetBounds(int32_t x, int32_t y, int32_t width, int32_t height);
    // A DefineShape3 with this shape's fill and line styles, finished; the
    // style indices are returned (0: none).
    FDTDefineShape3* FillShapeHeader(uint16_t bitmapID, uint32_t* fillIndex, uint32_t* lineIndex);
    // The outline records relative to the box's top left.  The default
    // draws the box clockwise.
    virtual void AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex);
    // Appends this object's own definition tags; returns the ID placed.
    virtual uint16_t CreateDefinitions(std::list<FObj*>* objects);
    // Definitions of other objects this one uses (a text's font), appended
    // before its own.
    virtual void AddRequiredDefinitions(std::list<FObj*>*, HFMovie*) {}

  private:
    enum class Fill { kNone, kSolid, kLinear, kRadial, kJpeg, kLossless };
    struct Bitmap;

    FFillStyle* CreateFillStyle(uint16_t bitmapID) const;
    FDT* CreateBitmap() const;
    void SetGradient(Fill kind);
    void AddGradientColor(Fill kind, FRGBA color, uint8_t ratio);

    int32_t m_x;
    int32_t m_y;
    int32_t m_width;
    int32_t m_height;
    uint32_t m_lineWidth = 20;
    FRGBA m_lineColor{0xFF000000};
    Fill m_fill = Fill::kSolid;
    FRGBA m_fillColor{0xFFFFFFFF};
    std::vector<std::pair<FRGBA, uint8_t>> m_gradientStops;
    bool m_centerSet = false;
    int32_t m_centerX = 0;
    int32_t m_centerY = 0;
    int32_t m_fillScaleX = 0x10000;
    int32_t m_fillScaleY = 0x10000;
    std::unique_ptr<Bitmap> m_bitmap;
};

class HFRectangle : public HFShape {
  public:
    HFRectangle(int32_t x, int32_t y, int32_t width, int32_t height);
};

// An ellipse filling its box, drawn with eight curves.
class HFOval : public HFShape {
  public:
    HFOval(int32_t x, int32_t y, int32_t width, int32_t height);

  protected:
    void AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) override;
};

class HFCircle : public HFOval {
  public:
    HFCircle(int32_t centerX, int32_t centerY, int32_t radius);
};

// A rectangle the size of a bitmap, filled with it, without outline.
class HFBitmap : public HFRectangle {
  public:
    // 32-bit pixels, four bytes each: alpha (or 0xFF), red, green, blue;
    // with alpha, the colour bytes are premultiplied by it.
    HFBitmap(int32_t x, int32_t y, uint32_t pixelWidth, uint32_t pixelHeight, const uint8_t* argb,
             bool alpha = false);
};

// A closed outline through absolute points: straight lines and quadratic
// curves from a start point.  The last point joins the first.
class HFPolygon : public HFShape {
  public:
    HFPolygon(int32_t startX, int32_t startY);
    void AddStraightLine(int32_t x, int32_t y);
    void AddCurvedLine(int32_t controlX, int32_t controlY, int32_t anchorX, int32_t anchorY);
    // The box around every point (done again when the shape is defined).
    void CalculateAndSetBounds();
    // The records of the outline relative to the box, with fill style 1 on
    // the inside whichever way the points turn.
    void CreateFShape(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex);

  protected:
    void AddOutline(FDTDefineShape3* shape, uint32_t fillIndex, uint32_t lineIndex) override;

  private:
    struct Segment {
        bool curved;
        int32_t controlX, controlY;
        int32_t x, y;
    };
    int32_t m_startX;
    int32_t m_startY;
    std::vector<Segment> m_segments;
};
