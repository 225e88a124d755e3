#include "MovieToolbox/SoundDescription.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <span>
#include <vector>

#include "MovieToolbox/AtomIO.h"

namespace {

constexpr AudioChannelLayoutTag kDiscreteInOrderTag = 147u << 16;

bool IsFloat(const AudioStreamBasicDescription& d) {
    return (d.mFormatFlags & kAudioFormatFlagIsFloat) != 0;
}

// The version 0 format code of integer PCM of 8 or 16 bits in one or two
// interleaved channels, or 0 when version 0 cannot hold the stream.
OSType Version0Format(const AudioStreamBasicDescription& d) {
    bool integerPCM = d.mFormatID == kAudioFormatLinearPCM && !IsFloat(d) &&
                      (d.mFormatFlags & kAudioFormatFlagIsNonInterleaved) == 0;
    if (!integerPCM || d.mChannelsPerFrame < 1 || d.mChannelsPerFrame > 2 ||
        d.mSampleRate >= 65536.0 ||
        d.mBytesPerFrame != d.mBitsPerChannel / 8 * d.mChannelsPerFrame ||
        d.mFramesPerPacket != 1) {
        return 0;
    }
    bool isSigned = (d.mFormatFlags & kAudioFormatFlagIsSignedInteger) != 0;
    if (d.mBitsPerChannel == 8) {
        return isSigned ? k16BitBigEndianFormat : kRawSoundFormat;
    }
    if (d.mBitsPerChannel == 16 && isSigned) {
        return (d.mFormatFlags & kAudioFormatFlagIsBigEndian) != 0 ? k16BitBigEndianFormat
                                                                   : k16BitLittleEndianFormat;
    }
    return 0;
}

bool FixedPacketFormat(const AudioStreamBasicDescription& d) {
    return d.mFormatID != kAudioFormatLinearPCM && d.mFramesPerPacket > 0 &&
           d.mBytesPerPacket > 0 && d.mSampleRate < 65536.0 && d.mChannelsPerFrame <= 0x7FFF &&
           d.mBytesPerPacket % d.mChannelsPerFrame == 0;
}

// A layout that says no more than the channel count does.
bool IsPlainLayout(const AudioChannelLayout& layout, UInt32 channels) {
    if (layout.mChannelLayoutTag == kAudioChannelLayoutTag_Mono) {
        return channels == 1;
    }
    if (layout.mChannelLayoutTag == kAudioChannelLayoutTag_Stereo) {
        return channels == 2;
    }
    return false;
}

void WriteLayout(qtfile::ByteWriter& out, const AudioChannelLayout& layout) {
    out.u32(layout.mChannelLayoutTag);
    out.u32(layout.mChannelBitmap);
    out.u32(layout.mNumberChannelDescriptions);
    for (UInt32 i = 0; i < layout.mNumberChannelDescriptions; ++i) {
        const AudioChannelDescription& d = layout.mChannelDescriptions[i];
        out.u32(d.mChannelLabel);
        out.u32(d.mChannelFlags);
        for (Float32 c : d.mCoordinates) {
            out.u32(std::bit_cast<UInt32>(c));
        }
    }
}

std::vector<uint8_t> ChannelLayoutAtom(const AudioChannelLayout& layout) {
    qtfile::ByteWriter body;
    body.u32(0);  // version and flags
    WriteLayout(body, layout);
    qtfile::ByteWriter out;
    qtfile::WriteAtomHeader(out, kSoundChannelLayoutAtom, body.size());
    out.bytes(body.data());
    return out.data();
}

template <class Record>
Record& Fill(std::vector<uint8_t>& bytes) {
    return *reinterpret_cast<Record*>(bytes.data());
}

void FillHead(SoundDescription& d, OSType format, SInt16 version, SInt32 size) {
    d.descSize = size;
    d.dataFormat = format;
    d.dataRefIndex = 1;
    d.version = version;
}

// The fixed record of each version; extensions are appended by the caller.
std::vector<uint8_t> Version0Or1(const AudioStreamBasicDescription& asbd, int version,
                                 size_t extensionSize) {
    size_t fixed = version == 0 ? sizeof(SoundDescription) : sizeof(SoundDescriptionV1);
    std::vector<uint8_t> bytes(fixed + extensionSize, 0);
    auto& d = Fill<SoundDescription>(bytes);
    OSType pcm = Version0Format(asbd);
    FillHead(d, pcm != 0 ? pcm : asbd.mFormatID, static_cast<SInt16>(version),
             static_cast<SInt32>(bytes.size()));
    UInt32 channels = asbd.mChannelsPerFrame;
    d.numChannels = static_cast<SInt16>(channels);
    d.sampleSize = static_cast<SInt16>(pcm != 0 ? asbd.mBitsPerChannel : 16);
    d.compressionID = pcm != 0 ? kSoundCompressionNone : variableCompression;
    d.sampleRate = static_cast<UInt32>(std::lround(asbd.mSampleRate * 65536.0));
    if (version == 1) {
        auto& v1 = Fill<SoundDescriptionV1>(bytes);
        if (pcm != 0) {
            v1.samplesPerPacket = 1;
            v1.bytesPerPacket = asbd.mBitsPerChannel / 8;
            v1.bytesPerFrame = asbd.mBytesPerFrame;
            v1.bytesPerSample = asbd.mBitsPerChannel / 8;
        } else {
            v1.samplesPerPacket = asbd.mFramesPerPacket;
            v1.bytesPerPacket = asbd.mBytesPerPacket / channels;
            v1.bytesPerFrame = asbd.mBytesPerPacket;
            v1.bytesPerSample = 2;
        }
    }
    return bytes;
}

std::vector<uint8_t> Version2(const AudioStreamBasicDescription& asbd, size_t extensionSize) {
    std::vector<uint8_t> bytes(sizeof(SoundDescriptionV2) + extensionSize, 0);
    auto& d = Fill<SoundDescriptionV2>(bytes);
    d.descSize = static_cast<SInt32>(bytes.size());
    d.dataFormat = asbd.mFormatID;
    d.dataRefIndex = 1;
    d.version = 2;
    d.always3 = 3;
    d.always16 = 16;
    d.alwaysMinus2 = -2;
    d.always65536 = 65536;
    d.sizeOfStructOnly = sizeof(SoundDescriptionV2);
    d.audioSampleRate = asbd.mSampleRate;
    d.numAudioChannels = asbd.mChannelsPerFrame;
    d.always7F000000 = 0x7F000000;
    d.constBitsPerChannel = asbd.mBitsPerChannel;
    d.formatSpecificFlags = asbd.mFormatFlags;
    d.constBytesPerAudioPacket = asbd.mBytesPerPacket;
    d.constLPCMFramesPerAudioPacket = asbd.mFramesPerPacket;
    return bytes;
}

int LowestVersion(const AudioStreamBasicDescription& asbd, bool layoutNeeded) {
    if (Version0Format(asbd) != 0 && !layoutNeeded) {
        return 0;
    }
    if (FixedPacketFormat(asbd) || Version0Format(asbd) != 0) {
        return 1;
    }
    return 2;
}

int RequestedVersion(QTSoundDescriptionKind kind, int lowest) {
    switch (kind) {
        case kQTSoundDescriptionKind_Movie_Version0:
            return lowest == 0 ? 0 : -1;
        case kQTSoundDescriptionKind_Movie_Version1:
            return lowest <= 1 ? 1 : -1;
        case kQTSoundDescriptionKind_Movie_Version2:
            return 2;
        case kQTSoundDescriptionKind_Movie_LowestPossibleVersion:
        case kQTSoundDescriptionKind_Movie_AnyVersion:
            return lowest;
        default:
            return -1;
    }
}

bool ValidStream(const AudioStreamBasicDescription& d) {
    return d.mFormatID != 0 && d.mSampleRate > 0 && std::isfinite(d.mSampleRate) &&
           d.mChannelsPerFrame >= 1 && d.mChannelsPerFrame <= 0xFFFF &&
           (d.mFormatID != kAudioFormatLinearPCM ||
            (d.mBitsPerChannel > 0 && d.mBytesPerFrame > 0 && d.mFramesPerPacket == 1));
}

// The fixed record of a description in memory; null when it is damaged.
const SoundDescription* Record(SoundDescriptionHandle h, int& version, size_t& fixedSize) {
    if (h == nullptr || *h == nullptr) {
        return nullptr;
    }
    Size handleSize = GetHandleSize(reinterpret_cast<Handle>(h));
    const SoundDescription* d = *h;
    if (handleSize < static_cast<Size>(sizeof(SoundDescription)) || d->descSize > handleSize) {
        return nullptr;
    }
    version = d->version;
    fixedSize = version == 0   ? sizeof(SoundDescription)
                : version == 1 ? sizeof(SoundDescriptionV1)
                : version == 2 ? sizeof(SoundDescriptionV2)
                               : 0;
    if (fixedSize == 0 || static_cast<size_t>(d->descSize) < fixedSize) {
        return nullptr;
    }
    return d;
}

AudioStreamBasicDescription StreamOf(const SoundDescription* d, int version) {
    AudioStreamBasicDescription asbd{};
    if (version == 2) {
        auto v2 = reinterpret_cast<const SoundDescriptionV2*>(d);
        asbd.mSampleRate = v2->audioSampleRate;
        asbd.mFormatID = v2->dataFormat;
        asbd.mFormatFlags = v2->formatSpecificFlags;
        asbd.mBytesPerPacket = v2->constBytesPerAudioPacket;
        asbd.mFramesPerPacket = v2->constLPCMFramesPerAudioPacket;
        asbd.mChannelsPerFrame = v2->numAudioChannels;
        asbd.mBitsPerChannel = v2->constBitsPerChannel;
        if (asbd.mFormatID == kAudioFormatLinearPCM && asbd.mFramesPerPacket > 0) {
            asbd.mBytesPerFrame = asbd.mBytesPerPacket / asbd.mFramesPerPacket;
        }
        return asbd;
    }
    asbd.mSampleRate = d->sampleRate / 65536.0;
    asbd.mChannelsPerFrame = static_cast<UInt16>(d->numChannels);
    OSType format = d->dataFormat;
    if (format == kRawSoundFormat || format == k16BitBigEndianFormat ||
        format == k16BitLittleEndianFormat) {
        UInt32 bits = static_cast<UInt16>(d->sampleSize);
        asbd.mFormatID = kAudioFormatLinearPCM;
        asbd.mFormatFlags = kAudioFormatFlagIsPacked;
        if (format != kRawSoundFormat) {
            asbd.mFormatFlags |= kAudioFormatFlagIsSignedInteger;
        }
        if (format == k16BitBigEndianFormat && bits > 8) {
            asbd.mFormatFlags |= kAudioFormatFlagIsBigEndian;
        }
        asbd.mBitsPerChannel = bits;
        asbd.mBytesPerFrame = bits / 8 * asbd.mChannelsPerFrame;
        asbd.mBytesPerPacket = asbd.mBytesPerFrame;
        asbd.mFramesPerPacket = 1;
        return asbd;
    }
    asbd.mFormatID = format;
    if (version == 1) {
        auto v1 = reinterpret_cast<const SoundDescriptionV1*>(d);
        asbd.mFramesPerPacket = v1->samplesPerPacket;
        asbd.mBytesPerPacket = v1->bytesPerFrame;
    } else {
        asbd.mFramesPerPacket = 1;
        asbd.mBytesPerPacket = asbd.mChannelsPerFrame;  // 8-bit companded formats
    }
    return asbd;
}

// The 'chan' extension's layout bytes (after version and flags), if any.
std::span<const uint8_t> StoredLayout(const SoundDescription* d, size_t fixedSize) {
    auto bytes = reinterpret_cast<const uint8_t*>(d);
    qtfile::ByteReader extensions(
        std::span<const uint8_t>(bytes + fixedSize, static_cast<size_t>(d->descSize) - fixedSize));
    while (extensions.remaining() >= 8) {
        qtfile::AtomHeader header;
        qtfile::ByteReader payload;
        if (!qtfile::NextAtom(extensions, header, payload)) {
            break;
        }
        if (header.type == kSoundChannelLayoutAtom && payload.remaining() >= 16) {
            payload.skip(4);
            return payload.bytes(payload.remaining());
        }
    }
    return {};
}

// The channel layout of a description in memory form: the stored one, or
// the plain one for its channel count.
std::vector<uint8_t> LayoutOf(const SoundDescription* d, int version, size_t fixedSize) {
    std::span<const uint8_t> stored = StoredLayout(d, fixedSize);
    if (!stored.empty()) {
        qtfile::ByteReader in(stored);
        UInt32 tag = in.u32();
        UInt32 bitmap = in.u32();
        UInt32 count = in.u32();
        if (count <= in.remaining() / 20) {
            std::vector<uint8_t> bytes(AudioChannelLayoutSize(count), 0);
            auto layout = reinterpret_cast<AudioChannelLayout*>(bytes.data());
            layout->mChannelLayoutTag = tag;
            layout->mChannelBitmap = bitmap;
            layout->mNumberChannelDescriptions = count;
            for (UInt32 i = 0; i < count; ++i) {
                AudioChannelDescription& c = layout->mChannelDescriptions[i];
                c.mChannelLabel = in.u32();
                c.mChannelFlags = in.u32();
                for (Float32& coordinate : c.mCoordinates) {
                    coordinate = std::bit_cast<Float32>(in.u32());
                }
            }
            return bytes;
        }
    }
    UInt32 channels = StreamOf(d, version).mChannelsPerFrame;
    std::vector<uint8_t> bytes(AudioChannelLayoutSize(0), 0);
    auto layout = reinterpret_cast<AudioChannelLayout*>(bytes.data());
    layout->mChannelLayoutTag = channels == 1   ? kAudioChannelLayoutTag_Mono
                                : channels == 2 ? kAudioChannelLayoutTag_Stereo
                                                : kDiscreteInOrderTag | channels;
    return bytes;
}

std::vector<uint8_t> PropertyValue(SoundDescriptionHandle inDesc, QTPropertyClass inPropClass,
                                   QTPropertyID inPropID, OSStatus& status) {
    int version = 0;
    size_t fixedSize = 0;
    const SoundDescription* d = Record(inDesc, version, fixedSize);
    status = noErr;
    if (d == nullptr || inPropClass != kQTPropertyClass_SoundDescription) {
        status = paramErr;
        return {};
    }
    if (inPropID == kQTSoundDescriptionPropertyID_AudioStreamBasicDescription) {
        AudioStreamBasicDescription asbd = StreamOf(d, version);
        auto bytes = reinterpret_cast<const uint8_t*>(&asbd);
        return std::vector<uint8_t>(bytes, bytes + sizeof asbd);
    }
    if (inPropID == kQTSoundDescriptionPropertyID_AudioChannelLayout) {
        return LayoutOf(d, version, fixedSize);
    }
    status = paramErr;
    return {};
}

}  // namespace

