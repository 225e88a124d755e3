// Writes small seed inputs for every fuzz target into DIR/<target>/, each
// made by our own writers: codec frames from the frame compressor and the
// encoder, Delta RLE streams, capture files from MVRCWriter (one of them cut
// short as by a crash), a movie and its recovery file from QTWriter, its
// video samples, Animation samples, SWF files from the object model and the
// export, WAV files, text in every encoding and the codec's preferences
// file.  Each input is laid out as its target reads it.
//
//   fuzz_seeds DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "Capture/DeltaRLE.h"
#include "Capture/MVRCWriter.h"
#include "Codec/MVDKCodecComponent.h"
#include "Codec/MVDKEncoder.h"
#include "Codec/MVDKFrameCompressor.h"
#include "CoreFoundation/CoreFoundation.h"
#include "ImageCompression/AnimationCodec.h"
#include "MovieToolbox/MovieFileReader.h"
#include "QuickTime/QTWriter.h"
#include "SWF/FObjCollection.h"
#include "SWF/HFButton.h"
#include "SWF/HFMovie.h"
#include "SWF/HFShape.h"
#include "SWF/HFSound.h"
#include "SWF/HFText.h"
#include "SWFExport/CSWFWriter.h"
#include "SWFSound/WavBuilder.h"
#include "Support/SoundFormats.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Seeds above this size only slow the fuzzers down.
constexpr size_t kMaxSeedSize = 64 * 1024;

class SeedFolder {
  public:
    explicit SeedFolder(fs::path root) : m_root(std::move(root)) {}

    void add(const std::string& target, const std::string& name, std::span<const uint8_t> bytes) {
        if (bytes.size() > kMaxSeedSize) {
            throw std::runtime_error(target + "/" + name + " is larger than a seed should be");
        }
        const fs::path folder = m_root / target;
        fs::create_directories(folder);
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            throw std::runtime_error("cannot write " + (folder / name).string());
        }
        ++m_count;
    }

    const fs::path& root() const { return m_root; }
    int count() const { return m_count; }

  private:
    fs::path m_root;
    int m_count = 0;
};

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutLE(Bytes& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

Bytes Concat(Bytes head, std::span<const uint8_t> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// A screen-like picture of width x height pixels of `pixelBytes` bytes: a
// flat background (long runs), a gradient band (literals), a box that moves
// with `frame` (changes between frames) and a few noisy pixels.
Bytes Picture(int width, int height, int pixelBytes, int frame) {
    Bytes out(size_t(width) * height * pixelBytes);
    uint32_t noise = 0x9E3779B9u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t value = 0xFF3060C0u;
            if (y >= height / 3 && y < height / 2) {
                value = 0xFF000000u | uint32_t(x * 5) << 16 | uint32_t(y * 9) << 8 | uint32_t(x);
            }
            const int boxX = (frame * 3) % (width > 4 ? width - 4 : 1);
            if (x >= boxX && x < boxX + 4 && y >= 1 && y < 4) {
                value = 0xFFFFFFFFu - uint32_t(frame);
            }
            noise = noise * 1664525u + 1013904223u;
            if (y == height - 1 && x % 3 == 0) {
                value = noise | 0xFF000000u;
            }
            for (int b = 0; b < pixelBytes; ++b) {
                out[(size_t(y) * width + x) * pixelBytes + b] = uint8_t(value >> (8 * b));
            }
        }
    }
    return out;
}

// --- screen codec frames --------------------------------------------------

