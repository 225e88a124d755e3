// Basic scalar types, result codes and geometry of the host platform API,
// as the movie, component and file calls use them.
#pragma once

#include <cstdint>

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;

typedef unsigned char Boolean;
typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef SInt32 Fixed;  // 16.16 fixed point
typedef SInt32 Fract;  // 2.30 fixed point
typedef SInt16 ShortFixed;
typedef char* Ptr;
typedef Ptr* Handle;
typedef long Size;
typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef UInt16 UniChar;
typedef UInt32 UniCharCount;
typedef unsigned long ByteCount;
typedef unsigned long ItemCount;
typedef SInt32 TimeValue;
typedef SInt64 TimeValue64;
typedef SInt32 TimeScale;
typedef long ComponentResult;

enum : OSErr {
    noErr = 0,
    paramErr = -50,
    memFullErr = -108,
    nilHandleErr = -109,
    memWZErr = -111,
    fnfErr = -43,
    dupFNErr = -48,
    ioErr = -36,
    eofErr = -39,
    wrPermErr = -61,
    dirNFErr = -120,
    userCanceledErr = -128,
    permErr = -54,
    dskFulErr = -34,
    fnOpnErr = -38,
    posErr = -40,
};

// A 64-bit value as two halves, low half first on this little-endian host.
struct wide {
    UInt32 lo;
    SInt32 hi;
};

// Four-character codes are written as multi-character literals, e.g. 'mvdk'.
#define FOUR_CHAR_CODE(x) (x)

struct Point {
    SInt16 v;
    SInt16 h;
};

// QuickDraw rectangle: note the order top, left, bottom, right.
struct Rect {
    SInt16 top;
    SInt16 left;
    SInt16 bottom;
    SInt16 right;
};

inline Fixed FixedFromInt(int value) {
    return static_cast<Fixed>(static_cast<uint32_t>(value) << 16);
}
inline Fixed Long2Fix(long value) {
    return FixedFromInt(static_cast<int>(value));
}
inline int FixedToInt(Fixed value) {
    return value >> 16;
}
inline double FixedToDouble(Fixed value) {
    return value / 65536.0;
}
inline Fixed DoubleToFixed(double value) {
    return static_cast<Fixed>(value * 65536.0);
}

// Makes a four-character code from its text, e.g. MakeFourCC("mvdk").
constexpr OSType MakeFourCC(const char (&text)[5]) {
    return (static_cast<OSType>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<OSType>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<OSType>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<OSType>(static_cast<unsigned char>(text[3]));
}
