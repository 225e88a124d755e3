// The mvd program as a user runs it: help, refusals of bad input, the
// structure `info` prints, the images `frames` writes and a short demo.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "Capture/MVRCReader.h"
#include "DemoScene.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "Inspectors.h"
#include "MovieFrameSource.h"
#include "QuickTime/RecordingTestSupport.h"
#include "SWF/HFMovie.h"
#include "SWF/HFShape.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolRun.h"

namespace mvdtest {
namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Decodes the first track of a movie and compares each frame with the
// pixels `next` gives.
void ExpectTrackFrames(const std::string& path, uint32_t count,
                       const std::function<const uint8_t*()>& next) {
    mvd::RegisterCodecs();
    qtfile::MovieFileReader movie;
    ASSERT_TRUE(movie.open(path).ok());
    uint32_t decoded = 0;
    ASSERT_EQ(DecodeTrackFrames(movie, 0, kCVPixelFormatType_32BGRA,
                                [&](uint32_t index, const MovieFrameDecoder& decoder) {
                                    const std::span<const UInt8> pixels = decoder.frame();
                                    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), next()))
                                        << path << " frame " << index;
                                    ++decoded;
                                    return true;
                                }),
              noErr);
    EXPECT_EQ(decoded, count);
}

class ToolTest : public ::testing::Test {
  protected:
    std::string capture() {
        const std::string path = m_dir.file("in.mvrc");
        WriteTestCapture(path, 3, 64, 48);
        return path;
    }
    std::string movie() { return WriteSampleMovie(m_dir.file("in.mov")).path; }
    // A small demo's live movie and its recovery file.
    std::string liveMovie() {
        const std::string dir = m_dir.file("live");
        const CommandResult run =
            RunTool({"demo", dir, "--frames", "3", "--size", "64x64", "--quiet"});
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        return dir + "/demo-live.mov";
    }

    // Runs the tool, which must succeed and print every part.
    void ExpectOutput(const std::vector<std::string>& args, const std::vector<std::string>& parts) {
        const CommandResult run = RunTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        for (const std::string& part : parts) {
            EXPECT_TRUE(Contains(run.output, part)) << part << " in\n" << run.output;
        }
    }

    TempDir m_dir;
};

TEST_F(ToolTest, HelpAndUsage) {
    CommandResult run = RunTool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"demo", "info", "frames", "swf", "convert", "recover"}) {
        EXPECT_TRUE(Contains(run.output, std::string("  ") + command)) << command;
        CommandResult help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.output.rfind(std::string("usage: mvd ") + command, 0), 0u) << help.output;
    }
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"bogus"}).exitCode, 2);
    ExpectRefusal(RunTool({"info", "--bogus", "x"}), "info", 2);
    ExpectRefusal(RunTool({"frames", "only-one"}), "frames", 2);
    ExpectRefusal(RunTool({"frames", capture(), m_dir.file("f"), "--frames", "9-3"}), "frames", 2);
    ExpectRefusal(RunTool({"demo", m_dir.file("d"), "--size", "10x10"}), "demo", 2);
    ExpectRefusal(RunTool({"convert", capture()}), "convert", 2);
    const std::string movie = this->movie();
    ExpectRefusal(RunTool({"recover", movie + ".rcvr", movie, movie}), "recover", 2);
}

