#include "Support/SwfScreenModel.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "SWF/SwfBytes.h"

namespace mvdtest {

namespace {

using swftest::BitReader;

enum : int {
    kShowFrame = 1,
    kDefineShape = 2,
    kDefineBitsLossless = 20,
    kDefineShape2 = 22,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineBitsLossless2 = 36,
};

struct WalkState {
    SwfFileTags* out;
    unsigned long long previousEnd;
};

void CollectTag(SWFParse::ISWFIterator& it, int code, int length, unsigned long long user) {
    auto* state = reinterpret_cast<WalkState*>(user);
    SwfFileTag tag;
    tag.code = code;
    tag.frame = state->out->showFrames;
    const unsigned long long bodyPos = it.GetPos();
    tag.headerSize = static_cast<int>(bodyPos - state->previousEnd);
    tag.body.resize(static_cast<size_t>(length));
    if (length > 0) {
        it.ReadBytes(bodyPos, tag.body.data(), length);
    }
    state->previousEnd = bodyPos + static_cast<unsigned long long>(length);
    state->out->tags.push_back(std::move(tag));
    if (code == kShowFrame) {
        ++state->out->showFrames;
    }
}

void ReadRect(BitReader& r, int32_t* left, int32_t* right, int32_t* top, int32_t* bottom) {
    const uint32_t n = r.Bits(5);
    *left = r.Signed(n);
    *right = r.Signed(n);
    *top = r.Signed(n);
    *bottom = r.Signed(n);
    r.Align();
}

struct Matrix {
    int32_t scaleX = 0x10000, scaleY = 0x10000, translateX = 0, translateY = 0;
    bool rotates = false;
};

Matrix ReadMatrix(BitReader& r) {
    Matrix m;
    if (r.Bits(1) == 1) {
        const uint32_t n = r.Bits(5);
        m.scaleX = r.Signed(n);
        m.scaleY = r.Signed(n);
    }
    if (r.Bits(1) == 1) {
        const uint32_t n = r.Bits(5);
        m.rotates = r.Signed(n) != 0;
        m.rotates = r.Signed(n) != 0 || m.rotates;
    }
    const uint32_t n = r.Bits(5);
    m.translateX = r.Signed(n);
    m.translateY = r.Signed(n);
    r.Align();
    return m;
}

std::array<uint8_t, 3> ReadColor(BitReader& r, bool alpha) {
    std::array<uint8_t, 3> rgb{static_cast<uint8_t>(r.U8()), static_cast<uint8_t>(r.U8()),
                               static_cast<uint8_t>(r.U8())};
    if (alpha) {
        r.U8();
    }
    return rgb;
}

uint32_t ReadCount(BitReader& r) {
    const uint32_t count = r.U8();
    return count == 0xFF ? r.U16() : count;
}

}  // namespace

std::vector<const SwfFileTag*> SwfFileTags::Find(int code) const {
    std::vector<const SwfFileTag*> found;
    for (const SwfFileTag& tag : tags) {
        if (tag.code == code) {
            found.push_back(&tag);
        }
    }
    return found;
}

SwfFileTags ReadSwfFileTags(const std::string& path) {
    SwfFileTags result;
    SWFParse::CFileSource source;
    if (!source.OpenExisting(CString(path.c_str()), false)) {
        throw std::runtime_error("cannot open " + path);
    }
    try {
        result.header = SWFParse::ReadSWFHeader(source);
        if (result.header.signature != SWFParse::kSWFSignature) {
            throw std::runtime_error(path + " is not an uncompressed SWF file");
        }
        WalkState state{&result, source.GetPos()};
        SWFParse::LoopThroughTags(source, CollectTag, nullptr,
                                  reinterpret_cast<unsigned long long>(&state));
    } catch (const CFileException&) {
        throw std::runtime_error(path + " is damaged");
    }
    return result;
}

// --- the display list --------------------------------------------------------

void SwfScreenModel::Apply(const SwfFileTag& tag) {
    switch (tag.code) {
        case kDefineBitsLossless:
        case kDefineBitsLossless2:
            DefineBitmap(tag.body, tag.code == kDefineBitsLossless2);
            break;
        case kDefineShape:
        case kDefineShape2:
        case kDefineShape3:
            DefineShape(tag.body, tag.code == kDefineShape3);
            break;
        case kPlaceObject2:
            Place(tag.body);
            break;
        case kRemoveObject2:
            m_displayList.erase(static_cast<int>(tag.body.at(0) | tag.body.at(1) << 8));
            break;
        default:
            break;
    }
}

void SwfScreenModel::DefineBitmap(const std::vector<uint8_t>& body, bool alpha) {
    BitReader r(body);
    const int id = static_cast<int>(r.U16());
    const uint32_t format = r.U8();
    SwfModelBitmap bitmap;
    bitmap.width = static_cast<int>(r.U16());
    bitmap.height = static_cast<int>(r.U16());
    if (format != 4 && format != 5) {
        throw std::runtime_error("only 16- and 32-bit lossless bitmaps are modelled");
    }
    const size_t rowBytes =
        format == 4 ? (size_t(bitmap.width) * 2 + 3) & ~size_t{3} : size_t(bitmap.width) * 4;
    std::vector<uint8_t> raw(rowBytes * size_t(bitmap.height));
    uLongf rawLength = static_cast<uLongf>(raw.size());
    const size_t dataStart = r.BytePos();
    if (uncompress(raw.data(), &rawLength, body.data() + dataStart, body.size() - dataStart) !=
            Z_OK ||
        rawLength != raw.size()) {
        throw std::runtime_error("bitmap data does not inflate to its size");
    }
    bitmap.rgb.resize(size_t(bitmap.width) * size_t(bitmap.height) * 3);
    for (int y = 0; y < bitmap.height; ++y) {
        const uint8_t* in = raw.data() + size_t(y) * rowBytes;
        uint8_t* out = bitmap.rgb.data() + size_t(y) * size_t(bitmap.width) * 3;
        for (int x = 0; x < bitmap.width; ++x, out += 3) {
            if (format == 5) {
                if (alpha && in[4 * x] != 0xFF) {
                    throw std::runtime_error("bitmap pixel not opaque");
                }
                std::copy(in + 4 * x + 1, in + 4 * x + 4, out);
            } else {
                const uint32_t v = uint32_t(in[2 * x]) << 8 | in[2 * x + 1];
                const uint32_t channels[3] = {v >> 10 & 31, v >> 5 & 31, v & 31};
                for (int c = 0; c < 3; ++c) {
                    out[c] = static_cast<uint8_t>(channels[c] << 3 | channels[c] >> 2);
                }
            }
        }
    }
    m_bitmaps[id] = std::move(bitmap);
}

void SwfScreenModel::DefineShape(const std::vector<uint8_t>& body, bool alpha) {
    BitReader r(body);
    const int id = static_cast<int>(r.U16());
    SwfModelShape shape;
    ReadRect(r, &shape.boundsLeft, &shape.boundsRight, &shape.boundsTop, &shape.boundsBottom);
    std::vector<SwfModelPiece> fills(1);  // index 0: no fill
    for (uint32_t count = ReadCount(r); count > 0; --count) {
        SwfModelPiece fill{};
        const uint32_t type = r.U8();
        if (type == 0x00) {
            fill.color = ReadColor(r, alpha);
        } else if (type >= 0x40 && type <= 0x43) {
            fill.bitmapID = static_cast<int>(r.U16());
            const Matrix m = ReadMatrix(r);
            if (m.rotates) {
                throw std::runtime_error("rotated bitmap fills are not modelled");
            }
            fill.scaleX = m.scaleX;
            fill.scaleY = m.scaleY;
            fill.translateX = m.translateX;
            fill.translateY = m.translateY;
        } else {
            throw std::runtime_error("gradient fills are not modelled");
        }
        fills.push_back(fill);
    }
    for (uint32_t count = ReadCount(r); count > 0; --count) {
        r.U16();
        ReadColor(r, alpha);
    }
    const uint32_t fillBits = r.Bits(4);
    const uint32_t lineBits = r.Bits(4);

    // Each outline becomes the rectangle it bounds, filled with its fill;
    // outlines that are not rectangles make the shape unusable for drawing.
    int32_t penX = 0, penY = 0;
    uint32_t fill0 = 0, fill1 = 0;
    bool rectangular = true;
    std::vector<std::pair<int32_t, int32_t>> outline;
    auto finishOutline = [&] {
        const uint32_t fill = fill1 != 0 ? fill1 : fill0;
        if (outline.size() >= 2 && fill != 0) {
            if (fill >= fills.size() || outline.front() != outline.back()) {
                rectangular = false;
            } else {
                SwfModelPiece piece = fills[fill];
                piece.left = piece.top = INT32_MAX;
                piece.right = piece.bottom = INT32_MIN;
                for (const auto& [x, y] : outline) {
                    piece.left = std::min(piece.left, x);
                    piece.right = std::max(piece.right, x);
                    piece.top = std::min(piece.top, y);
                    piece.bottom = std::max(piece.bottom, y);
                }
                shape.pieces.push_back(piece);
            }
        }
        outline.assign(1, {penX, penY});
    };
    outline.assign(1, {penX, penY});
    for (;;) {
        if (r.Bits(1) == 0) {
            const uint32_t flags = r.Bits(5);
            if (flags == 0) {
                finishOutline();
                break;
            }
            if (flags & 0x10) {
                throw std::runtime_error("new styles inside a shape are not modelled");
            }
            if (flags & 1) {
                const uint32_t n = r.Bits(5);
                penX = r.Signed(n);
                penY = r.Signed(n);
            }
            finishOutline();
            if (flags & 2) {
                fill0 = r.Bits(fillBits);
            }
            if (flags & 4) {
                fill1 = r.Bits(fillBits);
            }
            if (flags & 8) {
                r.Bits(lineBits);
            }
            continue;
        }
        const bool straight = r.Bits(1) == 1;
        const uint32_t n = r.Bits(4) + 2;
        if (!straight) {
            rectangular = false;
            penX += r.Signed(n);
            penY += r.Signed(n);
            penX += r.Signed(n);
            penY += r.Signed(n);
        } else if (r.Bits(1) == 1) {
            rectangular = false;
            penX += r.Signed(n);
            penY += r.Signed(n);
        } else if (r.Bits(1) == 1) {
            penY += r.Signed(n);
        } else {
            penX += r.Signed(n);
        }
        outline.emplace_back(penX, penY);
    }
    if (!rectangular) {
        shape.pieces.clear();
    }
    m_shapes[id] = std::move(shape);
}

void SwfScreenModel::Place(const std::vector<uint8_t>& body) {
    BitReader r(body);
    const uint32_t flags = r.U8();
    const int depth = static_cast<int>(r.U16());
    if (flags & 0x02) {
        m_displayList[depth] = static_cast<int>(r.U16());
    }
    if (flags & 0x04) {
        const Matrix m = ReadMatrix(r);
        if (m.rotates || m.scaleX != 0x10000 || m.scaleY != 0x10000 || m.translateX != 0 ||
            m.translateY != 0) {
            throw std::runtime_error("placements other than at the origin are not modelled");
        }
    }
}

namespace {

// Calls paint(x, y, rgb) for every stage pixel whose centre lies in the
// piece, with the colour the piece gives it.
template <typename Paint>
void ForEachPixel(const SwfModelPiece& piece, const std::map<int, SwfModelBitmap>& bitmaps,
                  int width, int height, Paint paint) {
    const SwfModelBitmap* bitmap = nullptr;
    if (piece.bitmapID != 0) {
        const auto found = bitmaps.find(piece.bitmapID);
        if (found == bitmaps.end()) {
            throw std::runtime_error("a fill uses a bitmap never defined");
        }
        bitmap = &found->second;
    }
    const int x0 = std::max(0, static_cast<int>((piece.left + 10) / 20));
    const int y0 = std::max(0, static_cast<int>((piece.top + 10) / 20));
    const int x1 = std::min(width, static_cast<int>((piece.right + 10) / 20));
    const int y1 = std::min(height, static_cast<int>((piece.bottom + 10) / 20));
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (bitmap == nullptr) {
                paint(x, y, piece.color.data());
                continue;
            }
            // Pixel centre in bitmap pixels; a clipped fill repeats its edges.
            const int64_t cx = (int64_t{x} * 20 + 10 - piece.translateX) * 0x10000 / piece.scaleX;
            const int64_t cy = (int64_t{y} * 20 + 10 - piece.translateY) * 0x10000 / piece.scaleY;
            const int bx = static_cast<int>(std::clamp<int64_t>(cx, 0, bitmap->width - 1));
            const int by = static_cast<int>(std::clamp<int64_t>(cy, 0, bitmap->height - 1));
            paint(x, y, &bitmap->rgb[(size_t(by) * size_t(bitmap->width) + size_t(bx)) * 3]);
        }
    }
}

}  // namespace

