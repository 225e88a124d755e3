// Helpers of the SWF export tests: frames in the writer's layout, an export
// run in a temporary folder, and the exported file read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Portability/CString.h"
#include "SWFExport/CSWFWriter.h"
#include "Support/ScreenContent.h"
#include "Support/SwfScreenModel.h"
#include "Support/TempDir.h"

namespace swfexport {

using mvdtest::ScreenImage;
using mvdtest::SwfFileTag;
using mvdtest::SwfFileTags;

enum TagCode : int {
    kShowFrame = 1,
    kDefineShape = 2,
    kDoAction = 12,
    kSoundStreamBlock = 19,
    kDefineBitsLossless = 20,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineButton2 = 34,
    kDefineBitsLossless2 = 36,
    kDefineSprite = 39,
    kSoundStreamHead2 = 45,
};

inline uint32_t LE16(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes.at(at)) | uint32_t(bytes.at(at + 1)) << 8;
}

// The writer's input at 16 (x-5-5-5), 24 or 32 bits per pixel: bottom-up,
// little-endian, rows padded to 32 bits with bytes it must not read.
inline std::vector<uint8_t> Packed(const ScreenImage& image, int bitCount = 32) {
    const int bytes = bitCount / 8, h = image.height();
    const size_t row = (size_t(image.width()) * bytes + 3) & ~size_t{3};
    std::vector<uint8_t> out(row * size_t(h), 0xEE);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t p = image.pixel(x, y);
            const uint32_t v =
                bytes == 2 ? (p >> 19 & 31) << 10 | (p >> 11 & 31) << 5 | (p >> 3 & 31) : p;
            for (int i = 0; i < bytes; ++i) {
                out[size_t(h - 1 - y) * row + size_t(x) * bytes + i] = uint8_t(v >> 8 * i);
            }
        }
    }
    return out;
}

// The picture as RGB bytes, top row first.
inline std::vector<uint8_t> Rgb(const ScreenImage& image) {
    std::vector<uint8_t> out;
    out.reserve(size_t(image.width()) * size_t(image.height()) * 3);
    for (int32_t y = 0; y < image.height(); ++y) {
        for (int32_t x = 0; x < image.width(); ++x) {
            const uint32_t argb = image.pixel(x, y);
            out.insert(out.end(), {static_cast<uint8_t>(argb >> 16),
                                   static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)});
        }
    }
    return out;
}

// The first pixel where two RGB pictures of `width` pixels differ, or "".
inline std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                   int width) {
    if (a.size() != b.size()) {
        return "sizes differ";
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            const size_t pixel = i / 3;
            return "pixel (" + std::to_string(pixel % size_t(width)) + ", " +
                   std::to_string(pixel / size_t(width)) + ")";
        }
    }
    return "";
}

// A 32-bit frame description for SetSourceBitmapInfo.
inline tagBITMAPINFO FrameInfo(int width, int height, int bitCount = 32, uint32_t imageSize = 0) {
    tagBITMAPINFO info{};
    info.bmiHeader = tagBITMAPINFOHEADER{
        40, width, height, 1, static_cast<uint16_t>(bitCount), 0, imageSize, 0, 0, 0, 0};
    return info;
}

// One export into a temporary folder.
class ExportRun {
  public:
    explicit ExportRun(int width, int height, int bitCount = 32) : output(dir.file("movie.swf")) {
        writer.SetOutputFilename(CString(output.c_str()));
        const tagBITMAPINFO info = FrameInfo(width, height, bitCount);
        writer.SetSourceBitmapInfo(&info);
    }

    void Open() { ASSERT_EQ(writer.OpenFile(), 0); }
    void Frame(const std::vector<uint8_t>& bits) { writer.ReceiveVideoFrame(bits.data()); }
    void Frame(const ScreenImage& image) { Frame(Packed(image)); }

    // Closes (expecting success) and reads the merged output back.
    SwfFileTags Close() {
        EXPECT_EQ(writer.CloseFile(false), 0);
        return mvdtest::ReadSwfFileTags(output);
    }

    mvdtest::TempDir dir;
    std::string output;
    CSWFWriter writer;
};

// Whether the DoAction body sets `name` first (the merge's variable scripts).
inline bool SetsVariable(const SwfFileTag& tag, const std::string& name) {
    if (tag.code != kDoAction || tag.body.size() < name.size() + 5 || tag.body[0] != 0x96) {
        return false;
    }
    return std::string(tag.body.begin() + 4, tag.body.begin() + 4 + long(name.size())) == name &&
           tag.body[4 + name.size()] == 0;
}

// The movie's own tags of one frame: in frame 0, what the merge put in front
// of the first ShowFrame (the variables and the controller) is left out.
inline std::vector<const SwfFileTag*> MovieTags(const SwfFileTags& file, int frame) {
    std::vector<const SwfFileTag*> tags;
    bool merged = false;
    for (const SwfFileTag& tag : file.tags) {
        if (tag.frame != frame) {
            continue;
        }
        merged = merged || (frame == 0 && SetsVariable(tag, "width"));
        if (!merged || tag.code == kShowFrame) {
            tags.push_back(&tag);
        }
    }
    return tags;
}

inline std::vector<int> Codes(const std::vector<const SwfFileTag*>& tags) {
    std::vector<int> codes;
    for (const SwfFileTag* tag : tags) {
        codes.push_back(tag->code);
    }
    return codes;
}

// Plays the whole file into a display-list model, calling check(frame,
// model) after each frame.
template <typename Check>
void PlayFrames(const SwfFileTags& file, Check check) {
    mvdtest::SwfScreenModel model;
    for (const SwfFileTag& tag : file.tags) {
        model.Apply(tag);
        if (tag.code == kShowFrame) {
            check(tag.frame, model);
        }
    }
}

}  // namespace swfexport
