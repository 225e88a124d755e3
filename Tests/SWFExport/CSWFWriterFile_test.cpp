// Opening, frame-zero tags, buttons, closing with the merge, and the
// export's own tags.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "SWF/FColor.h"
#include "SWF/FObjCollection.h"
#include "SWF/FSWFStream.h"
#include "SWF/SwfBytes.h"
#include "SWFExport/SWFExportTags.h"
#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

namespace fs = std::filesystem;
using swftest::Hex;

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

std::vector<uint8_t> Text(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(ExportFile, OpeningNeedsANameAndHappensOnce) {
    CSWFWriter writer;
    EXPECT_EQ(writer.OpenFile(), kSWFExportNoOutputName);
    EXPECT_EQ(writer.GetSWFMovie(), nullptr);

    mvdtest::TempDir dir;
    EXPECT_EQ(writer.SetOutputFilename(CString(dir.file("a.swf").c_str())), 1);
    ASSERT_EQ(writer.OpenFile(), 0);
    EXPECT_TRUE(fs::exists(dir.file("a.swfVidOnly.swf")));
    FObjCollection* movie = writer.GetSWFMovie();
    EXPECT_EQ(FObjCollection::CurrentCharacterID(), CSWFWriter::kControllerCharacterIDs);
    EXPECT_EQ(writer.OpenFile(), 0);
    EXPECT_EQ(writer.GetSWFMovie(), movie) << "a second open changes nothing";

    // A folder that does not exist cannot hold the movie.
    CSWFWriter elsewhere;
    elsewhere.SetOutputFilename(CString(dir.file("missing/b.swf").c_str()));
    EXPECT_EQ(uint32_t(elsewhere.OpenFile()), kSWFExportFailed);
}

TEST(ExportFile, FrameZeroHoldsRateApplicationTagAndStageScript) {
    ExportRun run(64, 48);
    run.writer.SetApplicationSWFTag("made here", 777);
    run.writer.SetFrameRate(15);
    run.Open();
    run.Frame(ScreenImage(64, 48));
    const SwfFileTags file = run.Close();
    const auto tags = MovieTags(file, 0);
    ASSERT_GE(tags.size(), 4u);
    EXPECT_EQ(tags[1]->body,
              Hex("96 11 00 00 63 73 4D 6F 76 69 65 46 50 53 00 07 0F 00 00 00 1D 00"))
        << "csMovieFPS = 15";
    EXPECT_EQ(tags[2]->code, 777);
    EXPECT_EQ(tags[2]->body, Text(std::string("made here") + '\0'));
    std::vector<uint8_t> scaleMode = Hex("96 07 00 00");
    for (const std::vector<uint8_t>& part :
         {Text(std::string("Stage") + '\0'), Hex("1C 96 14 00 00"),
          Text(std::string("scaleMode\0\0noScale", 18) + '\0'), Hex("4F 00")}) {
        scaleMode.insert(scaleMode.end(), part.begin(), part.end());
    }
    EXPECT_EQ(tags[3]->body, scaleMode) << "Stage.scaleMode = \"noScale\"";
    EXPECT_EQ(file.header.frameRate, 15 << 8);
}

TEST(ExportFile, ResizableMoviesKeepTheStageFree) {
    ExportRun run(64, 48);
    run.writer.SetAllowResizing(1);
    run.Open();
    run.writer.AddFrameZeroInfo();
    run.Frame(ScreenImage(64, 48));
    const SwfFileTags file = run.Close();
    EXPECT_EQ(Codes(MovieTags(file, 0)),
              (std::vector<int>{kDoAction, kSoundStreamHead2, kDefineBitsLossless2, kDefineShape3,
                                kPlaceObject2, kShowFrame}))
        << "the frame-zero tags once, before the first picture";
}

// The stage grows by the controller (18 by default); layout 1 adds a pixel
// each way and reports the movie's size.
TEST(ExportFile, StageFollowsTheLayoutAndTheMergeAddsTheController) {
    for (int layout : {2, 1}) {
        ExportRun run(640, 480);
        run.writer.m_SWFConfig.m_nStageLayout = layout;
        if (layout == 1) {
            run.writer.SetControllerHeight(37);
        }
        run.Open();
        run.Frame(ScreenImage(640, 480));
        const SwfFileTags file = run.Close();
        const int grow = layout == 1, bar = layout == 1 ? 37 : 18;
        EXPECT_EQ(file.header.xMax, (640 + grow) * 20);
        EXPECT_EQ(file.header.yMax, (480 + grow + bar) * 20);
        EXPECT_EQ(file.header.version, 8);
        int width = -1, height = -1;
        run.writer.GetMovieDimensions(&width, &height);
        EXPECT_EQ(width, layout == 1 ? 641 : 0) << "reported for layout 1 only";
        if (layout == 1) {
            EXPECT_EQ(height, 481);
        }
        EXPECT_FALSE(fs::exists(run.output + "VidOnly.swf")) << "the intermediate movie is removed";
    }
}

TEST(ExportFile, ClosingWithoutFramesReportsTheFailedMerge) {
    ExportRun run(64, 48);
    run.Open();
    EXPECT_EQ(uint32_t(run.writer.CloseFile(false)), kSWFExportFailed);
    EXPECT_FALSE(fs::exists(run.output) && fs::file_size(run.output) > 0);
    EXPECT_EQ(run.writer.CloseFile(false), 0) << "closed already";
}

TEST(ExportFile, ReopeningStartsAFreshMovie) {
    ExportRun run(32, 32);
    ScreenImage image(32, 32);
    image.fill(image.bounds(), 0xFF336699);
    for (int pass = 0; pass < 2; ++pass) {
        run.Open();
        run.Frame(image);
        const SwfFileTags file = run.Close();
        const auto bitmaps = file.Find(kDefineBitsLossless2);
        ASSERT_EQ(bitmaps.size(), 1u) << "pass " << pass << ": the first picture is defined";
        EXPECT_EQ(LE16(bitmaps[0]->body, 0), 1501u);
        EXPECT_EQ(LE16(file.Find(kPlaceObject2)[0]->body, 1), 1u) << "depth";
    }
}

TEST(ExportFile, DestroyingAnOpenWriterFinishesTheExport) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("late.swf");
    {
        CSWFWriter writer;
        writer.SetOutputFilename(CString(path.c_str()));
        const tagBITMAPINFO info = FrameInfo(16, 16);
        writer.SetSourceBitmapInfo(&info);
        ASSERT_EQ(writer.OpenFile(), 0);
        writer.ReceiveVideoFrame(Packed(ScreenImage(16, 16)).data());
    }
    EXPECT_EQ(mvdtest::ReadSwfFileTags(path).showFrames, 1);
}

