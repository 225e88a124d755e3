#include "SWF/FWavReader.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <sstream>

namespace {

constexpr uint16_t kFormatPCM = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kFormatChunkMin = 16;
constexpr uint32_t kExtensibleChunkMin = 40;
constexpr size_t kReadPiece = 64 * 1024;

// The PCM sub-format of an extensible format chunk, from its byte 2 on:
// 00000001-0000-0010-8000-00aa00389b71 without its first two bytes.
constexpr uint8_t kPCMSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

const char* FormatTagName(uint16_t tag) {
    switch (tag) {
        case 0x0001:
            return "WAVE_FORMAT_PCM";
        case 0x0002:
            return "WAVE_FORMAT_ADPCM";
        case 0x0003:
            return "WAVE_FORMAT_IEEE_FLOAT";
        case 0x0006:
            return "WAVE_FORMAT_ALAW";
        case 0x0007:
            return "WAVE_FORMAT_MULAW";
        case 0x0011:
            return "WAVE_FORMAT_IMA_ADPCM";
        case 0x0055:
            return "WAVE_FORMAT_MPEGLAYER3";
        case kFormatExtensible:
            return "WAVE_FORMAT_EXTENSIBLE";
        default:
            return "WAVE_FORMAT_UNKNOWN";
    }
}

std::string FourCC(const uint8_t* id) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += (id[i] >= 0x20 && id[i] < 0x7F) ? char(id[i]) : '?';
    return s;
}

class FileSource : public FWavReader::Source {
  public:
    explicit FileSource(FILE* f) : m_file(f) {}
    size_t Read(uint8_t* dst, size_t n) override { return fread(dst, 1, n, m_file); }

  private:
    FILE* m_file;
};

class MemorySource : public FWavReader::Source {
  public:
    explicit MemorySource(std::span<const uint8_t> bytes) : m_rest(bytes) {}
    size_t Read(uint8_t* dst, size_t n) override {
        n = std::min(n, m_rest.size());
        if (n > 0)
            std::memcpy(dst, m_rest.data(), n);
        m_rest = m_rest.subspan(n);
        return n;
    }

  private:
    std::span<const uint8_t> m_rest;
};

}  // namespace

bool FWavReader::Load(FILE* file) {
    if (!file)
        return Fail("No file to read\n");
    FileSource source(file);
    return Parse(source);
}

bool FWavReader::Load(std::span<const uint8_t> bytes) {
    MemorySource source(bytes);
    return Parse(source);
}

void FWavReader::Trace(const char* format, ...) {
    if (!m_trace)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(m_trace, format, args);
    va_end(args);
}

bool FWavReader::Fail(const std::string& message) {
    m_error = message;
    m_sound = FWavSound();
    Trace("%s", message.c_str());
    return false;
}

bool FWavReader::Parse(Source& source) {
    m_sound = FWavSound();
    m_error.clear();
    m_haveFormat = m_haveData = false;

    uint8_t header[12];
    const size_t got = source.Read(header, sizeof header);
    if (got < 4 || std::memcmp(header, "RIFF", 4) != 0)
        return Fail("Not a RIFF format file\n");
    if (got < 12 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return Fail("Not a WAVE file\n");

    // Walk the chunks up to the data chunk (or, when the data came first,
    // up to the format chunk). The RIFF size is not trusted: many writers
    // leave it wrong, so the input's real end bounds the walk.
    while (!(m_haveFormat && m_haveData)) {
        uint8_t chunk[8];
        const size_t n = source.Read(chunk, sizeof chunk);
        if (n < sizeof chunk) {
            if (n != 0)
                return Fail("Truncated chunk header\n");
            return Fail(m_haveData ? "No Format Chunk\n" : "No Data Chunk\n");
        }
        const uint32_t size = Le32(chunk + 4);
        Trace("\n----- Chunk ID %lx, Size %ld -----\n", static_cast<unsigned long>(Le32(chunk)),
              static_cast<long>(size));
        bool ok;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            Trace("Format Chunk\n");
            ok = ParseFormat(source, size);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            Trace("Data Chunk\n");
            ok = ReadData(source, size);
        } else {
            Trace("Unknown Chunk\n");
            ok = Skip(source, size);
            if (!ok)
                Fail("Chunk '" + FourCC(chunk) + "' runs past the end of the file\n");
        }
        if (!ok)
            return false;
        // Chunks start on even offsets: an odd-sized chunk is followed by a
        // pad byte, which a file ending right after the chunk may omit.
        if ((size & 1) && !(m_haveFormat && m_haveData))
            Skip(source, 1);
    }
    const uint32_t frameBytes = m_sound.m_format.m_blockAlign;
    m_sound.m_sampleCount = static_cast<uint32_t>(m_sound.m_samples.size() / frameBytes);
    m_sound.m_samples.resize(static_cast<size_t>(m_sound.m_sampleCount) * frameBytes);
    return true;
}

