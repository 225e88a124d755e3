#include "SWF/FFillStyle.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

constexpr uint32_t kFillSolid = 0x00;
constexpr uint32_t kFillLinearGradient = 0x10;
constexpr uint32_t kFillRadialGradient = 0x12;
constexpr uint32_t kFillTiledBitmap = 0x40;
constexpr uint32_t kFillClippedBitmap = 0x41;
constexpr uint32_t kFillNotSmoothed = 0x02;  // added to the bitmap types

template <typename T>
std::unique_ptr<T> Required(T* value, const char* what) {
    if (value == nullptr) {
        throw std::invalid_argument(what);
    }
    return std::unique_ptr<T>(value);
}

// A null matrix stands for the identity.
std::unique_ptr<FMatrix> MatrixOrIdentity(FMatrix* matrix) {
    return std::unique_ptr<FMatrix>(matrix != nullptr ? matrix : new FMatrix());
}

uint32_t GradientType(bool linear) {
    return linear ? kFillLinearGradient : kFillRadialGradient;
}

uint32_t BitmapType(bool tiled, bool smoothed) {
    return (tiled ? kFillTiledBitmap : kFillClippedBitmap) | (smoothed ? 0u : kFillNotSmoothed);
}

}  // namespace

FFillStyleSolid::FFillStyleSolid(FColor* color) : m_color(Required(color, "fill needs a colour")) {}

void FFillStyleSolid::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(kFillSolid);
    m_color->WriteToSWFStream(stream);
}

void FFillStyleSolid::UseAlpha(bool alpha) {
    m_color->AlphaChannel(alpha);
}

FFillStyleGradient::FFillStyleGradient(int linear, FMatrix* matrix, FGradient* gradient)
    : m_linear(linear != 0),
      m_matrix(MatrixOrIdentity(matrix)),
      m_gradient(Required(gradient, "gradient fill needs a gradient")) {}

void FFillStyleGradient::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(GradientType(m_linear));
    m_matrix->WriteToSWFStream(stream);
    m_gradient->WriteToSWFStream(stream);
}

void FFillStyleGradient::UseAlpha(bool alpha) {
    m_gradient->UseAlpha(alpha);
}

FFillStyleBitmap::FFillStyleBitmap(int tiled, uint16_t bitmapID, FMatrix* matrix)
    : FFillStyleBitmap(tiled, 1, bitmapID, matrix) {}

FFillStyleBitmap::FFillStyleBitmap(int tiled, int smoothed, uint16_t bitmapID, FMatrix* matrix)
    : m_tiled(tiled != 0),
      m_smoothed(smoothed != 0),
      m_bitmapID(bitmapID),
      m_matrix(MatrixOrIdentity(matrix)) {}

void FFillStyleBitmap::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(BitmapType(m_tiled, m_smoothed));
    stream->WriteWord(m_bitmapID);
    m_matrix->WriteToSWFStream(stream);
}

FMorphFillStyleSolid::FMorphFillStyleSolid(FColor* startColor, FColor* endColor)
    : m_startColor(Required(startColor, "morph fill needs colours")),
      m_endColor(Required(endColor, "morph fill needs colours")) {}

void FMorphFillStyleSolid::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(kFillSolid);
    m_startColor->WriteToSWFStream(stream);
    m_endColor->WriteToSWFStream(stream);
}

void FMorphFillStyleSolid::UseAlpha(bool alpha) {
    m_startColor->AlphaChannel(alpha);
    m_endColor->AlphaChannel(alpha);
}

FMorphFillStyleGradient::FMorphFillStyleGradient(int linear, FMatrix* startMatrix,
                                                 FMatrix* endMatrix, FGradient* gradient)
    : m_linear(linear != 0),
      m_startMatrix(MatrixOrIdentity(startMatrix)),
      m_endMatrix(MatrixOrIdentity(endMatrix)),
      m_gradient(Required(gradient, "gradient fill needs a gradient")) {}

void FMorphFillStyleGradient::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(GradientType(m_linear));
    m_startMatrix->WriteToSWFStream(stream);
    m_endMatrix->WriteToSWFStream(stream);
    m_gradient->WriteToSWFStream(stream);
}

void FMorphFillStyleGradient::UseAlpha(bool alpha) {
    m_gradient->UseAlpha(alpha);
}

FMorphFillStyleBitmap::FMorphFillStyleBitmap(int tiled, uint16_t bitmapID, FMatrix* startMatrix,
                                             FMatrix* endMatrix)
    : m_tiled(tiled != 0),
      m_bitmapID(bitmapID),
      m_startMatrix(MatrixOrIdentity(startMatrix)),
      m_endMatrix(MatrixOrIdentity(endMatrix)) {}

void FMorphFillStyleBitmap::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(BitmapType(m_tiled, true));
    stream->WriteWord(m_bitmapID);
    m_startMatrix->WriteToSWFStream(stream);
    m_endMatrix->WriteToSWFStream(stream);
}
