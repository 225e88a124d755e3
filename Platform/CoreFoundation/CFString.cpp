#include "CoreFoundation/CFString.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

#include "CoreFoundation/CFData.h"
#include "CoreFoundation/CFRuntime.h"
#include "CoreFoundation/CFStringEncodingConverter.h"

namespace {

const __CFString* StringOf(CFTypeRef cf) {
    return CFRuntimeCast<__CFString>(cf, kCFRuntimeStringTypeID);
}

__CFString* MutableStringOf(CFMutableStringRef cf) {
    const __CFString* string = StringOf(cf);
    return string != nullptr && string->mutableString ? cf : nullptr;
}

__CFString* NewString(std::u16string units, bool isMutable) {
    return new (std::nothrow) __CFString(std::move(units), isMutable);
}

bool RangeInside(const __CFString* string, CFRange range) {
    return range.location >= 0 && range.length >= 0 &&
           range.location <= static_cast<CFIndex>(string->units.size()) &&
           range.length <= static_cast<CFIndex>(string->units.size()) - range.location;
}

std::u16string_view UnitsIn(const __CFString* string, CFRange range) {
    return std::u16string_view(string->units)
        .substr(static_cast<size_t>(range.location), static_cast<size_t>(range.length));
}

// Decodes `bytes`, or reports failure: invalid bytes, unsupported encoding,
// or no memory.
bool DecodeBytes(const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding, bool external,
                 std::u16string& out) {
    if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) {
        return false;
    }
    try {
        return cfencoding::Decode(std::span(bytes, static_cast<size_t>(numBytes)), encoding,
                                  external, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

char16_t FoldCase(char16_t u) {
    if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7) ||
        (u >= 0x391 && u <= 0x3A9 && u != 0x3A2) || (u >= 0x410 && u <= 0x42F)) {
        return static_cast<char16_t>(u + 0x20);
    }
    if (u >= 0x400 && u <= 0x40F) {
        return static_cast<char16_t>(u + 0x50);
    }
    return u;
}

}  // namespace

bool __CFString::Equals(const CFRuntimeObject& other) const {
    return units == static_cast<const __CFString&>(other).units;
}

CFTypeID CFStringGetTypeID() {
    return kCFRuntimeStringTypeID;
}

Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding) {
    return cfencoding::IsSupported(encoding);
}

