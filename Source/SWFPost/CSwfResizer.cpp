#include "SWFPost/CSwfResizer.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

constexpr int kTwipsPerPixel = 20;
constexpr unsigned char kLongLengthMark = 63;
constexpr unsigned short kMaxTagCode = 0x3FF;
constexpr unsigned int kMaxRectBits = 31;
constexpr unsigned int kMaxRectBytes = 17;  // 5 + 4 x 31 bits

constexpr unsigned short kTagEnd = 0;
constexpr unsigned short kTagDefineShape = 2;
constexpr unsigned short kTagDefineShape2 = 22;
constexpr unsigned short kTagDefineShape3 = 32;

bool AlwaysLongHeader(unsigned short code) {
    return code == 19 || code == 20 || code == 36;
}

bool IsShapeTag(unsigned short code) {
    return code == kTagDefineShape || code == kTagDefineShape2 || code == kTagDefineShape3;
}

// True when value is representable in `bits` signed bits.
bool FitsSignedBits(int value, unsigned int bits) {
    if (bits == 0) {
        return value == 0;
    }
    const long long limit = 1LL << (bits - 1);
    return value >= -limit && value < limit;
}

// Restores a file's position when it goes out of scope, unless kept.
class PositionGuard {
  public:
    explicit PositionGuard(CFile* file) : m_file(file), m_pos(file->GetPosition()) {}
    ~PositionGuard() {
        if (!m_keep) {
            m_file->Seek(static_cast<long long>(m_pos), CFile::begin);
        }
    }
    void Keep() { m_keep = true; }
    unsigned long long Start() const { return m_pos; }

  private:
    CFile* m_file;
    unsigned long long m_pos;
    bool m_keep = false;
};

bool SeekTo(CFile* file, unsigned long long pos) {
    return pos <= file->GetLength() &&
           (file->Seek(static_cast<long long>(pos), CFile::begin), file->GetPosition() == pos);
}

}  // namespace

// --- CSwfRect -----------------------------------------------------------------

unsigned char CSwfResizer::CSwfRect::CalcFieldSize(int store) {
    unsigned int bits = 2;
    for (int value : {m_xMin, m_xMax, m_yMin, m_yMax}) {
        // A negative value needs as many bits as its complement.
        const unsigned int magnitude =
            value < 0 ? ~static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
        unsigned int highest = 0;
        while (highest < 31 && (magnitude >> (highest + 1)) != 0) {
            ++highest;
        }
        bits = std::max(bits, highest + 2);
    }
    if (store != 0) {
        m_nBits = static_cast<unsigned char>(bits);
    }
    return static_cast<unsigned char>(bits);
}

int CSwfResizer::CSwfRect::GetByteSize() const {
    return (m_nBits * 4 + 5 + 7) / 8;
}

// --- The resizer ----------------------------------------------------------------

bool CSwfResizer::Resize(CString&, CString&, int, int, unsigned int) {
    return false;
}

int CSwfResizer::ReadTagHeader(CFile* file, unsigned short& code, unsigned char& shortLength,
                               unsigned int& longLength) {
    PositionGuard guard(file);
    unsigned char bytes[6];
    if (file->Read(bytes, 2) != 2) {
        return 0;
    }
    const unsigned int value = ByteToUnsignedNumber(bytes, 2);
    const unsigned char length = static_cast<unsigned char>(value & kLongLengthMark);
    if (length == kLongLengthMark && file->Read(bytes + 2, 4) != 4) {
        return 0;
    }
    guard.Keep();
    code = static_cast<unsigned short>(value >> 6);
    shortLength = length;
    if (length != kLongLengthMark) {
        return 2;
    }
    longLength = ByteToUnsignedNumber(bytes + 2, 4);
    return 6;
}

int CSwfResizer::WriteTagHeader(CFile* file, unsigned short code, unsigned char shortLength,
                                unsigned int longLength) {
    if (code > kMaxTagCode) {
        return 0;
    }
    const bool longForm = shortLength >= kLongLengthMark || AlwaysLongHeader(code);
    unsigned char bytes[6];
    UnsignedNumberToByte((code << 6) | (longForm ? kLongLengthMark : shortLength), 2, bytes);
    UnsignedNumberToByte(shortLength == kLongLengthMark ? longLength : shortLength, 4, bytes + 2);
    const int size = longForm ? 6 : 2;
    return file->Write(bytes, static_cast<unsigned int>(size)) == noErr ? size : 0;
}

bool CSwfResizer::ReadRect(CFile* file, CSwfRect& rect) {
    PositionGuard guard(file);
    unsigned char bytes[kMaxRectBytes] = {};
    const unsigned int got = file->Read(bytes, kMaxRectBytes);
    unsigned int bytePos = 0;
    unsigned int bitPos = 0;
    unsigned int bits = 0;
    ReadBits(bytes, 5, bits, bytePos, bitPos);
    CSwfRect read(static_cast<unsigned char>(bits), 0, 0, 0, 0);
    const unsigned int size = static_cast<unsigned int>(read.GetByteSize());
    if (got < size) {
        return false;
    }
    for (int* field : {&read.m_xMin, &read.m_xMax, &read.m_yMin, &read.m_yMax}) {
        unsigned int value = 0;
        ReadBits(bytes, bits, value, bytePos, bitPos);
        *field = ToSignedBits(value, static_cast<unsigned char>(bits)) / kTwipsPerPixel;
    }
    if (!SeekTo(file, guard.Start() + size)) {
        return false;
    }
    guard.Keep();
    rect.m_nBits = read.m_nBits;
    rect.m_xMin = read.m_xMin;
    rect.m_xMax = read.m_xMax;
    rect.m_yMin = read.m_yMin;
    rect.m_yMax = read.m_yMax;
    return true;
}

