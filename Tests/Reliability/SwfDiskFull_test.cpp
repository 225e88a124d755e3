// SWF files written onto a full disk: the export reports the failure from
// CloseFile; when the video-only movie could be written it is kept whole
// and playable, and the cut merged output is recognisably not a whole file.
// The object model reports a movie it could not write and leaves no partial
// file behind (and never removes what is not a regular file).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Portability/CString.h"
#include "SWF/FObjCollection.h"
#include "SWF/HFMovie.h"
#include "SWF/HFShape.h"
#include "SWFExport/CSWFWriter.h"
#include "Support/FileSizeLimit.h"
#include "Support/ScreenContent.h"
#include "Support/SwfScreenModel.h"
#include "Support/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 96;
constexpr int kHeight = 64;
constexpr int kFrames = 12;

std::string IntermediatePath(const std::string& output) {
    return output + "VidOnly.swf";
}

// Exports kFrames frames, each with a new patch of noise (bitmaps that do
// not compress), and returns what CloseFile returned.
int Export(const std::string& output) {
    CSWFWriter writer;
    writer.SetOutputFilename(CString(output.c_str()));
    tagBITMAPINFO info{};
    info.bmiHeader = tagBITMAPINFOHEADER{40, kWidth, kHeight, 1, 32, 0, 0, 0, 0, 0, 0};
    writer.SetSourceBitmapInfo(&info);
    if (writer.OpenFile() != 0) {
        return -1;
    }
    mvdtest::ScreenImage image(kWidth, kHeight);
    for (int f = 0; f < kFrames; ++f) {
        mvdtest::FillNoise(image, {0, 0, kWidth, kHeight / 2 + f}, uint32_t(f + 1));
        writer.ReceiveVideoFrame(image.data());
    }
    return writer.CloseFile(false);
}

// The frames of a whole SWF file; none when the file is not whole.
std::optional<int> ShowFrames(const std::string& path) {
    try {
        return mvdtest::ReadSwfFileTags(path).showFrames;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

TEST(SwfDiskFull, ExportReportsTheFailureAndKeepsWhatIsWhole) {
    mvdtest::TempDir dir;
    const std::string reference = dir.file("whole.swf");
    ASSERT_EQ(Export(reference), 0);
    ASSERT_EQ(ShowFrames(reference), kFrames);
    const size_t merged = fs::file_size(reference);

    // Too small for the video-only movie; then room for it but not for the
    // merged one (which holds it and the controller).
    for (const rlim_t limit : {rlim_t(merged / 4), rlim_t(merged - 1)}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const std::string output = dir.file("cut" + std::to_string(limit) + ".swf");
        const std::string result =
            mvdtest::RunWithFileSizeLimit(limit, [&] { return std::to_string(Export(output)); });
        EXPECT_EQ(result, std::to_string(static_cast<int>(kSWFExportFailed)));
        const std::string videoOnly = IntermediatePath(output);
        if (limit < merged / 2) {
            EXPECT_FALSE(fs::exists(videoOnly)) << "a partial video-only movie is left";
        } else {
            EXPECT_EQ(ShowFrames(videoOnly), kFrames) << "the video-only movie is not kept";
        }
        EXPECT_EQ(ShowFrames(output), std::nullopt) << "a cut output passes for a whole one";
    }
}

TEST(SwfDiskFull, ObjectModelReportsAMovieItCouldNotWrite) {
    mvdtest::TempDir dir;
    const auto write = [](const std::string& path) {
        HFMovie movie;
        std::vector<uint8_t> pixels(64 * 64 * 4);
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
        }
        HFBitmap bitmap(0, 0, 64, 64, pixels.data());
        HFRectangle box(100, 100, 400, 300);
        movie.Frame(0)->AddObject(&bitmap);
        movie.Frame(1)->AddObject(&box);
        return movie.WriteMovie(path.c_str());
    };
    const std::string reference = dir.file("whole.swf");
    ASSERT_TRUE(write(reference));
    const size_t size = fs::file_size(reference);

    const std::string path = dir.file("cut.swf");
    EXPECT_EQ(mvdtest::RunWithFileSizeLimit(size / 2, [&] { return write(path) ? "1" : "0"; }),
              "0");
    EXPECT_FALSE(fs::exists(path)) << "a partial movie is left";

    // A device that refuses every byte: reported, and the device stays.
    struct stat before;
    ASSERT_EQ(stat("/dev/full", &before), 0);
    EXPECT_FALSE(write("/dev/full"));
    struct stat after;
    ASSERT_EQ(stat("/dev/full", &after), 0) << "the device was removed";
    EXPECT_TRUE(S_ISCHR(after.st_mode));
}

}  // namespace
