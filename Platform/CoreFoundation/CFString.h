// Core Foundation strings: immutable and mutable sequences of UTF-16 units,
// with conversion to and from ASCII, ISO Latin 1, UTF-8 and UTF-16 bytes.
//
// Calls that create a string return null when their input is not valid in
// the stated encoding (invalid UTF-8, non-ASCII bytes for ASCII, an odd
// number of UTF-16 bytes) or the encoding is not supported; they never read
// past the input they are given.
#pragma once

#include <cstdarg>

#include "CoreFoundation/CFBase.h"

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef const struct __CFData* CFDataRef;

typedef UInt32 CFStringEncoding;
enum : CFStringEncoding {
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUnicode = 0x0100,  // UTF-16; host order, or by byte-order mark
    kCFStringEncodingUTF16 = 0x0100,
    kCFStringEncodingUTF8 = 0x08000100,
    kCFStringEncodingUTF16BE = 0x10000100,
    kCFStringEncodingUTF16LE = 0x14000100,
    kCFStringEncodingInvalidId = 0xFFFFFFFFu,
};

typedef CFOptionFlags CFStringCompareFlags;
enum : CFStringCompareFlags {
    // Letters of ASCII, Latin 1, basic Greek and basic Cyrillic compare
    // without regard to case.
    kCFCompareCaseInsensitive = 1,
};

CFTypeID CFStringGetTypeID();
Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding);

// A constant string for a literal (UTF-8; an invalid byte becomes U+FFFD).
// The same text gives the same object; it is never destroyed, so retaining
// and releasing it does nothing.
CFStringRef CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) CFStringMakeConstantString("" cStr "")

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
// UTF-16 (kCFStringEncodingUnicode) reads and drops a byte-order mark; with
// `isExternalRepresentation` it is big-endian without one, else in host
// order.  A UTF-8 byte-order mark is kept as the character U+FEFF.
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
// `maxLength` is accepted and not enforced.
CFMutableStringRef CFStringCreateMutable(CFAllocatorRef alloc, CFIndex maxLength);
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                             CFStringRef theString);

// printf-style formatting: the C conversions d i u o x X c s p f F e E g G a A
// with their flags, width, precision (also *) and length modifiers, plus
// %@ (a CF object: a string's text; "(null)" for null), %C (one UniChar) and
// %S (a NUL-terminated UniChar string).  %s takes UTF-8 text.  Returns null
// for %n, positional arguments, unknown conversions, a width or precision
// above 65536, or a null format.  `formatOptions` must be null.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                 CFDictionaryRef formatOptions, CFStringRef format,
                                                 va_list arguments);

CFIndex CFStringGetLength(CFStringRef theString);
// 0 when the index is outside the string.
UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
// Copies range.length units; copies nothing when the range is not inside
// the string.
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
// The whole string, NUL-terminated; false (buffer holding an empty string
// when it has room) when a character has no form in the encoding or the
// buffer is too small.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// Converts the units of `range` until one has no form in the encoding (when
// lossByte is 0; otherwise it becomes lossByte) or the buffer is full.
// Returns the number of units converted; `usedBufLen` receives the bytes
// produced.  A null buffer measures.  Nothing is converted when the range
// is not inside the string.
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen);
// Most bytes `length` units can take in the encoding (no terminator), or
// kCFNotFound for an unsupported encoding or an overflow.
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);

// Unit-by-unit comparison (after case folding with kCFCompareCaseInsensitive);
// a null string sorts before any other.
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);

// The appending calls change mutable strings only; on an immutable string,
// or with text invalid in its encoding, they change nothing.
void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString);
void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars, CFIndex numChars);
void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding);

// The string's bytes in the encoding; UTF-16 (kCFStringEncodingUnicode)
// starts with a byte-order mark, UTF-8 does not.  Null when a character has
// no form in the encoding and lossByte is 0.
CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte);
CFStringRef CFStringCreateFromExternalRepresentation(CFAllocatorRef alloc, CFDataRef data,
                                                     CFStringEncoding encoding);