TEST_F(ToolTest, RefusesMissingEmptyTruncatedAndRandomFiles) {
    const std::vector<unsigned char> good = ReadFileBytes(capture());
    const std::vector<unsigned char> goodMovie = ReadFileBytes(movie());
    std::mt19937 rng(5);
    std::vector<unsigned char> noise(4096);
    for (unsigned char& b : noise) {
        b = static_cast<unsigned char>(rng());
    }
    std::vector<unsigned char> captureNoise = noise;
    std::copy(good.begin(), good.begin() + 22, captureNoise.begin());  // a valid header

    std::vector<std::pair<std::string, std::vector<unsigned char>>> files = {
        {"empty", {}},
        {"capture-cut", {good.begin(), good.begin() + long(good.size() / 2)}},
        {"capture-header-cut", {good.begin(), good.begin() + 12}},
        {"capture-noise", captureNoise},
        {"movie-cut", {goodMovie.begin(), goodMovie.begin() + long(goodMovie.size() * 2 / 3)}},
        {"noise", noise},
        {"swf-cut", {'F', 'W', 'S', 6, 200, 0, 0, 0, 0x50}},
        {"recovery-header-cut", {'R', 'C', 'V', 'R', 1, 2}},
    };
    const std::string live = liveMovie();
    std::vector<std::string> paths = {m_dir.file("missing")};
    for (const auto& [name, bytes] : files) {
        paths.push_back(m_dir.file(name));
        WriteFileBytes(paths.back(), bytes);
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ExpectRefusal(RunTool({"info", path}), "info");
        ExpectRefusal(RunTool({"frames", path, m_dir.file("frames")}), "frames");
        ExpectRefusal(RunTool({"swf", path, m_dir.file("out.swf")}), "swf");
        ExpectRefusal(RunTool({"convert", path, m_dir.file("out.mov")}), "convert");
        ExpectRefusal(RunTool({"recover", path, live, m_dir.file("out.mov")}), "recover");
        if (std::filesystem::exists(path)) {
            // A file where the demo's folder should be.
            ExpectRefusal(RunTool({"demo", path, "--frames", "1"}), "demo");
        }
        EXPECT_FALSE(std::filesystem::exists(m_dir.file("out.swf"))) << "no partial output";
        EXPECT_FALSE(std::filesystem::exists(m_dir.file("out.mov"))) << "no partial output";
        EXPECT_FALSE(std::filesystem::exists(m_dir.file("out.mov.part")));
    }
    // A recovery file whose movie file is missing, empty or cut before its
    // samples.
    const std::vector<unsigned char> liveBytes = ReadFileBytes(live);
    WriteFileBytes(m_dir.file("live-cut"), {liveBytes.begin(), liveBytes.begin() + 64});
    for (const char* data : {"missing", "empty", "live-cut"}) {
        SCOPED_TRACE(data);
        ExpectRefusal(RunTool({"recover", live + ".rcvr", m_dir.file(data), m_dir.file("out.mov")}),
                      "recover");
    }
}

TEST_F(ToolTest, DamagedCompressedCaptureDataIsAnErrorLine) {
    const std::string path = m_dir.file("zlib.mvrc");
    WriteTestCapture(path, 3, 64, 48, kMVRCCompressionDeltaRLEZlib);
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    // The key frame's zlib stream follows its "DRDT" tag and size.
    const unsigned char tag[] = {'D', 'R', 'D', 'T', 0};
    const auto at = std::search(bytes.begin(), bytes.end(), tag, tag + 5);
    ASSERT_NE(at, bytes.end());
    for (auto p = at + 5 + 4 + 2; p < at + 5 + 4 + 40; ++p) {
        *p ^= 0x5A;
    }
    WriteFileBytes(path, bytes);
    const CommandResult run = RunTool({"info", path});
    ExpectRefusal(run, "info");
    EXPECT_TRUE(Contains(run.errors, path + ": damaged compressed data")) << run.errors;
}

TEST_F(ToolTest, InfoDescribesCapturesMoviesAndSwfFiles) {
    ExpectOutput(
        {"info", capture(), "--list"},
        {"capture file (MVRC version 1)", "64 x 48, 'BGRA', 4 bytes per pixel",
         "3, 1 key frame, 0.300 s at 10 fps", "Delta RLE: 3 frames", "cursor       in 1 frame",
         "frame 1  Delta RLE  1 x 1/10 s  1 rectangle  64x1+0+1  cursor 4x4+2+3", "frame 2 "});

    const SampleMovie written = WriteSampleMovie(m_dir.file("in.mov"));
    std::vector<std::string> parts = {
        "QuickTime movie (brand 'qt  ')", "video 'raw '",
        "tracks       " + std::to_string(written.tracks.size()),
        "refers to  'chap' track " + std::to_string(written.chapterTrackID) + " (chapters)"};
    for (const WrittenTrack& track : written.tracks) {
        parts.push_back("track " + std::to_string(track.trackID) + "  ");
        for (const std::string& text : track.texts) {
            parts.push_back("\"" + text + "\"");
        }
    }
    ExpectOutput({"info", written.path}, parts);

    const std::string swf = m_dir.file("in.swf");
    HFMovie movie;
    HFRectangle a(0, 0, 200, 200), b(20, 20, 100, 100);
    movie.Frame(0)->AddObject(&a);
    movie.Frame(2)->AddObject(&b);
    ASSERT_TRUE(movie.WriteMovie(swf.c_str()));
    ExpectOutput(
        {"info", swf, "--list"},
        {"SWF file, version 6, uncompressed (FWS)", "stage        550 x 400 pixels",
         "frames       3 at 12.00 fps", "DefineShape3 2", "ShowFrame 3", "  End  0 B at offset"});
}

