// Reads a capture file back the way a converter does: every frame the
// reader gives until the end marker, a cut (with salvage on) or an error.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Capture/CaptureTestContent.h"
#include "Capture/MVRCReader.h"

namespace capturetest {

struct ReadBack {
    std::vector<std::vector<unsigned char>> frames;  // the reader's pictures
    std::string error;  // the reader's error; empty when it ended without one
    std::optional<MVRCTruncation> truncation;
};

inline ReadBack ReadCapture(const std::string& path, bool salvage = false) {
    ReadBack result;
    MVRCReader reader;
    reader.setSalvage(salvage);
    try {
        reader.openFile(path.c_str());
        _MVRCHeader header;
        reader.readHeader(&header);
        tagMVDImageFormat format = header.format();
        MVDImage out(&format);
        _MVRCFrameHeader frame;
        while (reader.readFrame(&frame, &out)) {
            result.frames.push_back(Bytes(out));
        }
        EXPECT_FALSE(reader.readFrame(&frame, &out)) << "a frame after the end";
    } catch (const MVRCReaderException& e) {
        result.error = e.what();
    }
    result.truncation = reader.truncation();
    return result;
}

}  // namespace capturetest