TEST(ExportFile, ControllerComesFromTheResourcesFolder) {
    CStringA path(CSWFWriter::GetSWFWrapperControlFile());
    const std::string found(path.GetBuffer());
    path.ReleaseBuffer();
    EXPECT_EQ(fs::path(found).filename(), "velmoran_player.swf");
    EXPECT_TRUE(fs::exists(found));

    // Without one, the merge still gives the movie with its variables.
    mvdtest::TempDir empty;
    setenv("MVD_RESOURCE_DIR", empty.path().c_str(), 1);
    EXPECT_TRUE(CSWFWriter::GetSWFWrapperControlFile().IsEmpty());
    ExportRun run(16, 16);
    run.Open();
    run.Frame(ScreenImage(16, 16));
    const SwfFileTags file = run.Close();
    unsetenv("MVD_RESOURCE_DIR");
    EXPECT_TRUE(file.Find(kDefineSprite).empty());
    EXPECT_EQ(file.Find(kDoAction).size(), 2u + 4u);
}

TEST(ExportFile, ButtonsLieAboveEveryPictureAndActOnRelease) {
    ExportRun run(64, 48);
    run.Open();
    ScreenImage image(64, 48);
    run.Frame(image);
    const RECT area{4, 4, 20, 14};
    const FColor red(255, 0, 0);
    EXPECT_EQ(run.writer.AddButton(nullptr, 1, &area, 7, 0, 0, 0, 32, 0, &red, 0), 0);
    EXPECT_EQ(
        run.writer.AddButton(run.writer.GetSWFMovie(), 1, &area, 6, 0, 0, 0, 16, 1, nullptr, 0), 0);
    EXPECT_EQ(run.writer.AddButton(nullptr, 1, &area, 129, 0, 0, 0, 32, 0, nullptr, 42), 0);
    EXPECT_EQ(uint32_t(run.writer.AddButton(nullptr, 1, nullptr, 7, 0, 0, 0, 32, 0, nullptr, 0)),
              kSWFExportFailed);
    for (int i = 0; i < 3; ++i) {
        image.fill({i, i, 1, 1}, 0xFFFFFFFF);
        run.Frame(image);
    }
    const SwfFileTags file = run.Close();

    // Pictures on depths 1 to 4, the three buttons of frame 1 above them.
    std::vector<std::vector<uint8_t>> buttons;
    std::vector<uint32_t> pictureDepths, buttonDepths;
    for (const SwfFileTag* button : file.Find(kDefineButton2)) {
        if (button->frame == 1) {
            buttons.push_back(button->body);
        }
    }
    ASSERT_EQ(buttons.size(), 3u);
    for (const SwfFileTag* place : file.Find(kPlaceObject2)) {
        const uint32_t depth = LE16(place->body, 1), id = LE16(place->body, 3);
        if (std::any_of(buttons.begin(), buttons.end(),
                        [&](const auto& b) { return LE16(b, 0) == id; })) {
            buttonDepths.push_back(depth);
        } else if (depth < CSWFWriter::kMaxPictureDepth) {
            pictureDepths.push_back(depth);
        }
    }
    EXPECT_EQ(pictureDepths, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(buttonDepths, (std::vector<uint32_t>{5, 6, 7}));

    // The release conditions: stop; play unless in a quiz; leave the quiz.
    EXPECT_EQ(std::vector<uint8_t>(buttons[0].end() - 6, buttons[0].end()),
              Hex("00 00 08 00 07 00"));
    EXPECT_TRUE(Contains(buttons[1], Hex("1C 12 12 9D 02 00 01 00 06 00")));
    EXPECT_TRUE(Contains(buttons[2], Text("removeMovieClip")));
    EXPECT_TRUE(Contains(buttons[2], Hex("52 17 81 02 00 2A 00 07 00")));

    // States: four shapes per button, DefineShape at 16 bits per pixel; the
    // circles are curves.
    EXPECT_EQ(file.Find(kDefineShape).size(), 4u);
}

TEST(ExportTags, VersionMarkAndCustomTagBytes) {
    FSWFStream stream;
    FDTBrevantaVersion(new FString("2.1")).WriteToSWFStream(&stream);
    const std::string mark = "Morvandel Brevanta Studio 2.1";
    std::vector<uint8_t> expected{uint8_t((700 << 6 | mark.size()) & 0xFF),
                                  uint8_t((700 << 6 | mark.size()) >> 8)};
    expected.insert(expected.end(), mark.begin(), mark.end());
    EXPECT_EQ(swftest::StreamBytes(stream), expected);

    FSWFStream custom;
    FDTCustomTag("hi", 900).WriteToSWFStream(&custom);
    EXPECT_EQ(swftest::StreamBytes(custom), Hex("03 E1 68 69 00"));
    EXPECT_THROW(FDTCustomTag("x", 1024), std::invalid_argument);
}

}  // namespace
}  // namespace swfexport