bool FWavReader::ParseFormat(Source& source, uint32_t size) {
    if (m_haveFormat)
        return Fail("More than one Format Chunk\n");
    if (size < kFormatChunkMin)
        return Fail("Format Chunk too short\n");
    uint8_t f[kExtensibleChunkMin] = {};
    const uint32_t keep = std::min<uint32_t>(size, sizeof f);
    if (source.Read(f, keep) < keep || !Skip(source, size - keep)) {
        return Fail("Format Chunk runs past the end of the file\n");
    }
    FSound& fmt = m_sound.m_format;
    fmt.m_formatTag = Le16(f);
    fmt.m_channels = Le16(f + 2);
    fmt.m_samplesPerSec = Le32(f + 4);
    fmt.m_avgBytesPerSec = Le32(f + 8);
    fmt.m_blockAlign = Le16(f + 12);
    fmt.m_bitsPerSample = Le16(f + 14);
    Trace("%s\n", FormatTagName(fmt.m_formatTag));
    Trace("%u Channels\n", fmt.m_channels);
    Trace("%u Samples Per Second\n", fmt.m_samplesPerSec);
    Trace("%u Average Bytes Per Second\n", fmt.m_avgBytesPerSec);
    Trace("Block Align %u\n", fmt.m_blockAlign);
    Trace("%u Bits Per Sample\n", fmt.m_bitsPerSample);

    // An extensible chunk stands for PCM when its sub-format is PCM.
    if (fmt.m_formatTag == kFormatExtensible && size >= kExtensibleChunkMin &&
        Le16(f + 24) == kFormatPCM && std::memcmp(f + 26, kPCMSubFormatTail, 14) == 0) {
        fmt.m_formatTag = kFormatPCM;
    }
    m_haveFormat = true;
    return CheckFormat();
}

bool FWavReader::CheckFormat() {
    const FSound& fmt = m_sound.m_format;
    std::ostringstream message;
    if (fmt.m_formatTag != kFormatPCM) {
        message << "Format " << FormatTagName(fmt.m_formatTag) << " (" << fmt.m_formatTag
                << ") unsupported, only PCM\n";
    } else if (fmt.m_channels != 1 && fmt.m_channels != 2) {
        message << fmt.m_channels << " channels unsupported, only 1 or 2\n";
    } else if (fmt.m_bitsPerSample != 8 && fmt.m_bitsPerSample != 16) {
        message << fmt.m_bitsPerSample << " bits per sample unsupported, only 8 or 16\n";
    } else if (fmt.m_blockAlign != fmt.m_channels * fmt.m_bitsPerSample / 8) {
        message << "Block align " << fmt.m_blockAlign << " does not match " << fmt.m_channels
                << " channels of " << fmt.m_bitsPerSample << " bits\n";
    } else if (FSound::RateCode(fmt.m_samplesPerSec) < 0) {
        message << "Sample rate " << fmt.m_samplesPerSec << " unsupported\n";
    }
    if (!message.str().empty())
        return Fail(message.str());
    m_sound.m_rate = FSound::RateCode(fmt.m_samplesPerSec);
    m_sound.m_size = fmt.m_bitsPerSample == 16 ? 1 : 0;
    m_sound.m_type = fmt.m_channels == 2 ? 1 : 0;
    return true;
}

bool FWavReader::ReadData(Source& source, uint32_t size) {
    if (m_haveData)
        return Fail("More than one Data Chunk\n");
    if (!m_haveFormat)
        Trace("Warning Format Chunk not defined before Data Chunk\n");
    // Grow with what arrives, never by the declared size alone.
    std::vector<uint8_t>& samples = m_sound.m_samples;
    size_t total = 0;
    while (total < size) {
        const size_t want = std::min<size_t>(kReadPiece, size - total);
        samples.resize(total + want);
        const size_t got = source.Read(samples.data() + total, want);
        total += got;
        if (got < want)
            break;
    }
    samples.resize(total);
    if (total < size) {
        Trace("Warning Read %d of %d bytes\n", static_cast<int>(total), static_cast<int>(size));
        std::ostringstream message;
        message << "Data Chunk truncated: " << total << " of " << size << " bytes present\n";
        return Fail(message.str());
    }
    m_haveData = true;
    return true;
}

bool FWavReader::Skip(Source& source, uint64_t size) {
    uint8_t scratch[4096];
    while (size > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, sizeof scratch));
        if (source.Read(scratch, want) < want)
            return false;
        size -= want;
    }
    return true;
}