// Input of mvdk_decode_fuzzer: width - 1 (2 bytes), height - 1, then the
// depth's index with bit 3 set for a raw run-length stream.
void AddCodecFrames(SeedFolder& seeds) {
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{1, 9}, {7, 5}, {48, 32}, {100, 12}};
    const uint16_t depths[] = {8, 16, 24, 32};
    for (const Size& size : sizes) {
        for (uint8_t index = 0; index < 4; ++index) {
            const uint16_t depth = depths[index];
            const int pixelBytes = mvdk::StreamBytesPerPixel(depth);
            const int32_t rowBytes = size.width * pixelBytes;
            MVDKFrameInfo info{depth, size.width, size.height, 0, depth};
            const Bytes frames[2] = {Picture(size.width, size.height, pixelBytes, 0),
                                     Picture(size.width, size.height, pixelBytes, 1)};
            Bytes head;
            PutLE(head, uint32_t(size.width - 1), 2);
            head.push_back(uint8_t(size.height - 1));
            head.push_back(index);
            const std::string stem = std::to_string(size.width) + "x" +
                                     std::to_string(size.height) + "-d" + std::to_string(depth);

            MVDKFrameCompressor compressor;
            if (compressor.beginSequence(size.width, size.height, depth) != noErr) {
                throw std::runtime_error("beginSequence failed for " + stem);
            }
            Bytes data(MVDKFrameCompressor::MaxFrameDataSize(size.width, size.height, depth));
            Bytes raw(mvdk::EncodeBound(size.width, size.height, depth));
            for (int f = 0; f < 2; ++f) {
                MVDKCompressOptions options;
                options.frameNumber = uint32_t(f);
                const MVDKCompressResult r = compressor.compressFrame(
                    info, frames[f].data(), rowBytes, options, data.data(), data.size());
                if (r.err != noErr) {
                    throw std::runtime_error("compressFrame failed for " + stem);
                }
                const std::string kind = f == 0 ? "-key" : "-diff";
                seeds.add("mvdk_decode_fuzzer", stem + kind + "-frame",
                          Concat(head, std::span(data.data(), r.dataLength)));
                const int32_t n =
                    MVDK_Encode(&info, f == 0 ? nullptr : frames[0].data(), frames[f].data(),
                                raw.data(), 0, int32_t(raw.size()), rowBytes, 1);
                Bytes rawHead = head;
                rawHead[3] |= 0x08;
                seeds.add("mvdk_decode_fuzzer", stem + kind + "-raw",
                          Concat(rawHead, std::span(raw.data(), size_t(n > 0 ? n : 0))));
            }
        }
    }
}

// --- Delta RLE -------------------------------------------------------------

// Input of delta_rle_fuzzer: width - 1, height - 1, x, y, w, h, mask index,
// then the stream.
void AddDeltaRLEStreams(SeedFolder& seeds) {
    const uint32_t masks[] = {0xFFFFFFFFu, 0xFFFFFF00u, 0x00FFFFFFu};
    constexpr int kWidth = 24, kHeight = 16;
    Bytes before = Picture(kWidth, kHeight, 4, 0);
    Bytes after = Picture(kWidth, kHeight, 4, 2);
    struct Area {
        int x, y, w, h;
    };
    const Area areas[] = {{0, 0, kWidth, kHeight}, {3, 2, 10, 6}};
    Bytes out(DeltaRLE::maxCompressedSize32(kWidth, kHeight));
    for (uint8_t m = 0; m < 3; ++m) {
        for (const Area& a : areas) {
            for (bool key : {true, false}) {
                const int n =
                    DeltaRLE::compress32(key ? nullptr : before.data(), after.data(), kWidth,
                                         kHeight, a.x, a.y, a.w, a.h, out.data(), masks[m]);
                Bytes seed = {uint8_t(kWidth - 1),
                              uint8_t(kHeight - 1),
                              uint8_t(a.x),
                              uint8_t(a.y),
                              uint8_t(a.w),
                              uint8_t(a.h),
                              m};
                seeds.add("delta_rle_fuzzer",
                          "rect" + std::to_string(a.w) + "-mask" + std::to_string(m) +
                              (key ? "-key" : "-diff"),
                          Concat(seed, std::span(out.data(), size_t(n))));
            }
        }
    }
    // An 8-bit plane as the YUV coding writes it.
    Bytes plane(size_t(kWidth) * kHeight);
    for (size_t i = 0; i < plane.size(); ++i) {
        plane[i] = after[i * 4 + 1];
    }
    Bytes coded(DeltaRLE::maxCompressedSize8(int(plane.size())));
    int consumed = 0, written = 0;
    DeltaRLE::encodeFragment8(plane.data(), int(plane.size()), coded.data(), &consumed, &written);
    Bytes seed = {uint8_t(kWidth - 1), uint8_t(kHeight - 1), 0, 0, kWidth, kHeight, 0};
    seeds.add("delta_rle_fuzzer", "plane8", Concat(seed, std::span(coded.data(), size_t(written))));
}