std::vector<uint8_t> SwfScreenModel::Render(int width, int height) const {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3, 0xFF);
    for (const auto& [depth, id] : m_displayList) {
        const auto shape = m_shapes.find(id);
        if (shape == m_shapes.end()) {
            continue;  // a sprite or button: not modelled
        }
        for (const SwfModelPiece& piece : shape->second.pieces) {
            ForEachPixel(piece, m_bitmaps, width, height, [&](int x, int y, const uint8_t* c) {
                std::copy(c, c + 3, &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]);
            });
        }
    }
    return rgb;
}

std::map<int, int64_t> SwfScreenModel::VisibleAreas(int width, int height) const {
    std::vector<int> owner(size_t(width) * size_t(height), 0);
    for (const auto& [depth, id] : m_displayList) {
        const auto shape = m_shapes.find(id);
        if (shape == m_shapes.end()) {
            continue;
        }
        for (const SwfModelPiece& piece : shape->second.pieces) {
            ForEachPixel(piece, m_bitmaps, width, height,
                         [&, d = depth](int x, int y, const uint8_t*) {
                             owner[size_t(y) * size_t(width) + size_t(x)] = d;
                         });
        }
    }
    std::map<int, int64_t> areas;
    for (const auto& [depth, id] : m_displayList) {
        areas[depth] = 0;
    }
    for (int d : owner) {
        if (d != 0) {
            ++areas[d];
        }
    }
    return areas;
}

}  // namespace mvdtest
