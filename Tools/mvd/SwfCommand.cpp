// mvd swf INPUT OUT.swf: exports a capture file or a movie (its video track
// and sound) as an SWF movie merged with the player controller.
#include <algorithm>
#include <cmath>
#include <iostream>

#include "ArgParser.h"
#include "Commands.h"
#include "FileKind.h"
#include "FrameSource.h"
#include "MovieSound.h"
#include "Progress.h"
#include "SwfExport.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

SwfSettings ReadSwfSettings(const ArgParser& parser) {
    SwfSettings settings;
    settings.version = static_cast<int>(*parser.number("--version", 6, 32));
    settings.adpcmBits = static_cast<int>(*parser.number("--adpcm-bits", 2, 5));
    settings.skin = parser.value("--skin");
    const std::string audio = parser.value("--audio");
    if (audio != "adpcm" && audio != "pcm" && audio != "none") {
        throw UsageError("--audio takes adpcm, pcm or none, not \"" + audio + "\"");
    }
    settings.adpcm = audio == "adpcm";
    return settings;
}

// Hands out the sound in the share of each SWF frame.
class SoundCursor {
  public:
    SoundCursor(const MovieSound& sound, size_t samplesPerFrame)
        : m_sound(sound), m_share(samplesPerFrame * sound.channels) {}
    std::span<const int16_t> next() {
        const size_t start = std::min(m_next, m_sound.samples.size());
        const size_t end = std::min(start + m_share, m_sound.samples.size());
        m_next = start + m_share;
        return {m_sound.samples.data() + start, end - start};
    }

  private:
    const MovieSound& m_sound;
    size_t m_share;
    size_t m_next = 0;
};

}  // namespace

int RunSwf(const Arguments& args) {
    ArgParser parser("mvd swf",
                     "Exports a capture file (with its cursor) or a movie's video track and\n"
                     "sound as an SWF movie merged with the player controller.  Frames that\n"
                     "last longer than one SWF frame are shown again in the frames after.");
    parser.positional("INPUT", "a capture file or a movie")
        .positional("OUT.swf", "the SWF movie to write")
        .option("--version", "N",
                "SWF version the movie is built for, 6 to 32 (the file merged with the\n"
                "                        controller is marked version 8)",
                "8")
        .option("--audio", "KIND", "sound coding: adpcm, pcm or none", "adpcm")
        .option("--adpcm-bits", "N", "bits per ADPCM code, 2 to 5", "4")
        .option("--skin", "NAME", "controller skin: " + SwfSkinNames())
        .option("--fps", "N", "SWF frames per second (default: the input's rate)")
        .option("--track", "ID", "the movie's video track (default: the first)")
        .flag("--quiet", "no progress bar");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const SwfSettings settings = ReadSwfSettings(parser);
    const std::string input = parser.argument("INPUT");
    const std::string output = parser.argument("OUT.swf");
    FrameSourceOptions options;
    options.trackID = static_cast<uint32_t>(parser.number("--track", 1, UINT32_MAX).value_or(0));

    ErrorContext context(input);
    std::unique_ptr<FrameSource> source = OpenFrameSource(input, options);
    MovieSound sound;
    if (parser.value("--audio") != "none" && DetectFileKind(input) == FileKind::movie) {
        sound = ReadMovieSound(input);
    }
    if (!source->next()) {
        throw ToolError("there are no frames to export");
    }
    uint32_t fps = static_cast<uint32_t>(parser.number("--fps", 1, 255).value_or(0));
    if (fps == 0) {
        const double period = source->durationSeconds();
        fps =
            period > 0 ? static_cast<uint32_t>(std::clamp(std::lround(1 / period), 1L, 255L)) : 10;
    }
    std::optional<SwfSound> format;
    if (sound.channels > 0) {
        format = SwfSound{sound.sampleRate, sound.channels};
    }
    std::unique_ptr<SwfExport> swf;
    {
        ErrorContext outputContext(output);
        swf = std::make_unique<SwfExport>(output, source->width(), source->height(), fps, settings,
                                          format);
    }
    SoundCursor chunks(sound, swf->samplesPerFrame());
    Progress progress("exporting", source->frameCount().value_or(0));
    uint64_t frames = 0, swfFrames = 0;
    do {
        const long repeats = std::max(1L, std::lround(source->durationSeconds() * fps));
        swf->frame(source->image(), chunks.next());
        for (long i = 1; i < repeats; ++i) {
            swf->repeat(chunks.next());
        }
        swfFrames += static_cast<uint64_t>(repeats);
        progress.update(++frames);
    } while (source->next());
    {
        ErrorContext outputContext(output);
        swf->close();
    }
    progress.finish();
    std::cout << "wrote " << output << ": " << Plural(swfFrames, "frame", "frames") << " at " << fps
              << " fps from " << Plural(frames, "source frame", "source frames")
              << (format ? ", with sound" : "") << "\n";
    return kExitSuccess;
}

}  // namespace mvd
