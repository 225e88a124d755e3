// Core Foundation base: reference-counted objects, ranges and comparison
// results.  Every object made by a Create or Copy call starts with one
// holder; CFRetain adds one and CFRelease drops one, destroying the object
// when none remain.  Both are safe from several threads.  Unlike the host
// library, a null argument is tolerated everywhere: CFRelease(NULL) does
// nothing and queries on null answer 0, null or false.
#pragma once

#include "Base/MacTypes.h"

typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef const void* CFTypeRef;

// Allocators are accepted for source compatibility; only the default exists.
typedef const struct __CFAllocator* CFAllocatorRef;
constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

// Formatting options are accepted for source compatibility and must be null.
typedef const struct __CFDictionary* CFDictionaryRef;

struct CFRange {
    CFIndex location;
    CFIndex length;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
    return CFRange{location, length};
}

enum : CFIndex { kCFNotFound = -1 };

enum CFComparisonResult : CFIndex {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1,
};

CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);
// Number of holders; constant strings (CFSTR) report the largest CFIndex.
CFIndex CFGetRetainCount(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);
// Same type and same content (strings: same UTF-16 units; data: same bytes).
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