// The demo's recovery file, as a crash leaves it: a last record cut short.
TEST_F(ToolTest, InfoDescribesARecoveryFile) {
    const std::vector<unsigned char> index = ReadFileBytes(liveMovie() + ".rcvr");
    const std::string path = m_dir.file("movie.rcvr");
    std::vector<unsigned char> file = index;
    file.insert(file.end(), {'Q', 'T', 'V', 'S', 0, 0, 0, 0, 7, 7});
    WriteFileBytes(path, file);
    // 3 frames at 10 fps of 22050 Hz mono 16-bit sound: 13230 bytes.
    ExpectOutput(
        {"info", path},
        {"recovery file of a 64 x 64 movie", "records      12",
         "audio 0      1 channel, 22050 Hz, 16 bits", "3 sample records, 0.300 s, 12.9 KiB, 'twos'",
         "video 0      frame 64 x 64 at 0,0", "2 not sync, 'mvdk' 64 x 64",
         "\"Typing a note in the editor\"", "the last 10 B are an incomplete record"});
    file = index;
    file.insert(file.end(), {'Q', 'T', 'X', 'X', 0, 0, 0, 0});
    WriteFileBytes(path, file);
    ExpectRefusal(RunTool({"info", path}), "info");
}

TEST_F(ToolTest, FramesWritesTheChosenImages) {
    const std::string dir = m_dir.file("out/images");
    CommandResult run = RunTool({"frames", capture(), dir, "--frames", "0,2"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(std::filesystem::exists(dir + "/frame-000000.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame-000001.png"));
    EXPECT_TRUE(std::filesystem::exists(dir + "/frame-000002.png"));

    run = RunTool({"frames", capture(), dir, "--frames", "1,7-"});
    ExpectRefusal(run, "frames");
    EXPECT_TRUE(Contains(run.errors, "asked for frame 7 but the file has 3 frames")) << run.errors;

    // A movie's video track, picked by its ID.
    const SampleMovie written = WriteSampleMovie(m_dir.file("in.mov"));
    uint32_t video = 0;
    for (const WrittenTrack& t : written.tracks) {
        video = t.mediaType == 'vide' && video == 0 ? t.trackID : video;
    }
    ExpectOutput({"frames", written.path, dir, "--track", std::to_string(video), "--frames", "0-",
                  "--alpha"},
                 {"wrote " + std::to_string(written.track(video).samples.size()) + " images"});
    ExpectRefusal(RunTool({"frames", written.path, dir, "--track", "99"}), "frames");
}

TEST_F(ToolTest, SwfExportsCapturesAndMovies) {
    const std::string out = m_dir.file("out.swf");
    ExpectOutput({"swf", capture(), out, "--version", "9", "--skin", "classic"},
                 {"3 frames at 10 fps from 3 source frames"});
    // The merge with the controller (DoAction) writes version 8 whatever the movie's.
    ExpectOutput({"info", out}, {"SWF file, version 8", "frames       3 at 10.00 fps", "DoAction"});

    // Frames lasting longer than one SWF frame are shown again.
    const std::string movie = WriteSampleMovie(m_dir.file("in.mov")).path;
    ExpectOutput({"swf", movie, out, "--audio", "none", "--fps", "30"}, {"at 30 fps"});
    // The movie's first sound track (22050 Hz stereo) streams along.
    ExpectOutput({"swf", movie, out, "--audio", "pcm"}, {"with sound"});
    ExpectOutput({"info", out}, {"22050 Hz, 16-bit, stereo"});

    ExpectRefusal(RunTool({"swf", capture(), out, "--skin", "nope"}), "swf", 2);
    ExpectRefusal(RunTool({"swf", capture(), out, "--audio", "mp3"}), "swf", 2);
    ExpectRefusal(RunTool({"swf", capture(), m_dir.file("no/such/dir/x.swf")}), "swf");
}

TEST_F(ToolTest, ConvertKeepsACutCaptureOnlyWhenAskedToSalvage) {
    const std::string path = m_dir.file("in.mvrc");
    WriteTestCapture(path, 6, 64, 48);
    const std::string out = m_dir.file("out.mov");
    CommandResult run = RunTool({"convert", path, out});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output, "wrote " + out + ": 6 frames, 0.600 s\n");
    EXPECT_TRUE(run.errors.empty()) << run.errors;

    // Cut inside the fifth frame: four frames are complete.
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    const unsigned char tag[] = {'S', 'M', 'P', 'L'};
    auto fifth = bytes.begin();
    for (int i = 0; i < 5; ++i) {
        fifth = std::search(fifth + (i == 0 ? 0 : 4), bytes.end(), tag, tag + 4);
        ASSERT_NE(fifth, bytes.end());
    }
    const std::string cut = m_dir.file("cut.mvrc");
    WriteFileBytes(cut, {bytes.begin(), fifth + 30});

    // Without --salvage: refused, and the movie already there is kept.
    run = RunTool({"convert", cut, out});
    ExpectRefusal(run, "convert");
    EXPECT_TRUE(Contains(run.errors, "--salvage keeps the")) << run.errors;
    EXPECT_TRUE(Contains(RunTool({"info", out}).output, "samples    6")) << "old movie kept";
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));

    run = RunTool({"convert", cut, out, "--salvage"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "mvd convert: warning: " + cut)) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "kept the 4 complete frames")) << run.errors;
    EXPECT_EQ(mvd::SummarizeMovie(out).frames, 4u);
}

