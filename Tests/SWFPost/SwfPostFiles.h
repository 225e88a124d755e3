// SWF files put together byte by byte, so that every header form and every
// kind of damage can be made, and the bytes of a variable-setting script.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Portability/CString.h"
#include "SWF/FSWFStream.h"
#include "SWF/SwfBytes.h"
#include "Support/TempDir.h"

namespace swfpost {

using swftest::Bytes;

inline void PutLE(Bytes& out, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Short header when the body allows it, else (or when asked) the long one.
inline Bytes Tag(uint16_t code, const Bytes& body, bool longForm = false) {
    Bytes out;
    if (!longForm && body.size() < 63) {
        PutLE(out, (code << 6) | static_cast<uint32_t>(body.size()), 2);
    } else {
        PutLE(out, (code << 6) | 63, 2);
        PutLE(out, static_cast<uint32_t>(body.size()), 4);
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes ShowFrame() {
    return Tag(1, {});
}
inline Bytes End() {
    return Tag(0, {});
}

struct Stage {
    int32_t xMin = 0;
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
};

inline Stage Pixels(int width, int height) {
    return Stage{0, width * 20, 0, height * 20};
}

// Header (stage with the fewest bits, or rectBits) and tags; the file length
// is the total.
inline Bytes Movie(Stage stage, const Bytes& tags, uint16_t frameRate = 12 << 8,
                   uint16_t frameCount = 1, uint8_t version = 6, uint32_t rectBits = 0) {
    FSWFStream head;
    for (char c : {'F', 'W', 'S'}) {
        head.WriteByte(static_cast<uint8_t>(c));
    }
    head.WriteByte(version);
    head.WriteDWord(0);
    const uint32_t bits =
        rectBits != 0 ? rectBits
                      : FSWFStream::MinBits(
                            FSWFStream::MaxNum(stage.xMin, stage.xMax, stage.yMin, stage.yMax), 1);
    head.WriteBits(bits, 5);
    for (int32_t value : {stage.xMin, stage.xMax, stage.yMin, stage.yMax}) {
        head.WriteBits(static_cast<uint32_t>(value), bits);
    }
    head.FlushBits();
    head.WriteWord(frameRate);
    head.WriteWord(frameCount);
    Bytes out = Cat({swftest::StreamBytes(head), tags});
    const uint32_t length = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + 4, &length, 4);
    return out;
}

inline Bytes PushString(const std::string& text) {
    Bytes out{0x96};
    PutLE(out, static_cast<uint32_t>(text.size() + 2), 2);
    out.push_back(0);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

inline Bytes PushFloat(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    Bytes out{0x96, 0x05, 0x00, 0x01};
    PutLE(out, bits, 4);
    return out;
}

// The DoAction tag that sets `name` to `value`.
inline Bytes SetVariableTag(const std::string& name, float value) {
    return Tag(12, Cat({PushString(name), PushFloat(value), Bytes{0x1D, 0x00}}));
}

inline CString Path(const std::string& path) {
    return CString(path.c_str());
}

}  // namespace swfpost
