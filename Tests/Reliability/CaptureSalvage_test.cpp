// Capture files cut short, as by a recorder that died: cut at every byte,
// the reader says where the file ends; with salvage on it gives back every
// whole frame before the cut, says where the whole frames end, and
// convertToMOV finishes the movie without an error.  Damage that is not a
// cut is still reported with salvage on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Capture/CaptureReadBack.h"
#include "Conversion/ConversionTestSupport.h"
#include "Support/TempDir.h"

namespace {

using capturetest::ReadBack;
using capturetest::ReadCapture;
using conversiontest::Pixels;

class CaptureSalvage : public ::testing::Test {
  protected:
    void SetUp() override {
        m_capture = m_dir.file("rec.mvrc");
        conversiontest::RecordCapture(m_capture, kMVRCCompressionDeltaRLEZlib,
                                      kMVDPixelFormat32BGRA, 12);
        m_frames = ReadCapture(m_capture).frames;
        m_bytes = mvdtest::ReadFileBytes(m_capture);
        // Where each frame record ends: at the next one's tag or the end
        // marker.
        m_ends = conversiontest::FrameRecordStarts(m_bytes);
        m_ends.erase(m_ends.begin());
        m_ends.push_back(m_bytes.size() - kMVRCTagSize);
    }

    std::string cutAt(size_t size) {
        const std::string path = m_dir.file("cut.mvrc");
        mvdtest::WriteFileBytes(path, Pixels(m_bytes.begin(), m_bytes.begin() + size));
        return path;
    }

    mvdtest::TempDir m_dir;
    std::string m_capture;
    std::vector<Pixels> m_frames;
    Pixels m_bytes;
    std::vector<size_t> m_ends;
};

TEST_F(CaptureSalvage, EveryCutKeepsTheWholeFramesBeforeIt) {
    ASSERT_EQ(m_ends.size(), m_frames.size());
    // Every byte near the end of a record, a sample of the others.
    const auto near = [&](size_t size) {
        for (size_t end : m_ends) {
            if (size + 8 >= end && size <= end + 8) {
                return true;
            }
        }
        return size % 7 == 0;
    };
    for (size_t size = kMVRCHeaderSize; size < m_bytes.size(); ++size) {
        if (!near(size)) {
            continue;
        }
        SCOPED_TRACE("cut at " + std::to_string(size));
        const std::string path = cutAt(size);
        size_t whole = 0;
        while (whole < m_ends.size() && m_ends[whole] <= size) {
            ++whole;
        }
        // A cut just before a sprite chunk, or after its tag's first letter
        // (which the frame tag shares), leaves a record that is whole
        // without it: that frame is kept without its cursor.
        const auto spriteAt = [&](size_t at) {
            return std::memcmp(m_bytes.data() + at, kMVRCSpriteTag, kMVRCTagSize) == 0;
        };
        size_t recordEnd = whole == 0 ? kMVRCHeaderSize : m_ends[whole - 1];
        size_t keptFrames = whole;
        if (spriteAt(size) || spriteAt(size - 1)) {
            recordEnd = spriteAt(size) ? size : size - 1;
            ++keptFrames;
        }

        const ReadBack strict = ReadCapture(path, false);
        ASSERT_NE(strict.error.find("ends at byte " + std::to_string(size) + "\n"),
                  std::string::npos)
            << strict.error;
        EXPECT_FALSE(strict.truncation);

        const ReadBack kept = ReadCapture(path, true);
        ASSERT_EQ(kept.error, "");
        ASSERT_EQ(kept.frames.size(), keptFrames)
            << (kept.truncation ? kept.truncation->message() : "no truncation");
        for (size_t f = 0; f < whole; ++f) {
            ASSERT_EQ(kept.frames[f], m_frames[f]) << "frame " << f;
        }
        ASSERT_TRUE(kept.truncation);
        EXPECT_EQ(kept.truncation->fileSize, size);
        EXPECT_EQ(kept.truncation->frames, keptFrames);
        EXPECT_EQ(kept.truncation->framesEnd, recordEnd);
        EXPECT_NE(kept.truncation->message().find("ends at byte " + std::to_string(size)),
                  std::string::npos);
    }
    // A whole file leaves nothing to report.
    const ReadBack whole = ReadCapture(m_capture, true);
    EXPECT_EQ(whole.frames.size(), m_frames.size());
    EXPECT_FALSE(whole.truncation);
}

TEST_F(CaptureSalvage, ConversionFinishesTheMovieOfACutFile) {
    const std::string path = cutAt(m_ends[6] + 17);
    const std::string movie = m_dir.file("cut.mov");
    MVRCReader strict;
    EXPECT_THROW(strict.convertToMOV(path.c_str(), movie.c_str()), MVRCReaderException);

    MVRCReader reader;
    reader.setSalvage(true);
    reader.convertToMOV(path.c_str(), movie.c_str());
    ASSERT_TRUE(reader.truncation());
    EXPECT_EQ(reader.truncation()->frames, 7u);
    const std::vector<conversiontest::ReaderFrame> pictures =
        conversiontest::ReaderFrames(m_capture);
    const conversiontest::DecodedTrack track = conversiontest::DecodeVideoTrack(movie, 0);
    ASSERT_EQ(track.frames.size(), 7u);
    for (size_t f = 0; f < 7; ++f) {
        EXPECT_EQ(track.frames[f], pictures[f].picture) << "frame " << f;
    }

    // The next file read by the same reader starts without a truncation.
    reader.convertToMOV(m_capture.c_str(), movie.c_str());
    EXPECT_FALSE(reader.truncation());
    EXPECT_EQ(conversiontest::DecodeVideoTrack(movie, 0).frames.size(), m_frames.size());
}

TEST_F(CaptureSalvage, DamageIsStillReported) {
    // A rectangle outside the frame in the fourth record, then a chunk tag
    // that is not one: both are damage, not a cut.
    Pixels outside = m_bytes;
    const size_t rect = m_ends[2] + kMVRCTagSize + kMVRCFrameHeaderSize;
    std::memset(outside.data() + rect, 0x7F, 4);
    Pixels tag = m_bytes;
    tag[rect + kMVRCRectSize] = 'X';
    for (const Pixels* damaged : {&outside, &tag}) {
        const std::string path = m_dir.file("damaged.mvrc");
        mvdtest::WriteFileBytes(path, *damaged);
        const ReadBack read = ReadCapture(path, true);
        EXPECT_NE(read.error, "");
        EXPECT_EQ(read.frames.size(), 3u);
        EXPECT_FALSE(read.truncation);
    }
}

}  // namespace
