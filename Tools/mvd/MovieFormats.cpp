#include "MovieFormats.h"

#include <bit>
#include <cstring>

namespace mvd {

namespace {

// Every description starts with its size, format, 6 reserved bytes and the
// data reference index.
constexpr size_t kHeadSize = 16;

}  // namespace

std::optional<VideoFormat> ReadVideoFormat(std::span<const uint8_t> entry) {
    qtfile::ByteReader in(entry);
    in.skip(4);
    VideoFormat format;
    format.codec = in.fourcc();
    in.skip(kHeadSize - 8 + 16);  // version, revision, vendor, qualities
    format.width = in.u16();
    format.height = in.u16();
    in.skip(14);  // resolutions, data size, frame count
    const std::span<const uint8_t> name = in.bytes(32);
    format.depth = in.s16();
    if (!in.ok()) {
        return std::nullopt;
    }
    const size_t length = std::min<size_t>(name[0], 31);
    format.compressorName.assign(reinterpret_cast<const char*>(name.data() + 1), length);
    return format;
}

std::optional<SoundFormat> ReadSoundFormat(std::span<const uint8_t> entry) {
    qtfile::ByteReader in(entry);
    in.skip(4);
    SoundFormat format;
    format.codec = in.fourcc();
    in.skip(kHeadSize - 8);
    format.version = in.u16();
    in.skip(6);  // revision, vendor
    if (format.version == 2) {
        in.skip(16);  // fixed values and the size of the structure
        format.sampleRate = std::bit_cast<double>(in.u64());
        format.channels = in.u32();
        in.skip(4);
        format.bitsPerSample = in.u32();
        format.flags = in.u32();
    } else {
        format.channels = in.u16();
        format.bitsPerSample = in.u16();
        in.skip(4);  // compression ID, packet size
        format.sampleRate = in.u32() / 65536.0;
    }
    if (!in.ok()) {
        return std::nullopt;
    }
    return format;
}

std::optional<std::string> ReadTextSample(std::span<const uint8_t> sample) {
    qtfile::ByteReader in(sample);
    const uint16_t length = in.u16();
    const std::span<const uint8_t> text = in.bytes(length);
    if (!in.ok()) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::span<const uint8_t> FirstDescription(const qtfile::TrackAtom& track) {
    const auto& entries = track.media.information.sampleTable.descriptions.entries;
    if (entries.empty()) {
        return {};
    }
    return entries.front();
}

}  // namespace mvd
