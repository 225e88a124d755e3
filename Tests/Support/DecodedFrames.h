// Every frame of a movie's video track, decoded by our decompressors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"

namespace mvdtest {

inline std::vector<std::vector<uint8_t>> DecodedFrames(const qtfile::MovieFileReader& reader,
                                                       size_t track, CVPixelFormatType format) {
    std::vector<std::vector<uint8_t>> frames;
    EXPECT_EQ(DecodeTrackFrames(reader, track, format,
                                [&](uint32_t, const MovieFrameDecoder& decoder) {
                                    frames.emplace_back(decoder.frame().begin(),
                                                        decoder.frame().end());
                                    return true;
                                }),
              noErr);
    return frames;
}

}  // namespace mvdtest