OSStatus QTSoundDescriptionCreate(AudioStreamBasicDescription* inASBD, AudioChannelLayout* inLayout,
                                  ByteCount inLayoutSize, void* inMagicCookie,
                                  ByteCount inMagicCookieSize,
                                  QTSoundDescriptionKind inRequestedKind,
                                  SoundDescriptionHandle* outSoundDesc) {
    if (inASBD == nullptr || outSoundDesc == nullptr || !ValidStream(*inASBD) ||
        (inMagicCookie != nullptr && inMagicCookieSize > 0)) {
        return paramErr;
    }
    if (inLayout != nullptr &&
        (inLayoutSize < AudioChannelLayoutSize(0) ||
         inLayoutSize < AudioChannelLayoutSize(inLayout->mNumberChannelDescriptions))) {
        return paramErr;
    }
    bool layoutNeeded = inLayout != nullptr && !IsPlainLayout(*inLayout, inASBD->mChannelsPerFrame);
    int version = RequestedVersion(inRequestedKind, LowestVersion(*inASBD, layoutNeeded));
    if (version < 0 || (version == 0 && layoutNeeded)) {
        return paramErr;
    }
    std::vector<uint8_t> extension;
    if (layoutNeeded) {
        extension = ChannelLayoutAtom(*inLayout);
    }
    std::vector<uint8_t> bytes = version == 2 ? Version2(*inASBD, extension.size())
                                              : Version0Or1(*inASBD, version, extension.size());
    std::copy(extension.begin(), extension.end(),
              bytes.end() - static_cast<long>(extension.size()));
    Handle handle = nullptr;
    OSErr err = PtrToHand(bytes.data(), &handle, static_cast<long>(bytes.size()));
    if (err != noErr) {
        return err;
    }
    *outSoundDesc = reinterpret_cast<SoundDescriptionHandle>(handle);
    return noErr;
}

