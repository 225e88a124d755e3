// Conversion between UTF-16 units and the byte encodings the string calls
// support: ASCII, ISO Latin 1, UTF-8 and UTF-16 (host order, big or little
// endian).  Used by the CF sources only.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "CoreFoundation/CFString.h"

namespace cfencoding {

bool IsSupported(CFStringEncoding encoding);

// Decodes bytes into units.  Returns false, leaving `out` unspecified, when
// the bytes are not valid in the encoding.  kCFStringEncodingUnicode reads
// and drops a leading byte-order mark; without one it is big-endian when
// `external`, else in host order.  Other encodings keep a leading U+FEFF.
bool Decode(std::span<const UInt8> bytes, CFStringEncoding encoding, bool external,
            std::u16string& out);

// UTF-8 where each invalid byte becomes U+FFFD: for literals and C strings
// that are formatted, which must always give a string.
std::u16string DecodeUTF8Lenient(std::string_view bytes);

struct EncodeResult {
    CFIndex unitsConverted;  // UTF-16 units consumed
    CFIndex bytesUsed;       // bytes produced (or needed, when measuring)
};

// Encodes units until one cannot be represented (and `lossByte` is 0) or the
// next character does not fit in `maxBytes`.  A character without a form in
// the encoding becomes `lossByte`; a surrogate pair counts as one character.
// A null buffer measures without limit.  With `external`, UTF-16 output
// (kCFStringEncodingUnicode only) starts with a byte-order mark.
EncodeResult Encode(std::u16string_view units, CFStringEncoding encoding, UInt8 lossByte,
                    bool external, UInt8* buffer, CFIndex maxBytes);

// Most bytes `length` units can need, or kCFNotFound when that overflows.
CFIndex MaximumSize(CFIndex length, CFStringEncoding encoding);

}  // namespace cfencoding
