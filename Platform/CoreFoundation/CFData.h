// Core Foundation data: an immutable, reference-counted block of bytes.
#pragma once

#include "CoreFoundation/CFBase.h"

typedef const struct __CFData* CFDataRef;

CFTypeID CFDataGetTypeID();
// Copies `length` bytes; null when length is negative or bytes is null with
// a non-zero length.
CFDataRef CFDataCreate(CFAllocatorRef alloc, const UInt8* bytes, CFIndex length);
CFIndex CFDataGetLength(CFDataRef theData);
// Valid while the data lives; never null for a non-null data, even if empty.
const UInt8* CFDataGetBytePtr(CFDataRef theData);
// Copies the bytes of `range`; copies nothing when the range is not inside.
void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer);