OSStatus QTSoundDescriptionGetPropertyInfo(SoundDescriptionHandle inDesc,
                                           QTPropertyClass inPropClass, QTPropertyID inPropID,
                                           QTPropertyID* outPropType, ByteCount* outPropValueSize,
                                           UInt32* outPropertyFlags) {
    OSStatus status = noErr;
    std::vector<uint8_t> value = PropertyValue(inDesc, inPropClass, inPropID, status);
    if (status != noErr) {
        return status;
    }
    if (outPropType != nullptr) {
        *outPropType = inPropID;
    }
    if (outPropValueSize != nullptr) {
        *outPropValueSize = value.size();
    }
    if (outPropertyFlags != nullptr) {
        *outPropertyFlags = 1;  // can be read
    }
    return noErr;
}

OSStatus QTSoundDescriptionGetProperty(SoundDescriptionHandle inDesc, QTPropertyClass inPropClass,
                                       QTPropertyID inPropID, ByteCount inPropValueSize,
                                       QTPropertyValuePtr outPropValueAddress,
                                       ByteCount* outPropValueSizeUsed) {
    OSStatus status = noErr;
    std::vector<uint8_t> value = PropertyValue(inDesc, inPropClass, inPropID, status);
    if (status != noErr) {
        return status;
    }
    if (outPropValueAddress == nullptr || inPropValueSize < value.size()) {
        return paramErr;
    }
    std::memcpy(outPropValueAddress, value.data(), value.size());
    if (outPropValueSizeUsed != nullptr) {
        *outPropValueSizeUsed = value.size();
    }
    return noErr;
}
