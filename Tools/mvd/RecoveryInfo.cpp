// `mvd info` for recovery files: the movie's size, each track's header
// record and a summary of its sample records.  Every field is read within
// the bytes that remain; a record cut off at the end (a crash while it was
// being written) is reported, as recovery ignores it too.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "Inspectors.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

// A sample description stored in a record larger than this is refused.
constexpr uint32_t kMaxDescription = 1u << 20;

// Bytes of the open file, little-endian, never past its end.
class RecordReader {
  public:
    explicit RecordReader(const std::string& path)
        : m_file(std::fopen(path.c_str(), "rb"), &std::fclose) {
        if (m_file == nullptr) {
            throw ToolError(SystemError("cannot open the file"));
        }
        m_remaining = std::filesystem::file_size(path);
    }
    uint64_t remaining() const { return m_remaining; }
    uint64_t offset() const { return m_offset; }
    // False (reading nothing) when fewer than n bytes remain.
    bool read(void* into, uint64_t n) {
        if (n > m_remaining) {
            return false;
        }
        if (std::fread(into, 1, n, m_file.get()) != n) {
            throw ToolError(SystemError("cannot read the file"));
        }
        m_remaining -= n;
        m_offset += n;
        return true;
    }
    bool u32(uint32_t& v) {
        unsigned char b[4];
        if (!read(b, 4)) {
            return false;
        }
        v = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
        return true;
    }
    bool s64(int64_t& v) {
        uint32_t low = 0, high = 0;
        if (!u32(low) || !u32(high)) {
            return false;
        }
        v = static_cast<int64_t>(uint64_t{high} << 32 | low);
        return true;
    }
    bool skip(uint64_t n) {
        if (n > m_remaining) {
            return false;
        }
        if (std::fseek(m_file.get(), static_cast<long>(n), SEEK_CUR) != 0) {
            throw ToolError(SystemError("cannot read the file"));
        }
        m_remaining -= n;
        m_offset += n;
        return true;
    }

  private:
    std::unique_ptr<FILE, int (*)(FILE*)> m_file;
    uint64_t m_remaining = 0;
    uint64_t m_offset = 0;
};

struct TrackRecords {
    std::string header;  // what its header record says
    uint64_t records = 0;
    uint64_t bytes = 0;
    int64_t duration = 0;        // media time units
    uint32_t bytesPerFrame = 0;  // audio: of one uncompressed frame, from the header
    uint32_t sampleRate = 0;     // audio
    uint64_t notSync = 0;
    std::string format;  // from the first sample's description
};

// A description in memory form: host-order fields; the codec type is the
// second 32-bit field.
std::string DescriptionFormat(const std::vector<unsigned char>& d, bool video) {
    if (d.size() < 8) {
        return "description of " + std::to_string(d.size()) + " bytes";
    }
    uint32_t codec = 0;
    std::memcpy(&codec, d.data() + 4, 4);
    std::string text = FormatFourCC(codec);
    if (video && d.size() >= 36) {
        int16_t width = 0, height = 0;
        std::memcpy(&width, d.data() + 32, 2);
        std::memcpy(&height, d.data() + 34, 2);
        text += " " + std::to_string(width) + " x " + std::to_string(height);
    }
    return text;
}

struct RecoverySummary {
    uint32_t width = 0;
    uint32_t height = 0;
    std::map<std::string, TrackRecords> tracks;  // by "video 0", "audio 1", "text 1"
    uint64_t records = 0;
    uint64_t cutOff = 0;  // bytes of a last record cut short
    std::vector<std::string> captions;
};

class RecoveryParser {
  public:
    explicit RecoveryParser(const std::string& path) : m_in(path) {}

    RecoverySummary parse(std::ostream* list) {
        char label[4];
        if (!m_in.read(label, 4) || std::memcmp(label, "RCVR", 4) != 0 || !m_in.u32(m_sum.width) ||
            !m_in.u32(m_sum.height)) {
            throw ToolError("the recovery file's header is cut short or damaged");
        }
        while (m_in.remaining() > 0) {
            const uint64_t start = m_in.offset();
            const uint64_t before = m_in.remaining();
            if (!m_in.read(label, 4) || !record(std::string(label, 4), list)) {
                m_sum.cutOff = before;
                break;
            }
            ++m_sum.records;
            if (list != nullptr) {
                *list << "  " << std::string(label, 4) << " at offset " << start << "\n";
            }
        }
        return m_sum;
    }