TEST_F(ToolTest, RecoverRebuildsWhatTheIndexListsUpToItsDamage) {
    const std::string live = liveMovie();
    const std::string out = m_dir.file("out.mov");
    ExpectOutput({"recover", live + ".rcvr", live, out}, {"3 frames, 0.300 s"});
    CommandResult run;
    const std::string nowhere = m_dir.file("no/such/dir/out.mov");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"recover", live + ".rcvr", live, nowhere},
          std::vector<std::string>{"convert", capture(), nowhere}}) {
        run = RunTool(args);
        ExpectRefusal(run, args[0]);
        EXPECT_TRUE(Contains(run.errors, ": " + nowhere + ": ")) << run.errors;
    }

    // An unknown record label after the second video sample: the movie of
    // what came before is written and the damage reported.
    std::vector<unsigned char> index = ReadFileBytes(live + ".rcvr");
    const unsigned char label[] = {'Q', 'T', 'V', 'S'};
    auto at = std::search(index.begin(), index.end(), label, label + 4);
    at = std::search(at + 4, index.end(), label, label + 4);
    at = std::search(at + 4, index.end(), label, label + 4);
    ASSERT_NE(at, index.end());
    std::copy(label, label + 3, at);
    *(at + 3) = 'X';
    WriteFileBytes(m_dir.file("damaged.rcvr"), index);
    run = RunTool({"recover", m_dir.file("damaged.rcvr"), live, out});
    ExpectRefusal(run, "recover");
    EXPECT_TRUE(Contains(run.errors, "rebuilt " + out)) << run.errors;
    EXPECT_EQ(mvd::SummarizeMovie(out).frames, 2u);
}

TEST_F(ToolTest, ShortDemoRecordsTheSceneItDraws) {
    const std::string dir = m_dir.file("demo");
    const CommandResult run =
        RunTool({"demo", dir, "--frames", "12", "--size", "320x180", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(run.errors.empty()) << run.errors;
    for (const char* file :
         {"demo.mvrc", "demo-live.mov", "demo-converted.mov", "demo-mvrc.mov", "demo.swf"}) {
        EXPECT_TRUE(Contains(run.output, file)) << run.output;
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + file)) << file;
    }
    ExpectOutput({"info", dir + "/demo.swf"}, {"frames       12 at 10.00 fps"});

    // The capture holds exactly the frames the scene draws, bottom line
    // first, with the cursor measured from the bottom.
    mvddemo::DemoSettings settings;
    settings.width = 320;
    settings.height = 180;
    settings.frameCount = 12;
    mvddemo::DemoScene scene(settings);
    MVRCReader reader;
    reader.openFile((dir + "/demo.mvrc").c_str());
    _MVRCHeader header{};
    reader.readHeader(&header);
    _MVRCFrameHeader frame{};
    const size_t row = 320 * 4;
    while (scene.next()) {
        ASSERT_TRUE(reader.readFrame(&frame, nullptr));
        const MVDImage* canvas = reader.canvas();
        for (int32_t y = 0; y < 180; ++y) {
            ASSERT_EQ(std::memcmp(scene.frame().data() + size_t(y) * row,
                                  canvas->m_pData + size_t(179 - y) * row, row),
                      0)
                << "frame " << scene.frameNumber() << " line " << y;
        }
        EXPECT_EQ(reader.frameSpriteRect().x, scene.cursorRect().x);
        EXPECT_EQ(reader.frameSpriteRect().y, 180 - scene.cursorRect().bottom());
    }
    EXPECT_FALSE(reader.readFrame(&frame, nullptr));

    // The live movie's screen track decodes to the same frames; the movie of
    // capture records shows the capture's frames, upright and with cursor.
    mvddemo::DemoScene again(settings);
    ExpectTrackFrames(dir + "/demo-live.mov", 12, [&] {
        EXPECT_TRUE(again.next());
        return again.frame().data();
    });
    MVRCReader capture;
    capture.openFile((dir + "/demo.mvrc").c_str());
    capture.readHeader(&header);
    tagMVDImageFormat format = header.format();
    MVDImage withCursor(&format);
    ExpectTrackFrames(dir + "/demo-mvrc.mov", 12, [&] {
        EXPECT_TRUE(capture.readFrame(&frame, &withCursor));
        withCursor.flipInPlace();
        return static_cast<const uint8_t*>(withCursor.m_pData);
    });
    ExpectOutput({"info", dir + "/demo-live.mov.rcvr"}, {"12 sample records, 1.200 s"});
}

}  // namespace
}  // namespace mvdtest