// --- capture files -------------------------------------------------------

MVDImage ImageOf(Bytes& pixels, int width, int height, uint32_t format) {
    return MVDImage(unsigned(width), unsigned(height), format, 4, pixels.data());
}

// A short recording: a whole first frame, then frames with one or two
// changed rectangles, a key frame every fourth frame, a cursor sprite sent
// with some frames and moved without an image on another.
void WriteCapture(const std::string& path, MVRCCompressionType type, uint32_t format) {
    constexpr int kWidth = 40, kHeight = 24;
    MVRCWriter writer;
    writer.openFile(path);
    writer.setCompressionType(type);
    writer.setKeyFrameRate(4);
    tagMVDImageFormat header{kWidth, kHeight, format, 4};
    writer.writeHeader(&header);
    Bytes cursor = Picture(8, 8, 4, 5);
    for (size_t i = 0; i < cursor.size(); i += 4) {
        cursor[i] = uint8_t(i * 9);  // alpha in every shade
    }
    MVDImage sprite = ImageOf(cursor, 8, 8, kMVDPixelFormat32ARGB);
    for (int f = 0; f < 6; ++f) {
        Bytes pixels = Picture(kWidth, kHeight, 4, f);
        MVDImage image = ImageOf(pixels, kWidth, kHeight, format);
        CGRect rects[2] = {CGRectMake(0, 0, kWidth, kHeight), CGRectMake(0, 0, 0, 0)};
        unsigned count = 1;
        if (f > 0) {
            rects[0] = CGRectMake(0, 1, kWidth, 3);
            rects[1] = CGRectMake(0, kHeight - 1, kWidth, 1);
            count = 2;
        }
        const CGRect at = CGRectMake(float(f * 4), float(f * 2), 8, 8);
        if (f % 2 == 1) {
            writer.writeFrame(1, 15.0f, &image, count, rects, &sprite, at);
        } else {
            writer.writeFrame(2, 15.0f, &image, count, rects);
            if (f == 4) {
                writer.attachSpriteToLastFrame(nullptr, at);
            }
        }
    }
    writer.closeFile();
}

void AddCaptureFiles(SeedFolder& seeds, const fs::path& work) {
    const struct {
        uint32_t format;
        const char* name;
    } formats[] = {{kMVDPixelFormat32ARGB, "argb"}, {kMVDPixelFormat32BGRA, "bgra"}};
    for (int type = 0; type <= 4; ++type) {
        for (const auto& f : formats) {
            const std::string name = "type" + std::to_string(type) + "_" + f.name + ".mvrc";
            const fs::path path = work / name;
            WriteCapture(path, MVRCCompressionType(type), f.format);
            Bytes bytes = ReadFile(path);
            seeds.add("mvrc_reader_fuzzer", name, bytes);
            if (type == 2) {
                // Cut inside its last frame, as a recording that died.
                bytes.resize(bytes.size() - 40);
                seeds.add("mvrc_reader_fuzzer", std::string("cut_") + name, bytes);
            }
        }
    }
}

// --- movies --------------------------------------------------------------

