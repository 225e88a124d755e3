// `mvd info` for capture files: reads every frame record (which checks the
// whole file) and sums up what it holds.
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "Capture/MVRCReader.h"
#include "Inspectors.h"
#include "Progress.h"
#include "TextFormat.h"

namespace mvd {

namespace {

const char* CompressionName(unsigned type) {
    static const char* const kNames[] = {"uncompressed", "zlib", "Delta RLE", "Delta RLE + zlib",
                                         "YUV Delta RLE"};
    return type < std::size(kNames) ? kNames[type] : "unknown";
}

std::string PixelFormatName(uint32_t format) {
    if (format == kMVDPixelFormat32ARGB) {
        return "32-bit ARGB";
    }
    return FormatFourCC(format);
}

struct CaptureSummary {
    uint64_t frames = 0;
    uint64_t keyFrames = 0;
    uint64_t rects = 0;
    uint64_t dirtyPixels = 0;
    uint64_t framesWithCursor = 0;
    uint64_t framesWithoutRate = 0;
    double seconds = 0;
    std::map<unsigned, uint64_t> types;
    std::set<uint32_t> rates;
};

void ListFrame(std::ostream& out, uint64_t index, const _MVRCFrameHeader& frame,
               const MVRCReader& reader) {
    out << "  frame " << index << (frame.keyFrame ? "  key" : "") << "  "
        << CompressionName(frame.compressionType) << "  " << frame.duration << " x 1/"
        << frame.frameRate << " s  " << Plural(frame.rectCount, "rectangle", "rectangles");
    for (const tagMVDRect& r : reader.frameRects()) {
        out << "  " << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
    }
    if (reader.frameHasSprite()) {
        const tagMVDRect s = reader.frameSpriteRect();
        out << "  cursor " << s.width << "x" << s.height << "+" << s.x << "+" << s.y;
    }
    out << "\n";
}

// Reads every frame record; with list, describes each frame in it.
CaptureSummary ReadCapture(const std::string& path, _MVRCHeader& header, std::ostream* list) {
    MVRCReader reader;
    reader.openFile(path.c_str());
    reader.readHeader(&header);
    CaptureSummary sum;
    _MVRCFrameHeader frame{};
    Progress progress("reading frames", 0);
    while (reader.readFrame(&frame, nullptr)) {
        progress.update(sum.frames + 1);
        if (list != nullptr) {
            ListFrame(*list, sum.frames, frame, reader);
        }
        ++sum.frames;
        sum.keyFrames += frame.keyFrame ? 1 : 0;
        ++sum.types[frame.compressionType];
        for (const tagMVDRect& r : reader.frameRects()) {
            sum.dirtyPixels += uint64_t(uint32_t(r.width)) * uint32_t(r.height);
        }
        sum.rects += reader.frameRects().size();
        sum.framesWithCursor += reader.frameHasSprite() ? 1 : 0;
        if (frame.frameRate == 0) {
            ++sum.framesWithoutRate;
        } else {
            sum.seconds += double(frame.duration) / frame.frameRate;
            sum.rates.insert(frame.frameRate);
        }
    }
    reader.closeFile();
    return sum;
}

}  // namespace

MediaSummary SummarizeCapture(const std::string& path) {
    _MVRCHeader header{};
    const CaptureSummary sum = ReadCapture(path, header, nullptr);
    return {sum.frames, sum.seconds};
}

void DescribeCapture(const std::string& path, const InspectOptions& options, std::ostream& out) {
    _MVRCHeader header{};
    std::ostringstream list;
    const CaptureSummary sum = ReadCapture(path, header, options.list ? &list : nullptr);
    const uint64_t screen = uint64_t{header.width} * header.height;
    const uint64_t raw = screen * header.bytesPerPixel * sum.frames;
    const uint64_t size = std::filesystem::file_size(path);
    out << path << ": capture file (MVRC version " << unsigned(header.version) << ")\n";
    out << "  frame size   " << header.width << " x " << header.height << ", "
        << PixelFormatName(header.pixelFormat) << ", " << header.bytesPerPixel
        << " bytes per pixel\n";
    out << "  frames       " << sum.frames << ", "
        << Plural(sum.keyFrames, "key frame", "key frames") << ", " << FormatSeconds(sum.seconds);
    for (uint32_t rate : sum.rates) {
        out << (rate == *sum.rates.begin() ? " at " : ", ") << rate << " fps";
    }
    if (sum.framesWithoutRate > 0) {
        out << " (" << Plural(sum.framesWithoutRate, "frame", "frames") << " without a frame rate)";
    }
    out << "\n  compression  ";
    for (const auto& [type, count] : sum.types) {
        out << (type == sum.types.begin()->first ? "" : ", ") << CompressionName(type) << ": "
            << Plural(count, "frame", "frames");
    }
    if (sum.types.empty()) {
        out << "none (no frames)";
    }
    out << "\n  changes      " << Plural(sum.rects, "rectangle", "rectangles");
    if (sum.frames > 0 && screen > 0) {
        char share[32];
        std::snprintf(share, sizeof share, "%.1f%%",
                      100.0 * double(sum.dirtyPixels) / double(screen) / double(sum.frames));
        out << ", " << share << " of the screen per frame on average";
    }
    out << "\n  cursor       in " << Plural(sum.framesWithCursor, "frame", "frames") << "\n";
    out << "  file size    " << FormatBytes(size);
    if (raw > 0) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.2f%%", 100.0 * double(size) / double(raw));
        out << ", " << ratio << " of the raw frames (" << FormatBytes(raw) << ")";
    }
    out << "\n" << list.str();
}

}  // namespace mvd
