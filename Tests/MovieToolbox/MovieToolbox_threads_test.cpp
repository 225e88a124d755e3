// Two threads adding samples to two media of one movie at once, as a
// compression session's callback and an audio thread do.
#include <gtest/gtest.h>

#include <thread>

#include "MovieToolbox/MovieFileReader.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolboxMovie.h"

namespace {

TEST(MovieToolboxThreads, ConcurrentSamplesAllLandIntact) {
    mvdtest::TempDir dir;
    std::string path = dir.file("threads.mov");
    constexpr int kCount = 300;
    {
        mvdtest::ToolboxMovie file(path);
        ASSERT_EQ(file.created, noErr);
        file.addVideoAndSound();
        auto feed = [](Media media, SampleDescriptionHandle desc, size_t size, uint32_t seedBase,
                       ItemCount samples, TimeValue64 duration) {
            for (int i = 0; i < kCount; ++i) {
                auto bytes = mvdtest::PatternBytes(size, seedBase + static_cast<uint32_t>(i));
                TimeValue64 time = 0;
                ASSERT_EQ(AddMediaSample2(media, bytes.data(), bytes.size(), duration, 0, desc,
                                          samples, 0, &time),
                          noErr);
                ASSERT_EQ(mvdtest::ReferenceAt(media, time).dataSize, size);
            }
        };
        std::thread videoThread(feed, file.video, file.image, 256, 0, 1, 20);
        std::thread audioThread(feed, file.audio, file.sound, 64, 100000, 32, 1);
        videoThread.join();
        audioThread.join();
        ASSERT_EQ(file.finish({file.video, file.audio}), noErr);
    }

    qtfile::MovieFileReader reader;
    auto status = reader.open(path);
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_EQ(reader.samples(0).sampleCount(), static_cast<uint32_t>(kCount));
    ASSERT_EQ(reader.samples(1).sampleCount(), static_cast<uint32_t>(kCount * 32));
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < kCount; ++i) {
        ASSERT_TRUE(reader.readSample(0, i, bytes).ok());
        ASSERT_EQ(bytes, mvdtest::PatternBytes(256, i));
        qtfile::SampleInfo first;
        ASSERT_TRUE(reader.sampleInfo(1, i * 32, first).ok());
        ASSERT_TRUE(reader.readAt(first.offset, 64, bytes).ok());
        ASSERT_EQ(bytes, mvdtest::PatternBytes(64, 100000 + i));
    }
}

}  // namespace