// Holds a writer or track reference for the life of a scope.
template <typename T>
struct Held {
    explicit Held(T* object) : p(object) { p->retain(); }
    ~Held() { p->release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* operator->() const { return p; }
    T* p;
};

constexpr int kMovieWidth = 48, kMovieHeight = 32, kCursorSide = 16;

// A recording with recovery: screen frames in the screen codec, a cursor in
// Animation, 16-bit sound and captions.
void WriteMovie(const std::string& moviePath, const std::string& recoveryPath) {
    Held<QTWriter> writer(
        new QTWriter(moviePath, kMovieWidth, kMovieHeight, true, recoveryPath.c_str()));
    QTICMVideoTrack* screen = writer->createVideoTrack(tagMVDRect{0, 0, kMovieWidth, kMovieHeight},
                                                       kCVPixelFormatType_32BGRA, kMovieWidth * 4,
                                                       'mvdk', codecLosslessQuality, 3);
    QTICMVideoTrack* cursor =
        writer->createCursorVideoTrack(tagMVDRect{4, 4, kCursorSide, kCursorSide}, 15);
    AudioTrack* sound = writer->createAudioTrack(1, 8000, 16, 0);
    QTTextTrack* text = writer->createTextTrack();
    SoundDescriptionHandle description = mvdtest::NewSoundDescription(mvdtest::PCMStream(1, 8000));
    writer->start();
    for (int f = 0; f < 5; ++f) {
        Bytes pixels = Picture(kMovieWidth, kMovieHeight, 4, f);
        MVDImage image = ImageOf(pixels, kMovieWidth, kMovieHeight, kCVPixelFormatType_32BGRA);
        screen->compressAndWriteMVDImage(&image, 40);
        Bytes arrow = Picture(kCursorSide, kCursorSide, 4, f + 7);
        MVDImage arrowImage = ImageOf(arrow, kCursorSide, kCursorSide, kCVPixelFormatType_32ARGB);
        cursor->compressAndWriteMVDImage(&arrowImage, 40);
        Bytes samples = Picture(40, 8, 2, f);  // 320 frames of 16 bits
        sound->writeBuffer(reinterpret_cast<short*>(samples.data()), int(samples.size()),
                           description);
        if (f % 2 == 0) {
            const std::string caption = "Caption " + std::to_string(f) + " \xC3\xA9t\xC3\xA9";
            CFStringRef string =
                CFStringCreateWithCString(nullptr, caption.c_str(), kCFStringEncodingUTF8);
            text->writeTextSample(string, 80);
            CFRelease(string);
        }
    }
    writer->flushTrackDataToDisk();
    writer->finalizeTracksWithTrackMediaDuration();
    writer->finalizeMovie();
    DisposeHandle(reinterpret_cast<Handle>(description));
}

// Input of movie_decode_fuzzer: codec index, width - 1, height - 1, depth
// index, output order, then samples, each after its 2-byte length.
Bytes PackSamples(uint8_t codec, int width, int height, uint8_t depthIndex,
                  const std::vector<Bytes>& samples) {
    Bytes out = {codec, uint8_t(width - 1), uint8_t(height - 1), depthIndex, 1};
    for (const Bytes& sample : samples) {
        PutLE(out, uint32_t(sample.size()), 2);
        out.insert(out.end(), sample.begin(), sample.end());
    }
    return out;
}

std::vector<Bytes> TrackSamples(const qtfile::MovieFileReader& reader, size_t track) {
    std::vector<Bytes> samples;
    for (uint32_t i = 0; i < reader.samples(track).sampleCount(); ++i) {
        Bytes bytes;
        if (!reader.readSample(track, i, bytes).ok()) {
            throw std::runtime_error("cannot read back a sample of the movie");
        }
        samples.push_back(std::move(bytes));
    }
    return samples;
}

void AddMovies(SeedFolder& seeds, const fs::path& work) {
    const fs::path moviePath = work / "recording.mov";
    const fs::path recoveryPath = work / "recording.rcv";
    WriteMovie(moviePath, recoveryPath);
    const Bytes movie = ReadFile(moviePath);
    seeds.add("mov_reader_fuzzer", "recording.mov", movie);
    // Input of recovery_reader_fuzzer: the index's length, the index, the
    // movie the recording left (here a finished one: the index's sample
    // offsets point into it all the same).
    const Bytes index = ReadFile(recoveryPath);
    Bytes recovery;
    PutLE(recovery, uint32_t(index.size()), 4);
    recovery.insert(recovery.end(), index.begin(), index.end());
    seeds.add("recovery_reader_fuzzer", "recording", Concat(recovery, movie));

    qtfile::MovieFileReader reader;
    if (!reader.openBytes(movie).ok() || reader.trackCount() < 2) {
        throw std::runtime_error("cannot read back the movie");
    }
    seeds.add("movie_decode_fuzzer", "screen_mvdk",
              PackSamples(0, kMovieWidth, kMovieHeight, 0, TrackSamples(reader, 0)));
    seeds.add("movie_decode_fuzzer", "cursor_rle",
              PackSamples(1, kCursorSide, kCursorSide, 0, TrackSamples(reader, 1)));

    // Frames of the other depths the screen codec writes.
    const uint8_t depthIndex[] = {2, 1, 3};  // of 16, 24, 8 in the target's table
    const uint16_t depths[] = {16, 24, 8};
    for (int d = 0; d < 3; ++d) {
        const int pixelBytes = mvdk::StreamBytesPerPixel(depths[d]);
        MVDKFrameCompressor compressor;
        (void)compressor.beginSequence(20, 12, depths[d]);
        Bytes data(MVDKFrameCompressor::MaxFrameDataSize(20, 12, depths[d]));
        std::vector<Bytes> samples;
        for (int f = 0; f < 3; ++f) {
            const Bytes frame = Picture(20, 12, pixelBytes, f);
            MVDKFrameInfo info{depths[d], 20, 12, 0, depths[d]};
            MVDKCompressOptions options;
            options.frameNumber = uint32_t(f);
            const MVDKCompressResult r = compressor.compressFrame(
                info, frame.data(), 20 * pixelBytes, options, data.data(), data.size());
            samples.emplace_back(data.begin(), data.begin() + r.dataLength);
        }
        seeds.add("movie_decode_fuzzer", "mvdk" + std::to_string(depths[d]),
                  PackSamples(0, 20, 12, depthIndex[d], samples));
    }
}

// --- Animation samples ---------------------------------------------------

// Input of animation_decode_fuzzer: width - 1, height - 1, pixel order, then
// one sample.
void AddAnimationSamples(SeedFolder& seeds) {
    const struct { int width, height; } sizes[] = {{13, 9}, {64, 40}, {130, 2}};
    for (const auto& size : sizes) {
        for (uint8_t order = 0; order < 2; ++order) {
            AnimationEncoder encoder(
                size.width, size.height,
                order ? AnimationPixelOrder::kBGRA : AnimationPixelOrder::kARGB);
            const std::string stem = std::to_string(size.width) + "x" +
                                     std::to_string(size.height) + (order ? "_bgra" : "_argb");
            for (int f = 0; f < 3; ++f) {
                const Bytes frame = Picture(size.width, size.height, 4, f);
                const std::span<const UInt8> sample =
                    encoder.encode(frame.data(), 4L * size.width, f == 0);
                const Bytes head = {uint8_t(size.width - 1), uint8_t(size.height - 1), order};
                seeds.add("animation_decode_fuzzer",
                          stem + (f == 0 ? "_key" : "_diff") + std::to_string(f),
                          Concat(head, sample));
            }
        }
    }
}

// --- SWF files -----------------------------------------------------------

void AddObjectModelMovie(SeedFolder& seeds, const fs::path& work) {
    HFMovie movie;
    movie.SetSize(2000, 1600);
    HFRectangle rectangle(100, 100, 600, 400);
    HFOval oval(800, 200, 400, 300);
    HFPolygon polygon(0, 0);
    polygon.AddStraightLine(400, 0);
    polygon.AddCurvedLine(500, 200, 300, 400);
    Bytes pixels = Picture(6, 4, 4, 1);
    HFBitmap bitmap(200, 900, 6, 4, pixels.data());
    HFEditText field(100, 1200, 1200, 300);
    HFRectangle up(0, 0, 200, 200), over(0, 0, 220, 220);
    HFButton button(&up, &over, &up, &up);
    const Bytes tone = Picture(32, 1, 2, 0);
    HFSound sound(1, 1, 0, 32, tone.data(), uint32_t(tone.size()), 4);
    movie.Frame(0)->AddObject(&rectangle);
    movie.Frame(0)->AddObject(&sound);
    movie.Frame(1)->AddObject(&oval);
    movie.Frame(1)->AddObject(&bitmap);
    movie.Frame(1)->RemoveObject(&rectangle);
    movie.Frame(2)->AddObject(&polygon);
    movie.Frame(2)->AddObject(&field);
    movie.Frame(2)->AddObject(&button);
    const fs::path path = work / "objectmodel.swf";
    if (!movie.WriteMovie(path.c_str())) {
        throw std::runtime_error("cannot write the object model movie");
    }
    seeds.add("swf_parse_fuzzer", "objectmodel.swf", ReadFile(path));
}

std::string PathOf(const CString& path) {
    char buffer[4096] = {};
    const auto string = static_cast<CFStringRef>(path);
    if (string == nullptr ||
        !CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8)) {
        return "";
    }
    return buffer;
}

