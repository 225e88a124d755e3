// Lossless bitmaps compressed on worker threads: the movie is byte for byte
// the one made without them, and the deflater finishes what it was given.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

#include "SWF/FBitmapDeflater.h"
#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Typing, scrolling, a moved window and a redrawn region: many bitmaps of
// many sizes, some reused.
std::vector<uint8_t> Export(int threads) {
    constexpr int kWidth = 320, kHeight = 200;
    ExportRun run(kWidth, kHeight);
    run.writer.SetBitmapCompressionThreads(threads);
    run.Open();
    mvdtest::ScreenContent screen(kWidth, kHeight, 5);
    ScreenImage image(kWidth, kHeight);
    screen.render(image);
    for (int i = 0; i < 60; ++i) {
        if (i > 0)
            screen.nextFrame(image);
        run.Frame(image);
    }
    EXPECT_GT(run.Close().showFrames, 0);
    return ReadFile(run.output);
}

TEST(BitmapCompression, ThreadsDoNotChangeTheMovie) {
    const std::vector<uint8_t> alone = Export(0);
    ASSERT_GT(alone.size(), 1000u);
    EXPECT_EQ(Export(1), alone);
    EXPECT_EQ(Export(3), alone);
}

TEST(BitmapCompression, DeflaterFinishesEveryBitmapHandedIn) {
    std::vector<std::vector<uint8_t>> raws;
    for (int i = 0; i < 40; ++i)
        raws.emplace_back(size_t(1000 + 97 * i), uint8_t(i));
    std::vector<FBitmapDeflater::Result> results;
    {
        FBitmapDeflater deflater(2);
        for (const auto& raw : raws)
            results.push_back(deflater.submit(raw));
    }  // destroyed with bitmaps still queued
    for (size_t i = 0; i < raws.size(); ++i) {
        ASSERT_EQ(results[i].wait_for(std::chrono::seconds(0)), std::future_status::ready);
        const std::vector<uint8_t>& stream = results[i].get();
        EXPECT_EQ(stream, FBitmapDeflater::Compress(raws[i].data(), raws[i].size()));
        std::vector<uint8_t> back(raws[i].size());
        uLongf length = back.size();
        ASSERT_EQ(uncompress(back.data(), &length, stream.data(), stream.size()), Z_OK);
        EXPECT_EQ(back, raws[i]);
    }
}

}  // namespace
}  // namespace swfexport
