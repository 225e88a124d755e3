#include "MovieSound.h"

#include "AudioCodecs/IMA4Codec.h"
#include "MovieFormats.h"
#include "MovieOpen.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

// The most sound read into memory: an hour of 44.1 kHz stereo.
constexpr uint64_t kMaxSamples = 3600ull * 44100 * 2;

void AppendPcm(const std::vector<uint8_t>& bytes, bool bigEndian, std::vector<int16_t>& out) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned hi = bigEndian ? bytes[i] : bytes[i + 1];
        const unsigned lo = bigEndian ? bytes[i + 1] : bytes[i];
        out.push_back(static_cast<int16_t>(hi << 8 | lo));
    }
}

}  // namespace

MovieSound ReadMovieSound(const std::string& path) {
    qtfile::MovieFileReader movie;
    OpenMovie(movie, path);
    MovieSound sound;
    for (size_t t = 0; t < movie.trackCount(); ++t) {
        if (movie.track(t).media.mediaType() != 'soun') {
            continue;
        }
        const auto format = ReadSoundFormat(FirstDescription(movie.track(t)));
        if (!format || format->channels < 1 || format->channels > 2) {
            throw ToolError("the sound track's description is damaged or not mono or stereo");
        }
        const uint32_t codec = format->codec;
        // 'lpcm' says its byte order in its flags: big-endian 2, float 1.
        const bool lpcm = codec == 'lpcm' && (format->flags & 1) == 0;
        const bool pcm16 =
            (codec == 'twos' || codec == 'sowt' || lpcm) && format->bitsPerSample == 16;
        const bool bigEndian = codec == 'twos' || (lpcm && (format->flags & 2) != 0);
        if (!pcm16 && codec != 'ima4') {
            throw ToolError("cannot decode sound of codec " + FormatFourCC(codec) + " with " +
                            std::to_string(format->bitsPerSample) + " bits");
        }
        sound.sampleRate = static_cast<uint32_t>(format->sampleRate + 0.5);
        sound.channels = static_cast<uint16_t>(format->channels);
        IMA4Decoder ima(format->channels);
        std::vector<uint8_t> bytes;
        std::vector<int16_t> decoded;
        const qtfile::SampleTableIndex& samples = movie.samples(t);
        for (uint32_t i = 0; i < samples.sampleCount(); ++i) {
            CheckRead(movie.readSample(t, i, bytes));
            if (pcm16) {
                AppendPcm(bytes, bigEndian, sound.samples);
            } else {
                const size_t packets = bytes.size() / ima.bytesPerPacket();
                decoded.resize(packets * 64 * format->channels);
                size_t frames = 0;
                if (ima.decode({bytes.data(), packets * ima.bytesPerPacket()}, decoded, &frames) !=
                    noErr) {
                    throw ToolError("damaged 'ima4' sound in sample " + std::to_string(i));
                }
                sound.samples.insert(sound.samples.end(), decoded.begin(),
                                     decoded.begin() + long(frames * format->channels));
            }
            if (sound.samples.size() > kMaxSamples) {
                throw ToolError("the sound track is too long to convert");
            }
        }
        return sound;
    }
    return sound;
}

}  // namespace mvd
