#include "Base/TextUtils.h"

#include <cstring>

void CopyCStringToPascal(const char* src, unsigned char* dst, long dstLength) {
    if (dst == nullptr || dstLength < 1) {
        return;
    }
    const size_t room = static_cast<size_t>(dstLength > 256 ? 255 : dstLength - 1);
    const size_t length = src == nullptr ? 0 : strnlen(src, room);
    if (length != 0) {
        std::memmove(dst + 1, src, length);
    }
    dst[0] = static_cast<unsigned char>(length);
}

void c2pstrcpy(Str255 dst, const char* src) {
    CopyCStringToPascal(src, dst, sizeof(Str255));
}

void p2cstrcpy(char* dst, const unsigned char* src) {
    if (dst == nullptr) {
        return;
    }
    const size_t length = src == nullptr ? 0 : src[0];
    if (length != 0) {
        std::memmove(dst, src + 1, length);
    }
    dst[length] = '\0';
}
