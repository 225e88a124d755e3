// Conversions between C strings and length-prefixed (Pascal) strings.
#pragma once

#include "Base/MacTypes.h"

// Copies a C string into a length-prefixed string of at most dstLength bytes
// (length byte included, at most 256), cutting it to fit.
void CopyCStringToPascal(const char* src, unsigned char* dst, long dstLength);
// As CopyCStringToPascal into a Str255.
void c2pstrcpy(Str255 dst, const char* src);
// Copies a length-prefixed string into a C string of at least 256 bytes.
void p2cstrcpy(char* dst, const unsigned char* src);
