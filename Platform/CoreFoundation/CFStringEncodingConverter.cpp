#include "CoreFoundation/CFStringEncodingConverter.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace cfencoding {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool IsUTF16(CFStringEncoding e) {
    return e == kCFStringEncodingUnicode || e == kCFStringEncodingUTF16BE ||
           e == kCFStringEncodingUTF16LE;
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Length of the well-formed UTF-8 sequence at the start of `bytes` and its
// code point, or 0 when it is malformed (bad lead, bad continuation,
// overlong form, surrogate, beyond U+10FFFF or cut short).
size_t NextUTF8(std::span<const UInt8> bytes, char32_t& cp) {
    const UInt8 lead = bytes[0];
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    size_t length;
    UInt8 low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (bytes[i] & 0x3F);
    }
    return length;
}

bool DecodeUTF8(std::span<const UInt8> bytes, bool replaceInvalid, std::u16string& out) {
    while (!bytes.empty()) {
        char32_t cp = 0;
        size_t length = NextUTF8(bytes, cp);
        if (length == 0) {
            if (!replaceInvalid) {
                return false;
            }
            cp = kReplacement;
            length = 1;
        }
        AppendCodePoint(cp, out);
        bytes = bytes.subspan(length);
    }
    return true;
}

bool DecodeUTF16(std::span<const UInt8> bytes, bool bigEndian, std::u16string& out) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        const unsigned first = bytes[i], second = bytes[i + 1];
        out.push_back(
            static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return true;
}

constexpr bool kHostBigEndian = std::endian::native == std::endian::big;

bool HasPrefix(std::span<const UInt8> bytes, std::initializer_list<UInt8> prefix) {
    return bytes.size() >= prefix.size() &&
           std::memcmp(bytes.data(), prefix.begin(), prefix.size()) == 0;
}

// The bytes of one character (`count` units starting at `units`) in the
// encoding; 0 bytes when it has no form there.
size_t EncodeCharacter(const char16_t* units, size_t count, CFStringEncoding encoding,
                       std::array<UInt8, 4>& out) {
    const char32_t first = units[0];
    if (IsUTF16(encoding)) {
        const bool big = encoding == kCFStringEncodingUTF16BE ||
                         (encoding == kCFStringEncodingUnicode && kHostBigEndian);
        out[big ? 0 : 1] = static_cast<UInt8>(first >> 8);
        out[big ? 1 : 0] = static_cast<UInt8>(first & 0xFF);
        return 2;
    }
    if (encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingISOLatin1) {
        const char32_t limit = encoding == kCFStringEncodingASCII ? 0x80 : 0x100;
        out[0] = static_cast<UInt8>(first);
        return count == 1 && first < limit ? 1 : 0;
    }
    // UTF-8: a lone surrogate has no form.
    char32_t cp = first;
    if (count == 2) {
        cp = 0x10000 + ((first - 0xD800) << 10) + (units[1] - 0xDC00);
    } else if (IsHighSurrogate(first) || IsLowSurrogate(first)) {
        return 0;
    }
    if (cp < 0x80) {
        out[0] = static_cast<UInt8>(cp);
        return 1;
    }
    size_t length = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    static constexpr UInt8 kLeadMarks[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i) {
        out[i] = static_cast<UInt8>(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    out[0] = static_cast<UInt8>(kLeadMarks[length] | cp);
    return length;
}

}  // namespace

bool IsSupported(CFStringEncoding encoding) {
    return encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingISOLatin1 ||
           encoding == kCFStringEncodingUTF8 || IsUTF16(encoding);
}

bool Decode(std::span<const UInt8> bytes, CFStringEncoding encoding, bool external,
            std::u16string& out) {
    out.clear();
    switch (encoding) {
        case kCFStringEncodingASCII:
        case kCFStringEncodingISOLatin1:
            for (UInt8 b : bytes) {
                if (encoding == kCFStringEncodingASCII && b >= 0x80) {
                    return false;
                }
                out.push_back(b);
            }
            return true;
        case kCFStringEncodingUTF8:
            // A leading U+FEFF is kept as text, so every string survives a
            // trip through its bytes.
            return DecodeUTF8(bytes, false, out);
        case kCFStringEncodingUTF16BE:
        case kCFStringEncodingUTF16LE:
            return DecodeUTF16(bytes, encoding == kCFStringEncodingUTF16BE, out);
        case kCFStringEncodingUnicode: {
            bool bigEndian = external || kHostBigEndian;
            if (HasPrefix(bytes, {0xFE, 0xFF}) || HasPrefix(bytes, {0xFF, 0xFE})) {
                bigEndian = bytes[0] == 0xFE;
                bytes = bytes.subspan(2);
            }
            return DecodeUTF16(bytes, bigEndian, out);
        }
        default:
            return false;
    }
}

std::u16string DecodeUTF8Lenient(std::string_view bytes) {
    std::u16string out;
    DecodeUTF8(std::span(reinterpret_cast<const UInt8*>(bytes.data()), bytes.size()), true, out);
    return out;
}

EncodeResult Encode(std::u16string_view units, CFStringEncoding encoding, UInt8 lossByte,
                    bool external, UInt8* buffer, CFIndex maxBytes) {
    EncodeResult result{0, 0};
    if (!IsSupported(encoding)) {
        return result;
    }
    const CFIndex limit = buffer != nullptr ? maxBytes : std::numeric_limits<CFIndex>::max();
    auto emit = [&](const UInt8* bytes, size_t count) {
        if (static_cast<CFIndex>(count) > limit - result.bytesUsed) {
            return false;
        }
        if (buffer != nullptr) {
            std::memcpy(buffer + result.bytesUsed, bytes, count);
        }
        result.bytesUsed += static_cast<CFIndex>(count);
        return true;
    };
    if (external && encoding == kCFStringEncodingUnicode) {
        const char16_t bom = 0xFEFF;
        std::array<UInt8, 4> mark{};
        EncodeCharacter(&bom, 1, encoding, mark);
        if (!emit(mark.data(), 2)) {
            return result;
        }
    }
    const bool pairsAreOne = !IsUTF16(encoding);
    while (static_cast<size_t>(result.unitsConverted) < units.size()) {
        const char16_t* at = units.data() + result.unitsConverted;
        const size_t left = units.size() - static_cast<size_t>(result.unitsConverted);
        const size_t count =
            pairsAreOne && left >= 2 && IsHighSurrogate(at[0]) && IsLowSurrogate(at[1]) ? 2 : 1;
        std::array<UInt8, 4> bytes{};
        size_t length = EncodeCharacter(at, count, encoding, bytes);
        if (length == 0) {
            if (lossByte == 0) {
                break;
            }
            bytes[0] = lossByte;
            length = 1;
        }
        if (!emit(bytes.data(), length)) {
            break;
        }
        result.unitsConverted += static_cast<CFIndex>(count);
    }
    return result;
}

CFIndex MaximumSize(CFIndex length, CFStringEncoding encoding) {
    if (length < 0 || !IsSupported(encoding)) {
        return kCFNotFound;
    }
    // A UTF-16 unit needs at most 3 UTF-8 bytes (a pair: 4 for 2 units).
    const CFIndex perUnit = encoding == kCFStringEncodingUTF8 ? 3 : IsUTF16(encoding) ? 2 : 1;
    if (length > std::numeric_limits<CFIndex>::max() / perUnit) {
        return kCFNotFound;
    }
    return length * perUnit;
}

}  // namespace cfencoding
