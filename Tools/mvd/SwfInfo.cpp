// `mvd info` for SWF files: the header (compressed bodies inflated, within
// the length the header declares), the stage, frames and every top-level
// tag, each read within the bytes that remain.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "Inspectors.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

// The largest SWF body inspected.
constexpr uint64_t kMaxBody = 512ull << 20;

const char* TagName(unsigned code) {
    static const std::map<unsigned, const char*> kNames = {
        {0, "End"},
        {1, "ShowFrame"},
        {2, "DefineShape"},
        {4, "PlaceObject"},
        {5, "RemoveObject"},
        {6, "DefineBits"},
        {7, "DefineButton"},
        {8, "JPEGTables"},
        {9, "SetBackgroundColor"},
        {10, "DefineFont"},
        {11, "DefineText"},
        {12, "DoAction"},
        {13, "DefineFontInfo"},
        {14, "DefineSound"},
        {15, "StartSound"},
        {17, "DefineButtonSound"},
        {18, "SoundStreamHead"},
        {19, "SoundStreamBlock"},
        {20, "DefineBitsLossless"},
        {21, "DefineBitsJPEG2"},
        {22, "DefineShape2"},
        {23, "DefineButtonCxform"},
        {24, "Protect"},
        {26, "PlaceObject2"},
        {28, "RemoveObject2"},
        {32, "DefineShape3"},
        {33, "DefineText2"},
        {34, "DefineButton2"},
        {35, "DefineBitsJPEG3"},
        {36, "DefineBitsLossless2"},
        {37, "DefineEditText"},
        {39, "DefineSprite"},
        {43, "FrameLabel"},
        {45, "SoundStreamHead2"},
        {46, "DefineMorphShape"},
        {48, "DefineFont2"},
        {56, "ExportAssets"},
        {57, "ImportAssets"},
        {58, "EnableDebugger"},
        {59, "DoInitAction"},
        {60, "DefineVideoStream"},
        {61, "VideoFrame"},
        {62, "DefineFontInfo2"},
        {64, "EnableDebugger2"},
        {65, "ScriptLimits"},
        {66, "SetTabIndex"},
        {69, "FileAttributes"},
        {70, "PlaceObject3"},
        {73, "DefineFontAlignZones"},
        {74, "CSMTextSettings"},
        {75, "DefineFont3"},
        {76, "SymbolClass"},
        {77, "Metadata"},
        {82, "DoABC"},
        {83, "DefineShape4"},
        {86, "DefineSceneAndFrameLabelData"},
        {88, "DefineFontName"},
    };
    auto found = kNames.find(code);
    return found != kNames.end() ? found->second : nullptr;
}

// Bits from the most significant end, as SWF records pack them.
class BitReader {
  public:
    explicit BitReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    uint32_t bits(unsigned count) {
        uint32_t v = 0;
        for (unsigned i = 0; i < count; ++i) {
            if (m_bit / 8 >= m_bytes.size()) {
                throw ToolError("the SWF header is cut short");
            }
            v = v << 1 | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1);
            ++m_bit;
        }
        return v;
    }
    int32_t signedBits(unsigned count) {
        const uint32_t v = bits(count);
        if (count == 0 || count >= 32) {
            return static_cast<int32_t>(v);
        }
        return (v >> (count - 1)) != 0 ? static_cast<int32_t>(v | ~((1u << count) - 1))
                                       : static_cast<int32_t>(v);
    }
    size_t bytePosition() const { return (m_bit + 7) / 8; }

  private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_bit = 0;
};

uint32_t Load16(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

uint32_t Load32(const uint8_t* p) {
    return Load16(p) | Load16(p + 2) << 16;
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
    const uint64_t size = std::filesystem::file_size(path);
    if (size > kMaxBody + 8) {
        throw ToolError("the file is too large to inspect (" + FormatBytes(size) + ")");
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw ToolError(SystemError("cannot read the file"));
    }
    return bytes;
}

// The bytes after the 8-byte header, inflated for a CWS file; exactly the
// declared length, which must be there.
std::vector<uint8_t> Body(const std::vector<uint8_t>& file, uint32_t declared) {
    if (declared < 8 + 5) {
        throw ToolError("the SWF header declares an impossible length of " +
                        std::to_string(declared) + " bytes");
    }
    const uint64_t want = declared - 8;
    if (want > kMaxBody) {
        throw ToolError("the SWF body is too large to inspect (" + FormatBytes(want) + ")");
    }
    if (file[0] == 'F') {
        if (file.size() < declared) {
            throw ToolError("the SWF file is cut short: its header declares " +
                            std::to_string(declared) + " bytes, the file has " +
                            std::to_string(file.size()));
        }
        return std::vector<uint8_t>(file.begin() + 8, file.begin() + 8 + static_cast<long>(want));
    }
    std::vector<uint8_t> body(want);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        throw ToolError("cannot start inflating the SWF body");
    }
    z.next_in = const_cast<Bytef*>(file.data() + 8);
    z.avail_in = static_cast<uInt>(file.size() - 8);
    z.next_out = body.data();
    z.avail_out = static_cast<uInt>(body.size());
    const int result = inflate(&z, Z_FINISH);
    const uint64_t produced = z.total_out;
    inflateEnd(&z);
    if (produced != want || (result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK)) {
        throw ToolError("the compressed SWF body is damaged or cut short (" +
                        std::to_string(produced) + " of " + std::to_string(want) +
                        " bytes inflated)");
    }
    return body;
}