// An export of a few frames with sound, merged with the player controller;
// the video-only movie is kept by writing it again without the merge.
void AddExportedMovie(SeedFolder& seeds, const fs::path& work) {
    constexpr int kWidth = 32, kHeight = 20;
    const fs::path output = work / "export.swf";
    CSWFWriter writer;
    writer.m_SWFConfig.m_nAudioCompression = 0;
    writer.SetOutputFilename(CString(output.c_str()));
    tagBITMAPINFO info{};
    info.bmiHeader = tagBITMAPINFOHEADER{40, kWidth, kHeight, 1, 32, 0, 0, 0, 0, 0, 0};
    writer.SetSourceBitmapInfo(&info);
    writer.SetFrameRate(5);
    if (writer.OpenFile() != 0) {
        throw std::runtime_error("cannot open the SWF export");
    }
    const Bytes chunk(8820, 0x10);  // 22050 Hz, 16 bits, mono: one fifth of a second
    for (int f = 0; f < 4; ++f) {
        const Bytes frame = Picture(kWidth, kHeight, 4, f);
        writer.ReceiveVideoFrame(frame.data());
        writer.AddAudioChunk(chunk.data(), int(chunk.size()));
    }
    FObjCollection* movie = writer.GetSWFMovie();
    const fs::path videoOnly = work / "videoonly.swf";
    if (movie != nullptr && writer.CloseFile(false) == 0) {
        seeds.add("swf_parse_fuzzer", "export.swf", ReadFile(output));
    }
    if (movie != nullptr &&
        movie->CreateMovie(videoOnly.c_str(), (kWidth + 1) * 20, (kHeight + 1) * 20, 5, 8)) {
        seeds.add("swf_parse_fuzzer", "videoonly.swf", ReadFile(videoOnly));
    }
    const std::string controller = PathOf(CSWFWriter::GetSWFWrapperControlFile());
    if (!controller.empty() && fs::exists(controller) &&
        fs::file_size(controller) <= kMaxSeedSize) {
        seeds.add("swf_parse_fuzzer", "controller.swf", ReadFile(controller));
    }
}