  private:
    // Reads the rest of one record; false when the file ends inside it.
    bool record(const std::string& label, std::ostream*) {
        uint32_t number = 0;
        if (!m_in.u32(number)) {
            return false;
        }
        if (label == "QTVH") {
            int32_t rect[4];
            if (!m_in.read(rect, sizeof rect) || !m_in.skip(36 + 2)) {
                return false;
            }
            m_sum.tracks["video " + std::to_string(number)].header =
                "frame " + std::to_string(rect[2]) + " x " + std::to_string(rect[3]) + " at " +
                std::to_string(rect[0]) + "," + std::to_string(rect[1]);
            return true;
        }
        if (label == "QTAH") {
            uint32_t channels = 0, rate = 0, bits = 0;
            if (!m_in.u32(channels) || !m_in.u32(rate) || !m_in.u32(bits)) {
                return false;
            }
            TrackRecords& track = m_sum.tracks["audio " + std::to_string(number)];
            track.header = Plural(channels, "channel", "channels") + ", " + std::to_string(rate) +
                           " Hz, " + std::to_string(bits) + " bits";
            track.bytesPerFrame = channels * (bits / 8);
            track.sampleRate = rate;
            return true;
        }
        if (label == "QTTH") {
            uint32_t owner = 0;
            if (!m_in.u32(owner)) {
                return false;
            }
            m_sum.tracks["text " + std::to_string(number)].header =
                owner != 0 ? "chapters of video track " + std::to_string(owner) : "captions";
            return true;
        }
        if (label == "QTVS" || label == "QTAS") {
            return sample(label == "QTVS", number);
        }
        if (label == "QTTS") {
            return text(number);
        }
        throw ToolError("unknown record \"" + Printable(label) + "\" at offset " +
                        std::to_string(m_in.offset() - 8) + " of the recovery file");
    }

    static std::string Printable(const std::string& label) {
        std::string text;
        for (char c : label) {
            text += (c >= 0x20 && c < 0x7F) ? c : '?';
        }
        return text;
    }

    bool sample(bool video, uint32_t number) {
        const std::string key = (video ? "video " : "audio ") + std::to_string(number);
        TrackRecords& track = m_sum.tracks[key];
        if (track.records == 0) {
            uint32_t size = 0;
            if (!m_in.u32(size)) {
                return false;
            }
            if (size > kMaxDescription) {
                throw ToolError("the first sample record of " + key + " holds a description of " +
                                std::to_string(size) + " bytes");
            }
            std::vector<unsigned char> description(size);
            if (!m_in.read(description.data(), size)) {
                return false;
            }
            track.format = DescriptionFormat(description, video);
        }
        int64_t offset = 0;
        uint32_t size = 0, time = 0, duration = 0, count = 0, flags = 0;
        if (!m_in.s64(offset) || !m_in.u32(size) || !m_in.u32(time) || !m_in.u32(duration) ||
            !m_in.u32(count) || (video && !m_in.u32(flags))) {
            return false;
        }
        ++track.records;
        track.bytes += size;
        // A buffer of uncompressed sound is one record of samples lasting
        // 1 each, as many as its bytes hold.
        if (!video && duration == 1 && track.bytesPerFrame > 0) {
            track.duration += size / track.bytesPerFrame;
        } else {
            track.duration += int64_t{static_cast<int32_t>(duration)} * count;
        }
        track.notSync += (flags & 1) != 0 ? 1 : 0;
        return true;
    }

    bool text(uint32_t number) {
        uint32_t length = 0, encoding = 0;
        if (!m_in.u32(length) || !m_in.u32(encoding) || length > m_in.remaining()) {
            return false;
        }
        std::string caption(length, '\0');
        int64_t duration = 0;
        if (!m_in.read(caption.data(), length) || !m_in.s64(duration)) {
            return false;
        }
        TrackRecords& track = m_sum.tracks["text " + std::to_string(number)];
        ++track.records;
        track.duration += duration;
        m_sum.captions.push_back(caption);
        return true;
    }

    RecordReader m_in;
    RecoverySummary m_sum;
};

}  // namespace

void DescribeRecovery(const std::string& path, const InspectOptions& options, std::ostream& out) {
    std::ostringstream list;
    RecoveryParser parser(path);
    const RecoverySummary sum = parser.parse(options.list ? &list : nullptr);
    out << path << ": recovery file of a " << sum.width << " x " << sum.height << " movie\n";
    out << "  records      " << sum.records << "\n";
    for (const auto& [name, track] : sum.tracks) {
        out << "  " << name << std::string(name.size() < 12 ? 13 - name.size() : 1, ' ')
            << (track.header.empty() ? "(no header record)" : track.header) << "\n";
        out << "               " << Plural(track.records, "sample record", "sample records");
        // Video and text media count in 1/600 s; sound in its sample rate.
        const bool sound = name.rfind("audio", 0) == 0;
        if (!sound) {
            out << ", " << FormatSeconds(track.duration / 600.0);
        } else if (track.sampleRate > 0) {
            out << ", " << FormatSeconds(double(track.duration) / track.sampleRate);
        }
        if (name.rfind("text", 0) != 0) {
            out << ", " << FormatBytes(track.bytes);
        }
        if (track.notSync > 0) {
            out << ", " << track.notSync << " not sync";
        }
        if (!track.format.empty()) {
            out << ", " << track.format;
        }
        out << "\n";
    }
    for (const std::string& caption : sum.captions) {
        out << "    \"" << caption << "\"\n";
    }
    if (sum.cutOff > 0) {
        out << "  cut off      the last " << FormatBytes(sum.cutOff)
            << " are an incomplete record (a recording that stopped while writing it)\n";
    }
    out << list.str();
}

}  // namespace mvd
