// Frames, sound and dropped-frame reports from three threads at once.
#include <gtest/gtest.h>

#include <thread>

#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

TEST(ExportThreads, VideoSoundAndDroppedFramesFromThreeThreads) {
    constexpr int kWidth = 96, kHeight = 64, kFrames = 40, kDropped = 5;
    ExportRun run(kWidth, kHeight);
    run.writer.m_SWFConfig.m_nAudioCompression = 0;
    run.Open();

    std::vector<std::vector<uint8_t>> expected;
    std::thread video([&] {
        mvdtest::ScreenContent screen(kWidth, kHeight, 21);
        ScreenImage image(kWidth, kHeight);
        screen.render(image);
        for (int i = 0; i < kFrames; ++i) {
            if (i > 0) {
                screen.nextFrame(image);
            }
            expected.push_back(Rgb(image));
            run.Frame(image);
        }
    });
    std::thread sound([&] {
        const std::vector<uint8_t> chunk(4410, 0x11);
        for (int i = 0; i < kFrames; ++i) {
            run.writer.AddAudioChunk(chunk.data(), int(chunk.size()));
        }
    });
    std::thread drops([&] {
        for (int i = 0; i < kDropped; ++i) {
            run.writer.AddDroppedFrames(1);
        }
    });
    video.join();
    sound.join();
    drops.join();

    const SwfFileTags file = run.Close();
    EXPECT_EQ(file.showFrames, kFrames + kDropped);
    EXPECT_EQ(file.Find(kSoundStreamBlock).size(), size_t(kFrames));
    // Frames are processed in their order: the last picture is the last frame.
    std::vector<uint8_t> last;
    PlayFrames(file, [&](int, const mvdtest::SwfScreenModel& model) {
        last = model.Render(kWidth, kHeight);
    });
    EXPECT_EQ(FirstDifference(last, expected.back(), kWidth), "");
}

}  // namespace
}  // namespace swfexport