// --- WAV files, text, preferences ----------------------------------------

void AddWavFiles(SeedFolder& seeds) {
    using namespace soundtest;
    const Bytes samples = Picture(50, 4, 4, 3);
    const struct {
        const char* name;
        WavFormat format;
    } formats[] = {{"mono16_22050.wav", {1, 1, 22050, 16}},
                   {"stereo16_44100.wav", {1, 2, 44100, 16}},
                   {"mono8_11025.wav", {1, 1, 11025, 8}},
                   {"stereo8_5512.wav", {1, 2, 5512, 8}}};
    for (const auto& f : formats) {
        seeds.add("wav_loader_fuzzer", f.name, Wav(f.format, samples));
    }
    const Bytes list =
        Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'm', 'v', 'd', 0});
    seeds.add("wav_loader_fuzzer", "list_before_data.wav",
              Riff({FormatChunk({1, 1, 22050, 16}), list, Chunk("data", samples)}));
}

// Input of cfstring_fuzzer: the encoding's index, then the text's bytes.
void AddTexts(SeedFolder& seeds) {
    const CFStringEncoding encodings[] = {
        kCFStringEncodingASCII,   kCFStringEncodingISOLatin1, kCFStringEncodingUTF8,
        kCFStringEncodingUnicode, kCFStringEncodingUTF16BE,   kCFStringEncodingUTF16LE,
    };
    const char* const texts[] = {"Intro",
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e \xE2\x80\x94 \xC3\xA7"
                                 "a",
                                 "\xE7\xB5\x82 \xF0\x9F\x8E\xA5"};
    for (uint8_t e = 0; e < 6; ++e) {
        for (int t = 0; t < 3; ++t) {
            CFStringRef text = CFStringCreateWithCString(nullptr, texts[t], kCFStringEncodingUTF8);
            CFDataRef bytes =
                CFStringCreateExternalRepresentation(nullptr, text, encodings[e], '?');
            if (bytes != nullptr) {
                Bytes seed = {e};
                const UInt8* data = CFDataGetBytePtr(bytes);
                seed.insert(seed.end(), data, data + CFDataGetLength(bytes));
                seeds.add("cfstring_fuzzer",
                          "encoding" + std::to_string(e) + "_text" + std::to_string(t), seed);
                CFRelease(bytes);
            }
            CFRelease(text);
        }
    }
}

