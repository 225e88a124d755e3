// Running the built mvd program in tests, and the files it is given.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Capture/MVRCWriter.h"
#include "Support/FFmpegTool.h"

namespace mvdtest {

inline CommandResult RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), MVD_TOOL_PATH);
    return RunCommand(args);
}

// A refusal: the given status and exactly one line on standard error, which
// names the command.
inline void ExpectRefusal(const CommandResult& run, const std::string& command, int status = 1) {
    EXPECT_EQ(run.exitCode, status) << run.errors;
    const std::string prefix = "mvd " + command + ": ";
    EXPECT_EQ(run.errors.compare(0, prefix.size(), prefix), 0) << run.errors;
    ASSERT_FALSE(run.errors.empty());
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line: " << run.errors;
}

// Writes a capture of `frames` frames of width x height with the given
// compression: a gradient, then per frame a changed band, and a 4 x 4
// cursor attached to frame 1.
inline void WriteTestCapture(const std::string& path, int frames, uint32_t width, uint32_t height,
                             MVRCCompressionType type = kMVRCCompressionDeltaRLE) {
    tagMVDImageFormat format{width, height, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    for (uint32_t i = 0; i < width * height; ++i) {
        image.m_pData[i * 4] = static_cast<unsigned char>(i % width);
        image.m_pData[i * 4 + 1] = static_cast<unsigned char>(i / width);
        image.m_pData[i * 4 + 2] = static_cast<unsigned char>(i * 7);
        image.m_pData[i * 4 + 3] = 255;
    }
    std::vector<unsigned char> cursorPixels(4 * 4 * 4, 0x80);
    MVDImage cursor(4, 4, kMVDPixelFormat32BGRA, 4, cursorPixels.data());
    MVRCWriter writer;
    writer.setCompressionType(type);
    writer.openFile(path);
    writer.writeHeader(&format);
    for (int f = 0; f < frames; ++f) {
        CGRect band = CGRectMake(0, float(f % height), float(width), 1);
        for (uint32_t x = 0; x < width; ++x) {
            unsigned char* p = image.m_pData + ((f % height) * width + x) * 4;
            p[0] = static_cast<unsigned char>(p[0] + 40 + f);
        }
        if (f == 1) {
            writer.writeFrame(1, 10.0f, &image, 1, &band, &cursor, CGRectMake(2, 3, 4, 4));
        } else {
            writer.writeFrame(1, 10.0f, &image, 1, &band);
        }
    }
    writer.closeFile();
}

}  // namespace mvdtest
