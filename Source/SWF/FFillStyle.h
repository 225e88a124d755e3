// Fill styles of shapes (solid, gradient, bitmap) and of morph shapes.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FColor.h"
#include "SWF/FGradient.h"
#include "SWF/FMatrix.h"

class FSWFStream;

class FAFillStyle {
  public:
    virtual ~FAFillStyle() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
    // Whether colours are written with alpha; the shape tag decides.
    virtual void UseAlpha(bool) {}
};

class FFillStyle : public FAFillStyle {};

// Type 0x00 and a colour.  Owns the colour.
class FFillStyleSolid : public FFillStyle {
  public:
    explicit FFillStyleSolid(FColor* color);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    std::unique_ptr<FColor> m_color;
};

// Type 0x10 (linear) or 0x12 (radial), the gradient matrix (mapping the
// gradient square -16384..16384 to the shape) and the gradient.  Owns both.
class FFillStyleGradient : public FFillStyle {
  public:
    FFillStyleGradient(int linear, FMatrix* matrix, FGradient* gradient);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    bool m_linear;
    std::unique_ptr<FMatrix> m_matrix;
    std::unique_ptr<FGradient> m_gradient;
};

// Type 0x40 tiled, 0x41 clipped (both smoothed), 0x42 tiled, 0x43 clipped
// (both not smoothed); the bitmap ID and the bitmap matrix (bitmap pixels to
// twips).  Owns the matrix.
class FFillStyleBitmap : public FFillStyle {
  public:
    FFillStyleBitmap(int tiled, uint16_t bitmapID, FMatrix* matrix);
    FFillStyleBitmap(int tiled, int smoothed, uint16_t bitmapID, FMatrix* matrix);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    bool m_tiled;
    bool m_smoothed;
    uint16_t m_bitmapID;
    std::unique_ptr<FMatrix> m_matrix;
};

class FMorphFillStyle : public FAFillStyle {};

class FMorphFillStyleSolid : public FMorphFillStyle {
  public:
    FMorphFillStyleSolid(FColor* startColor, FColor* endColor);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    std::unique_ptr<FColor> m_startColor;
    std::unique_ptr<FColor> m_endColor;
};

// The gradient holds FMorphGradRecord records.
class FMorphFillStyleGradient : public FMorphFillStyle {
  public:
    FMorphFillStyleGradient(int linear, FMatrix* startMatrix, FMatrix* endMatrix,
                            FGradient* gradient);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    bool m_linear;
    std::unique_ptr<FMatrix> m_startMatrix;
    std::unique_ptr<FMatrix> m_endMatrix;
    std::unique_ptr<FGradient> m_gradient;
};

// Type 0x40 when tiled, else 0x41.
class FMorphFillStyleBitmap : public FMorphFillStyle {
  public:
    FMorphFillStyleBitmap(int tiled, uint16_t bitmapID, FMatrix* startMatrix, FMatrix* endMatrix);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    bool m_tiled;
    uint16_t m_bitmapID;
    std::unique_ptr<FMatrix> m_startMatrix;
    std::unique_ptr<FMatrix> m_endMatrix;
};