std::string StreamSound(const uint8_t* p, uint32_t length) {
    if (length < 4) {
        return "(damaged sound stream head)";
    }
    static const char* const kFormats[16] = {"uncompressed (native order)",
                                             "ADPCM",
                                             "MP3",
                                             "uncompressed",
                                             "Nellymoser 16 kHz",
                                             "Nellymoser 8 kHz",
                                             "Nellymoser",
                                             "format 7",
                                             "format 8",
                                             "format 9",
                                             "format 10",
                                             "Speex",
                                             "format 12",
                                             "format 13",
                                             "format 14",
                                             "format 15"};
    static const char* const kRates[4] = {"5512", "11025", "22050", "44100"};
    const unsigned format = p[1] >> 4;
    std::ostringstream out;
    out << kFormats[format] << ", " << kRates[(p[1] >> 2) & 3] << " Hz, "
        << ((p[1] & 2) != 0 ? 16 : 8) << "-bit, " << ((p[1] & 1) != 0 ? "stereo" : "mono") << ", "
        << Load16(p + 2) << " samples per frame";
    return out.str();
}

struct SwfSummary {
    unsigned version = 0;
    bool compressed = false;
    uint32_t declared = 0;
    uint64_t fileSize = 0;
    double stageWidth = 0;
    double stageHeight = 0;
    double rate = 0;
    uint32_t frameCount = 0;
    uint64_t tags = 0;
    uint64_t shown = 0;
    std::map<std::string, uint64_t> counts;
    std::string sound;
};

// Reads the header and walks the top-level tags; with list, describes each
// tag in it.
SwfSummary ReadSwf(const std::string& path, std::ostream* list) {
    const std::vector<uint8_t> file = ReadWhole(path);
    if (file.size() < 8) {
        throw ToolError("the SWF header is cut short");
    }
    if (file[0] == 'Z') {
        throw ToolError("LZMA-compressed SWF files (ZWS) are not supported");
    }
    SwfSummary sum;
    sum.version = file[3];
    sum.compressed = file[0] == 'C';
    sum.declared = Load32(file.data() + 4);
    sum.fileSize = file.size();
    const std::vector<uint8_t> body = Body(file, sum.declared);

    BitReader bits(body);
    const unsigned n = bits.bits(5);
    const int32_t xMin = bits.signedBits(n), xMax = bits.signedBits(n);
    const int32_t yMin = bits.signedBits(n), yMax = bits.signedBits(n);
    sum.stageWidth = (double(xMax) - xMin) / 20.0;
    sum.stageHeight = (double(yMax) - yMin) / 20.0;
    size_t pos = bits.bytePosition();
    if (pos + 4 > body.size()) {
        throw ToolError("the SWF header is cut short");
    }
    sum.rate = Load16(body.data() + pos) / 256.0;
    sum.frameCount = Load16(body.data() + pos + 2);
    pos += 4;

    bool ended = false;
    while (!ended) {
        if (pos + 2 > body.size()) {
            throw ToolError("the SWF file ends without an End tag (after " +
                            Plural(sum.tags, "tag", "tags") + ")");
        }
        const size_t start = pos;
        const uint32_t head = Load16(body.data() + pos);
        const unsigned code = head >> 6;
        uint64_t length = head & 0x3F;
        pos += 2;
        if (length == 0x3F) {
            if (pos + 4 > body.size()) {
                throw ToolError("the SWF file is cut short inside a tag header");
            }
            length = Load32(body.data() + pos);
            pos += 4;
        }
        if (length > body.size() - pos) {
            throw ToolError("tag " + std::to_string(sum.tags) + " (code " + std::to_string(code) +
                            ") runs past the end of the file");
        }
        const char* name = TagName(code);
        const std::string label = name != nullptr ? name : "tag " + std::to_string(code);
        ++sum.counts[label];
        ++sum.tags;
        sum.shown += code == 1 ? 1 : 0;
        if ((code == 18 || code == 45) && sum.sound.empty()) {
            sum.sound = StreamSound(body.data() + pos, static_cast<uint32_t>(length));
        }
        if (list != nullptr) {
            *list << "  " << label << "  " << length << " B at offset " << start + 8 << "\n";
        }
        pos += length;
        ended = code == 0;
    }
    return sum;
}

}  // namespace

MediaSummary SummarizeSwf(const std::string& path) {
    const SwfSummary sum = ReadSwf(path, nullptr);
    return {sum.frameCount, sum.rate > 0 ? sum.frameCount / sum.rate : 0.0};
}

void DescribeSwf(const std::string& path, const InspectOptions& options, std::ostream& out) {
    std::ostringstream list;
    const SwfSummary sum = ReadSwf(path, options.list ? &list : nullptr);
    out << path << ": SWF file, version " << sum.version << ", "
        << (sum.compressed ? "zlib-compressed (CWS)" : "uncompressed (FWS)") << "\n";
    char text[96];
    std::snprintf(text, sizeof text, "%g x %g pixels", sum.stageWidth, sum.stageHeight);
    out << "  stage        " << text << "\n";
    std::snprintf(text, sizeof text, "%u at %.2f fps", sum.frameCount, sum.rate);
    out << "  frames       " << text;
    if (sum.rate > 0) {
        out << ", " << FormatSeconds(sum.frameCount / sum.rate);
    }
    if (sum.shown != sum.frameCount) {
        out << " (" << sum.shown << " ShowFrame tags)";
    }
    out << "\n  length       " << FormatBytes(sum.declared) << " (file "
        << FormatBytes(sum.fileSize) << ")\n";
    if (!sum.sound.empty()) {
        out << "  sound        stream: " << sum.sound << "\n";
    }
    out << "  tags         " << sum.tags << ":";
    bool first = true;
    for (const auto& [label, count] : sum.counts) {
        out << (first ? " " : ", ") << label << " " << count;
        first = false;
    }
    out << "\n" << list.str();
}

}  // namespace mvd