// Input of prefs_fuzzer: a layout byte (0: the level file holds the rest),
// then the file's bytes.
void AddPreferences(SeedFolder& seeds) {
    for (SInt32 level : {0, 6, 9}) {
        MVDKCodecStorage storage{};
        storage.level = level;
        if (MVDK_WriteUserDefaults(&storage) != noErr) {
            throw std::runtime_error("cannot write the preferences file");
        }
        const char* home = std::getenv("XDG_CONFIG_HOME");
        Bytes seed = {0};
        const Bytes file = ReadFile(fs::path(home) / "Morvandel" / "level");
        seed.insert(seed.end(), file.begin(), file.end());
        seeds.add("prefs_fuzzer", "level" + std::to_string(level), seed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds DIR\n";
        return 2;
    }
    try {
        SeedFolder seeds(argv[1]);
        const fs::path work = seeds.root() / ".work";
        fs::create_directories(work);
        // The screen codec keeps its preferences in a folder of our own.
        fs::create_directories(work / "config");
        setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
        Component encoder = MVDKRegisterEncoderComponent();
        Component decoder = MVDKRegisterDecoderComponent();

        const std::vector<std::pair<const char*, std::function<void()>>> steps = {
            {"codec frames", [&] { AddCodecFrames(seeds); }},
            {"Delta RLE", [&] { AddDeltaRLEStreams(seeds); }},
            {"capture files", [&] { AddCaptureFiles(seeds, work); }},
            {"movies", [&] { AddMovies(seeds, work); }},
            {"Animation", [&] { AddAnimationSamples(seeds); }},
            {"object model", [&] { AddObjectModelMovie(seeds, work); }},
            {"export", [&] { AddExportedMovie(seeds, work); }},
            {"WAV", [&] { AddWavFiles(seeds); }},
            {"text", [&] { AddTexts(seeds); }},
            {"preferences", [&] { AddPreferences(seeds); }},
        };
        for (const auto& [name, step] : steps) {
            try {
                step();
            } catch (const std::exception& e) {
                throw std::runtime_error(std::string(name) + ": " + e.what());
            }
        }
        UnregisterComponent(encoder);
        UnregisterComponent(decoder);
        fs::remove_all(work);
        std::cout << "fuzz_seeds: " << seeds.count() << " seeds in " << seeds.root().string()
                  << "\n";
    } catch (const std::exception& e) {
        std::cerr << "fuzz_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