CFStringRef CFStringMakeConstantString(const char* cStr) {
    static std::mutex lock;
    // Never destroyed, so constant strings stay valid until the process ends.
    static auto* table = new std::unordered_map<std::string, __CFString*>();
    const std::string key = cStr != nullptr ? cStr : "";
    std::lock_guard<std::mutex> guard(lock);
    auto found = table->find(key);
    if (found != table->end()) {
        return found->second;
    }
    auto* string = new __CFString(cfencoding::DecodeUTF8Lenient(key), false, true);
    table->emplace(key, string);
    return string;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding) {
    if (cStr == nullptr) {
        return nullptr;
    }
    return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr),
                                   static_cast<CFIndex>(std::strlen(cStr)), encoding, false);
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
    std::u16string units;
    if (!DecodeBytes(bytes, numBytes, encoding, isExternalRepresentation, units)) {
        return nullptr;
    }
    return NewString(std::move(units), false);
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (chars == nullptr && numChars > 0)) {
        return nullptr;
    }
    try {
        return NewString(std::u16string(chars, chars + numChars), false);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
    const __CFString* string = StringOf(theString);
    if (string == nullptr) {
        return nullptr;
    }
    if (!string->mutableString) {
        return static_cast<CFStringRef>(CFRetain(string));
    }
    try {
        return NewString(string->units, false);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef, CFIndex) {
    return NewString({}, true);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex, CFStringRef theString) {
    const __CFString* string = StringOf(theString);
    if (string == nullptr) {
        return nullptr;
    }
    try {
        return NewString(string->units, true);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFIndex CFStringGetLength(CFStringRef theString) {
    const __CFString* string = StringOf(theString);
    return string != nullptr ? static_cast<CFIndex>(string->units.size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
    const __CFString* string = StringOf(theString);
    if (string == nullptr || idx < 0 || idx >= static_cast<CFIndex>(string->units.size())) {
        return 0;
    }
    return string->units[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    const __CFString* string = StringOf(theString);
    if (string == nullptr || buffer == nullptr || !RangeInside(string, range)) {
        return;
    }
    std::u16string_view units = UnitsIn(string, range);
    std::copy(units.begin(), units.end(), buffer);
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    const __CFString* string = StringOf(theString);
    if (buffer == nullptr || bufferSize <= 0) {
        return false;
    }
    buffer[0] = '\0';
    if (string == nullptr) {
        return false;
    }
    auto* bytes = reinterpret_cast<UInt8*>(buffer);
    cfencoding::EncodeResult result =
        cfencoding::Encode(string->units, encoding, 0, false, bytes, bufferSize - 1);
    if (result.unitsConverted != static_cast<CFIndex>(string->units.size())) {
        return false;
    }
    buffer[result.bytesUsed] = '\0';
    return true;
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen) {
    const __CFString* string = StringOf(theString);
    cfencoding::EncodeResult result{0, 0};
    if (string != nullptr && RangeInside(string, range) && (buffer == nullptr || maxBufLen >= 0)) {
        result = cfencoding::Encode(UnitsIn(string, range), encoding, lossByte,
                                    isExternalRepresentation, buffer, maxBufLen);
    }
    if (usedBufLen != nullptr) {
        *usedBufLen = result.bytesUsed;
    }
    return result.unitsConverted;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    return cfencoding::MaximumSize(length, encoding);
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
    const __CFString* a = StringOf(theString1);
    const __CFString* b = StringOf(theString2);
    if (a == nullptr || b == nullptr) {
        return a == b         ? kCFCompareEqualTo
               : a == nullptr ? kCFCompareLessThan
                              : kCFCompareGreaterThan;
    }
    const bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
    const size_t common = std::min(a->units.size(), b->units.size());
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = fold ? FoldCase(a->units[i]) : a->units[i];
        const char16_t y = fold ? FoldCase(b->units[i]) : b->units[i];
        if (x != y) {
            return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
        }
    }
    if (a->units.size() == b->units.size()) {
        return kCFCompareEqualTo;
    }
    return a->units.size() < b->units.size() ? kCFCompareLessThan : kCFCompareGreaterThan;
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
    const __CFString* tail = StringOf(appendedString);
    if (tail != nullptr) {
        // Appending a string to itself reads a copy of its units.
        const std::u16string units = tail->units;
        CFStringAppendCharacters(theString, reinterpret_cast<const UniChar*>(units.data()),
                                 static_cast<CFIndex>(units.size()));
    }
}

void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                              CFIndex numChars) {
    __CFString* string = MutableStringOf(theString);
    if (string == nullptr || numChars <= 0 || chars == nullptr) {
        return;
    }
    try {
        string->units.append(chars, chars + numChars);
    } catch (const std::bad_alloc&) {
        // The string keeps its old content.
    }
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding) {
    __CFString* string = MutableStringOf(theString);
    std::u16string units;
    if (string == nullptr || cStr == nullptr ||
        !DecodeBytes(reinterpret_cast<const UInt8*>(cStr), static_cast<CFIndex>(std::strlen(cStr)),
                     encoding, false, units)) {
        return;
    }
    CFStringAppendCharacters(theString, reinterpret_cast<const UniChar*>(units.data()),
                             static_cast<CFIndex>(units.size()));
}

CFDataRef CFStringCreateExternalRepresentation(CFAllocatorRef alloc, CFStringRef theString,
                                               CFStringEncoding encoding, UInt8 lossByte) {
    const __CFString* string = StringOf(theString);
    if (string == nullptr || !cfencoding::IsSupported(encoding)) {
        return nullptr;
    }
    cfencoding::EncodeResult measured =
        cfencoding::Encode(string->units, encoding, lossByte, true, nullptr, 0);
    if (measured.unitsConverted != static_cast<CFIndex>(string->units.size())) {
        return nullptr;
    }
    try {
        std::vector<UInt8> bytes(static_cast<size_t>(measured.bytesUsed));
        cfencoding::Encode(string->units, encoding, lossByte, true, bytes.data(),
                           measured.bytesUsed);
        return CFDataCreate(alloc, bytes.data(), measured.bytesUsed);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFStringCreateFromExternalRepresentation(CFAllocatorRef alloc, CFDataRef data,
                                                     CFStringEncoding encoding) {
    if (data == nullptr || CFGetTypeID(data) != kCFRuntimeDataTypeID) {
        return nullptr;
    }
    return CFStringCreateWithBytes(alloc, CFDataGetBytePtr(data), CFDataGetLength(data), encoding,
                                   true);
}
