// The video path: change detection against the picture the movie shows,
// conversion of the changed rectangles into lossless bitmaps, reuse of
// identical bitmaps, and the depth list that removes covered pictures.
#include <algorithm>
#include <cstring>
#include <exception>

#include "SWF/FBitmapDeflater.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTBitmaps.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/FFillStyle.h"
#include "SWF/FObjCollection.h"
#include "SWF/FShapeRec.h"
#include "SWFExport/CSWFHelper.h"
#include "SWFExport/CSWFWriter.h"
#include "SWFExport/MD5.h"

namespace {

constexpr int32_t kTwips = 20;
constexpr int32_t kNoChange = 0x7FFFFFFF;
constexpr int32_t kScale20 = 0x140000;  // 20.0 in 16.16: one bitmap pixel per stage pixel

bool IsEmpty(const CRect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

}  // namespace

size_t CSWFWriter::DigestHash::operator()(const DigestKey& key) const {
    uint64_t value;
    std::memcpy(&value, key.digest.data(), sizeof value);
    return static_cast<size_t>(value ^ (uint64_t(uint32_t(key.width)) << 32) ^
                               uint32_t(key.height));
}

int CSWFWriter::SetSourceBitmapInfo(const tagBITMAPINFO* info) {
    std::lock_guard lock(m_mutex);
    if (info == nullptr) {
        return 0;
    }
    m_bmiSource = info->bmiHeader;
    return 1;
}

int CSWFWriter::ReceiveVideoFrame(const void* bits, int width, int height, int bytesPerPixel,
                                  int imageSize, int, CGRect*, int) {
    std::lock_guard lock(m_mutex);
    // Values that cannot describe a frame leave a depth the conversion
    // refuses.
    const bool usable = bytesPerPixel > 0 && bytesPerPixel <= 4 && imageSize >= 0;
    m_bmiSource = tagBITMAPINFOHEADER{40,
                                      width,
                                      height,
                                      1,
                                      static_cast<uint16_t>(usable ? bytesPerPixel * 8 : 0),
                                      0,
                                      static_cast<uint32_t>(usable ? imageSize : 0),
                                      0,
                                      0,
                                      0,
                                      0};
    return ReceiveVideoFrame(bits);
}

int CSWFWriter::ReceiveVideoFrame(const void* pixels) {
    std::lock_guard lock(m_mutex);
    if (m_nFramesReceived == 0) {
        PreProcessFirstAudioSampleLocked();
    }
    if (!IsOpen() || pixels == nullptr) {
        return 0;
    }
    tagBITMAPINFOHEADER& header = m_bmiSource;
    if (header.biSizeImage == 0 && header.biWidth > 0 && header.biHeight > 0) {
        const uint64_t rowBytes =
            (uint64_t{header.biBitCount} * uint64_t(header.biWidth) + 31) / 32 * 4;
        const uint64_t size = rowBytes * uint64_t(header.biHeight);
        header.biSizeImage = size <= UINT32_MAX ? static_cast<uint32_t>(size) : 0;
    }
    if (m_nFramesReceived == 0) {
        SetUpAudioVarsLocked();
        AddFrameZeroTags();
    }
    if (m_pMovie->FrameCount() < FObjCollection::kMaxFrames) {
        m_pCurrFrameBits = static_cast<const uint8_t*>(pixels);
        try {
            if (m_prevFrame.empty()) {
                StartPicture();
            } else {
                ContinuePicture();
            }
        } catch (const std::exception& error) {
            ReportFailure(error.what());
        }
        m_pCurrFrameBits = nullptr;
    }
    AddShowFrame();
    ++m_nFramesReceived;
    return 0;
}

// --- frame format -----------------------------------------------------------

bool CSWFWriter::AcceptFrameFormat() {
    const tagBITMAPINFOHEADER& h = m_bmiSource;
    const char* problem = nullptr;
    if (h.biBitCount == 8) {
        problem = "8-bit frames carry no colour table: no picture is made";
    } else if (h.biBitCount != 16 && h.biBitCount != 24 && h.biBitCount != 32) {
        problem = "frames of this pixel depth cannot be converted";
    } else if (h.biWidth <= 0 || h.biWidth > kMaxFrameSide || h.biHeight <= 0 ||
               h.biHeight > kMaxFrameSide) {
        problem = "frames must be bottom-up and 1 to 16383 pixels wide and high";
    } else if (h.biSizeImage / uint32_t(h.biHeight) < uint32_t(h.biWidth) * (h.biBitCount / 8)) {
        problem = "the frame's image size is too small for its rows";
    }
    if (problem != nullptr) {
        ReportFailure(problem);
        return false;
    }
    m_bmiFrame = h;
    m_nWidth = h.biWidth;
    m_nHeight = h.biHeight;
    m_nBitsPerPixel = h.biBitCount;
    m_nBytesPerPixel = h.biBitCount / 8;
    m_nStride = h.biSizeImage / uint32_t(h.biHeight);
    const size_t slotBytes = (size_t(m_nWidth) * 4 + 8) * (size_t(m_nHeight) + 2);
    for (size_t i = 0; i < m_bitmaps.size(); ++i) {
        m_bitmapBuffers[i] = std::make_unique<uint8_t[]>(slotBytes);
        m_bitmaps[i] = SwfBitmap{};
        m_bitmaps[i].pixels = m_bitmapBuffers[i].get();
        m_bitmaps[i].capacity = static_cast<uint32_t>(std::min<size_t>(slotBytes, UINT32_MAX));
        m_rcChange[i].SetEmpty();
    }
    return true;
}

bool CSWFWriter::SameFrameFormat() const {
    const tagBITMAPINFOHEADER& h = m_bmiSource;
    return h.biWidth == m_nWidth && h.biHeight == m_nHeight && h.biBitCount == m_nBitsPerPixel &&
           h.biSizeImage >= m_bmiFrame.biSizeImage &&
           h.biSizeImage / uint32_t(h.biHeight) == m_nStride;
}

SWFFrameView CSWFWriter::View(const uint8_t* bits) const {
    return SWFFrameView{bits, m_nStride, m_nWidth, m_nHeight, m_nBytesPerPixel};
}

// --- frames -----------------------------------------------------------------

// The first picture of a movie (also after an earlier one was refused).
void CSWFWriter::StartPicture() {
    if (AcceptFrameFormat()) {
        DrawWholeFrame();
    }
}

void CSWFWriter::ContinuePicture() {
    if (!SameFrameFormat()) {
        ReportFailure("the frame's format differs from the first frame's: no picture is made");
        return;
    }
    if (m_nCurrentDepth > kMaxPictureDepth) {
        RestartDepths();
        return;
    }
    if (ProcessNonZeroFrame()) {
        AddBitmapToSwf();
        CopyBitmapSection(m_pCurrFrameBits, m_prevFrame.data(), m_rcBounding);
    }
}

void CSWFWriter::DrawWholeFrame() {
    if (!ProcessFrameZero()) {
        return;
    }
    m_nChangeCount = 1;
    AddBitmapToSwf();
    m_prevFrame.assign(m_pCurrFrameBits, m_pCurrFrameBits + m_bmiFrame.biSizeImage);
}

// All picture depths used: every picture is removed and the whole frame
// drawn again from depth 1, in the same frame, so nothing flickers.
void CSWFWriter::RestartDepths() {
    for (const RemoveBitmapInfo& info : m_depthList) {
        m_pMovie->AddFObj(new FCTRemoveObject2(info.depth));
    }
    m_depthList.clear();
    m_nCurrentDepth = 1;
    DrawWholeFrame();
}

bool CSWFWriter::ProcessFrameZero() {
    if (m_pCurrFrameBits == nullptr) {
        ShowError("m_pCurrFrameBits is NULL while trying to encode first frame.");
        return false;
    }
    const bool converted =
        CSWFHelper::ConvertToSwfBitmap(m_pCurrFrameBits, &m_bmiFrame, &m_bitmaps[0], m_nStride);
    m_rcBounding = CRect(0, 0, m_nWidth, m_nHeight);
    AdjustBitmapRegion(&m_rcBounding);
    m_rcChange[0] = m_rcBounding;
    return converted;
}

bool CSWFWriter::ProcessNonZeroFrame() {
    if (m_pCurrFrameBits == nullptr) {
        ShowError("m_pCurrFrameBits is NULL while trying to encode frame.");
        return false;
    }
    if (m_prevFrame.empty()) {
        ShowError("m_pPrevFrameBits is NULL while trying to encode frame.");
        return false;
    }
    if (!FindRectanglesOfChange() ||
        (m_rcBounding.right == m_rcBounding.left && m_rcBounding.bottom == m_rcBounding.top) ||
        m_nChangeCount == 0) {
        return false;
    }
    return CreateSWFBitmap();
}

// --- change detection -------------------------------------------------------

bool CSWFWriter::FindRectangleOfChange(const CRect& search, CRect* result) {
    if (m_prevFrame.empty()) {
        ShowError("Invalid pointer encountered while finding change rectangle");
        result->CopyRect(&search);
        return true;
    }
    RECT found;
    if (!FindChangedPixels(View(m_pCurrFrameBits), View(m_prevFrame.data()), search, &found)) {
        *result = CRect(kNoChange, kNoChange, 0, 0);
        return false;
    }
    result->CopyRect(&found);
    return true;
}

bool CSWFWriter::FindRectanglesOfChange() {
    for (CRect& rect : m_rcChange) {
        rect.SetEmpty();
    }
    if (!FindRectangleOfChange(CRect(0, 0, m_nWidth, m_nHeight), &m_rcBounding)) {
        m_nChangeCount = 0;
        return false;
    }
    m_rcChange[0] = m_rcBounding;
    m_nChangeCount = 1;
    const CRect& b = m_rcBounding;
    const int32_t w = b.right - b.left;
    const int32_t h = b.bottom - b.top;
    if ((w < kSplitSide && h < kSplitSide) || w < kMinSplitSide || h < kMinSplitSide) {
        return true;
    }
    // Quadrants around the centre, each shrunk to its own change, so the
    // unchanged space between spread-out changes is not encoded.
    const int32_t cx = (b.left + b.right) / 2;
    const int32_t cy = (b.top + b.bottom) / 2;
    const CRect quadrants[4] = {CRect(b.left, b.top, cx, cy), CRect(cx, b.top, b.right, cy),
                                CRect(b.left, cy, cx, b.bottom), CRect(cx, cy, b.right, b.bottom)};
    int count = 0;
    for (const CRect& quadrant : quadrants) {
        CRect found;
        if (FindRectangleOfChange(quadrant, &found)) {
            m_rcChange[count++] = found;
        }
    }
    for (int i = count; i < 4; ++i) {
        m_rcChange[i].SetEmpty();
    }
    m_nChangeCount = count;
    return true;
}

// --- bitmaps ----------------------------------------------------------------

// 16-bit rows of an odd width would not fill whole 32-bit words: an odd
// width grows by one pixel to the right (to the left at the right edge), an
// odd height by one row downward (upward at the bottom edge).
void CSWFWriter::MakeEvenFor16Bit(CRect* rect) const {
    if ((rect->right - rect->left) % 2 != 0) {
        if (rect->right < m_nWidth - 1) {
            ++rect->right;
        } else if (rect->left > 0) {
            --rect->left;
        }
    }
    if ((rect->bottom - rect->top) % 2 != 0) {
        if (rect->bottom < m_nHeight - 1) {
            ++rect->bottom;
        } else if (rect->top > 0) {
            --rect->top;
        }
    }
}

bool CSWFWriter::CreateSWFBitmap() {
    if (m_nChangeCount > 1) {
        for (int i = 0; i < m_nChangeCount; ++i) {
            CRect& rect = m_rcChange[i];
            rect.left = std::clamp(rect.left, 0, m_nWidth);
            rect.right = std::clamp(rect.right, 0, m_nWidth);
            rect.top = std::clamp(rect.top, 0, m_nHeight);
            rect.bottom = std::clamp(rect.bottom, 0, m_nHeight);
            if (!CreateOptimizedSwfBitmap(&rect, i, m_nBitsPerPixel)) {
                return false;
            }
        }
        return true;
    }
    if (m_nBitsPerPixel == 16) {
        MakeEvenFor16Bit(&m_rcBounding);
    }
    m_rcChange[0] = m_rcBounding;
    if (m_pCurrFrameBits == nullptr) {
        ShowError("m_pCurrFrameBits is NULL while trying to create SWF bitmap");
        return false;
    }
    const bool converted = ConvertSection(m_rcChange[0], 0);
    AdjustBitmapRegion(&m_rcChange[0]);
    return converted;
}

bool CSWFWriter::CreateOptimizedSwfBitmap(CRect* rect, int slot, int bitsPerPixel) {
    if (IsEmpty(*rect)) {
        rect->SetEmpty();
        return true;
    }
    if (bitsPerPixel == 16) {
        MakeEvenFor16Bit(rect);
    }
    const bool converted = ConvertSection(*rect, slot);
    AdjustBitmapRegion(rect);
    return converted;
}

// Converts the rectangle of the current frame straight from the frame's
// rows into the slot.
bool CSWFWriter::ConvertSection(const CRect& rect, int slot) {
    tagBITMAPINFOHEADER header = m_bmiFrame;
    header.biWidth = rect.right - rect.left;
    header.biHeight = rect.bottom - rect.top;
    header.biSizeImage = 0;
    const uint8_t* bottomRow = m_pCurrFrameBits + size_t(m_nHeight - rect.bottom) * m_nStride +
                               size_t(rect.left) * m_nBytesPerPixel;
    return CSWFHelper::ConvertToSwfBitmap(bottomRow, &header, &m_bitmaps[slot], m_nStride);
}

// Copies the rectangle of `source` to the same place in `destination`, as
// one block from its first byte to its last.  The whole rows in between
// agree outside the rectangle, which bounds every change.
void CSWFWriter::CopyBitmapSection(const uint8_t* source, uint8_t* destination, const CRect& rect) {
    if (IsEmpty(rect)) {
        return;
    }
    const size_t first =
        size_t(m_nHeight - rect.bottom) * m_nStride + size_t(rect.left) * m_nBytesPerPixel;
    const size_t end =
        size_t(m_nHeight - 1 - rect.top) * m_nStride + size_t(rect.right) * m_nBytesPerPixel;
    std::memcpy(destination + first, source + first, end - first);
}

uint16_t CSWFWriter::BitmapIDFor(int slot) {
    SwfBitmap& bitmap = m_bitmaps[slot];
    DigestKey key{{}, bitmap.width, bitmap.height};
    MD5_CTX context;
    MD5_Init(&context);
    MD5_Update(&context, bitmap.pixels, bitmap.dataSize);
    MD5_Final(key.digest.data(), &context);
    if (const auto found = m_bitmapIndex.find(key); found != m_bitmapIndex.end()) {
        return m_bitmapCache[found->second].characterID;
    }

    CSWFHelper::SwapBitsInBitmap(&bitmap);
    const uint32_t format = bitmap.bitCount == 8 ? 3 : bitmap.bitCount == 16 ? 4 : 5;
    FDT* tag = nullptr;
    if (bitmap.bitCount == 16) {
        tag = new FDTDefineBitsLossless(format, bitmap.width, bitmap.height, 0, nullptr,
                                        bitmap.pixels, m_bitmapDeflater.get());
    } else {
        tag = new FDTDefineBitsLossless2(format, bitmap.width, bitmap.height, 0, nullptr,
                                         bitmap.pixels, m_bitmapDeflater.get());
    }
    const uint16_t id = tag->ID();
    m_pMovie->AddFObj(tag);
    m_bitmapIndex.emplace(key, m_bitmapCache.size());
    m_bitmapCache.push_back(BitmapCacheEntry{id, bitmap.width, bitmap.height, key.digest});
    return id;
}

// The frame's bitmaps (new ones defined, known ones found by digest), one
// shape drawing each over its rectangle, placed on the current depth.
void CSWFWriter::AddBitmapObjectsToSwf() {
    const int32_t shift = m_SWFConfig.m_nSWFVersion == 6 ? kTwips : 0;
    struct Piece {
        const CRect* rect;
        const SwfBitmap* bitmap;
        uint16_t bitmapID;
        uint32_t fill = 0;
    };
    std::vector<Piece> pieces;
    CRect bounds;
    for (int i = 0; i < m_nChangeCount; ++i) {
        const CRect& rect = m_rcChange[i];
        if (IsEmpty(rect)) {
            continue;
        }
        pieces.push_back(Piece{&rect, &m_bitmaps[i], BitmapIDFor(i)});
        if (pieces.size() == 1) {
            bounds = rect;
        } else {
            bounds =
                CRect(std::min(bounds.left, rect.left), std::min(bounds.top, rect.top),
                      std::max(bounds.right, rect.right), std::max(bounds.bottom, rect.bottom));
        }
    }
    if (pieces.empty()) {
        return;
    }

    auto* shape = new FDTDefineShape3(new FRect(bounds.left * kTwips, bounds.top * kTwips,
                                                bounds.right * kTwips, bounds.bottom * kTwips));
    m_pMovie->AddFObj(shape);
    for (Piece& piece : pieces) {
        piece.fill = shape->AddFillStyle(new FFillStyleBitmap(
            0, piece.bitmapID,
            new FMatrix(1, kScale20, kScale20, 0, 0, 0, piece.rect->left * kTwips - shift,
                        piece.rect->top * kTwips - shift)));
    }
    shape->FinishStyleArrays();
    for (const Piece& piece : pieces) {
        const CRect& rect = *piece.rect;
        const int32_t w = piece.bitmap->width * kTwips;
        const int32_t h = piece.bitmap->height * kTwips;
        shape->AddShapeRec(new FShapeRecChange(0, 0, 1, 0, 1, rect.right * kTwips,
                                               rect.bottom * kTwips, 0, piece.fill, 0, nullptr,
                                               nullptr));
        shape->AddShapeRec(new FShapeRecEdgeStraight(-w, 0));
        shape->AddShapeRec(new FShapeRecEdgeStraight(0, -h));
        shape->AddShapeRec(new FShapeRecEdgeStraight(w, 0));
        shape->AddShapeRec(new FShapeRecEdgeStraight(0, h));
    }
    shape->AddShapeRec(new FShapeRecEnd());
    m_pMovie->AddFObj(new FCTPlaceObject2(0, 0, 1, 0, static_cast<uint16_t>(m_nCurrentDepth),
                                          shape->ID(), new FMatrix(), nullptr, 0, nullptr, 0));
}

// Draws the frame's bitmaps on the current depth and removes every older
// picture that the new one covers completely.
void CSWFWriter::AddBitmapToSwf() {
    AddBitmapObjectsToSwf();
    SWFRegion drawn;
    for (int i = 0; i < m_nChangeCount; ++i) {
        drawn.Unite(m_rcChange[i]);
    }
    for (RemoveBitmapInfo& info : m_depthList) {
        info.region.Subtract(drawn);
        if (info.region.IsEmpty()) {
            m_pMovie->AddFObj(new FCTRemoveObject2(info.depth));
        }
    }
    std::erase_if(m_depthList, [](const RemoveBitmapInfo& info) { return info.region.IsEmpty(); });
    m_depthList.push_back(RemoveBitmapInfo{static_cast<uint16_t>(m_nCurrentDepth), drawn});
    ++m_nCurrentDepth;
}

// --- the rest of the interface ----------------------------------------------

RECT* CSWFWriter::AdjustBitmapRegion(RECT* rect) {
    std::lock_guard lock(m_mutex);
    if (rect != nullptr && m_SWFConfig.m_nSWFVersion == 6) {
        ++rect->left;
        ++rect->top;
        ++rect->right;
        ++rect->bottom;
    }
    return rect;
}

int CSWFWriter::ConvertBitmapToJPEG(const void*, const tagBITMAPINFOHEADER*, uint8_t** jpeg,
                                    uint32_t* length) {
    if (jpeg != nullptr) {
        *jpeg = nullptr;
    }
    if (length != nullptr) {
        *length = 0;
    }
    return 0;
}

int CSWFWriter::CreateSWFJPEG(const void*, const tagBITMAPINFOHEADER*, const RECT*) {
    return 0;
}

int CSWFWriter::AddBitmap(const SwfBitmap*, const RECT*) {
    return 0;
}

int CSWFWriter::AddBitmap(const uint8_t*, uint32_t, const RECT*) {
    return 0;
}