bool CSwfResizer::WriteRect(CFile* file, CSwfRect& rect) {
    const unsigned int bits = rect.m_nBits;
    const int values[] = {rect.m_xMin, rect.m_xMax, rect.m_yMin, rect.m_yMax};
    if (bits > kMaxRectBits ||
        !std::all_of(std::begin(values), std::end(values),
                     [bits](int value) { return FitsSignedBits(value, bits); })) {
        return false;
    }
    unsigned char bytes[kMaxRectBytes + 1] = {};  // WriteBits may clear the byte after
    unsigned int bytePos = 0;
    unsigned int bitPos = 0;
    WriteBits(bytes, 5, bits, bytePos, bitPos);
    for (int value : values) {
        WriteBits(bytes, bits, static_cast<unsigned int>(value), bytePos, bitPos);
    }
    return file->Write(bytes, static_cast<unsigned int>(rect.GetByteSize())) == noErr;
}

bool CSwfResizer::ResizeRect(CSwfRect& rect, int width, int height) {
    const long long limit = 1LL << (kMaxRectBits - 1);
    if (width < 0 || height < 0 || 1LL * width * kTwipsPerPixel >= limit ||
        1LL * height * kTwipsPerPixel >= limit) {
        return false;
    }
    rect.m_xMin = 0;
    rect.m_xMax = width * kTwipsPerPixel;
    rect.m_yMin = 0;
    rect.m_yMax = height * kTwipsPerPixel;
    rect.CalcFieldSize(1);
    return true;
}

unsigned int CSwfResizer::FindShape(CFile* file, unsigned int startPos) {
    PositionGuard guard(file);
    if (startPos != 0 && !SeekTo(file, startPos)) {
        return 0;
    }
    const unsigned long long fileLength = file->GetLength();
    unsigned int best = 0;
    unsigned long long bestArea = 0;
    // Each tag moves forward by at least its header; the walk stops at the
    // End tag or at the first damaged tag.
    for (;;) {
        const unsigned long long tagPos = file->GetPosition();
        unsigned short code = 0;
        unsigned char shortLength = 0;
        unsigned int longLength = 0;
        const int headerSize = ReadTagHeader(file, code, shortLength, longLength);
        if (headerSize == 0) {
            return 0;
        }
        const unsigned long long body = tagPos + static_cast<unsigned int>(headerSize);
        const unsigned long long end = body + (headerSize == 6 ? longLength : shortLength);
        if (end > fileLength) {
            return 0;
        }
        if (code == kTagEnd) {
            return best;
        }
        if (IsShapeTag(code)) {
            CSwfRect bounds;
            if (end - body < 2 || !SeekTo(file, body + 2) || !ReadRect(file, bounds) ||
                file->GetPosition() > end || tagPos > UINT32_MAX) {
                return 0;
            }
            const unsigned long long area =
                1ULL * static_cast<unsigned int>(bounds.m_xMax - bounds.m_xMin) *
                static_cast<unsigned int>(bounds.m_yMax - bounds.m_yMin);
            if (area > bestArea) {
                bestArea = area;
                best = static_cast<unsigned int>(tagPos);
            }
        }
        if (!SeekTo(file, end)) {
            return 0;
        }
    }
}

bool CSwfResizer::ReadBits(unsigned char* buffer, unsigned int count, unsigned int& value,
                           unsigned int& bytePos, unsigned int& bitPos) {
    value = 0;
    for (unsigned int i = 0; i < count; ++i) {
        value = (value << 1) | ((buffer[bytePos] >> (7 - bitPos)) & 1u);
        if (++bitPos == 8) {
            bitPos = 0;
            ++bytePos;
        }
    }
    return true;
}

bool CSwfResizer::WriteBits(unsigned char* buffer, unsigned int count, unsigned int value,
                            unsigned int& bytePos, unsigned int& bitPos) {
    for (unsigned int i = count; i-- > 0;) {
        if (i < 32 && ((value >> i) & 1u)) {
            buffer[bytePos] = static_cast<unsigned char>(buffer[bytePos] | (0x80u >> bitPos));
        }
        if (++bitPos == 8) {
            bitPos = 0;
            buffer[++bytePos] = 0;
        }
    }
    return true;
}

int CSwfResizer::ToSignedBits(unsigned int value, unsigned char count) {
    if (count == 0) {
        return 0;
    }
    if (count >= 32) {
        return static_cast<int>(value);
    }
    const unsigned int sign = 1u << (count - 1);
    const unsigned int field = value & ((sign << 1) - 1);
    return static_cast<int>((field ^ sign) - sign);
}

unsigned int CSwfResizer::ByteToUnsignedNumber(const unsigned char* bytes, int count) {
    unsigned int value = 0;
    for (int i = std::min(count, 4) - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

unsigned char* CSwfResizer::UnsignedNumberToByte(unsigned int value, int count,
                                                 unsigned char* bytes) {
    for (int i = 0; i < count; ++i) {
        bytes[i] = i < 4 ? static_cast<unsigned char>(value >> (8 * i)) : 0;
    }
    return bytes;
}
