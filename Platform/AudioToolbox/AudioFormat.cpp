#include "AudioToolbox/AudioFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// Short names for the table below.
enum : AudioChannelLabel {
    L = kAudioChannelLabel_Left,
    R = kAudioChannelLabel_Right,
    C = kAudioChannelLabel_Center,
    LFE = kAudioChannelLabel_LFEScreen,
    Ls = kAudioChannelLabel_LeftSurround,
    Rs = kAudioChannelLabel_RightSurround,
    Lc = kAudioChannelLabel_LeftCenter,
    Rc = kAudioChannelLabel_RightCenter,
    Cs = kAudioChannelLabel_CenterSurround,
    Vhl = kAudioChannelLabel_VerticalHeightLeft,
    Vhr = kAudioChannelLabel_VerticalHeightRight,
    Tbl = kAudioChannelLabel_TopBackLeft,
    Tbr = kAudioChannelLabel_TopBackRight,
    Rls = kAudioChannelLabel_RearSurroundLeft,
    Rrs = kAudioChannelLabel_RearSurroundRight,
    Lw = kAudioChannelLabel_LeftWide,
    Rw = kAudioChannelLabel_RightWide,
    Lt = kAudioChannelLabel_LeftTotal,
    Rt = kAudioChannelLabel_RightTotal,
    HpL = kAudioChannelLabel_HeadphonesLeft,
    HpR = kAudioChannelLabel_HeadphonesRight,
};

struct TagLayout {
    AudioChannelLayoutTag tag;
    std::array<AudioChannelLabel, 8> labels;  // the first (tag & 0xFFFF) are used
};

// The channel order of each named layout.
constexpr TagLayout kLayouts[] = {
    {kAudioChannelLayoutTag_Mono, {C}},
    {kAudioChannelLayoutTag_Stereo, {L, R}},
    {kAudioChannelLayoutTag_StereoHeadphones, {HpL, HpR}},
    {kAudioChannelLayoutTag_MatrixStereo, {Lt, Rt}},
    {kAudioChannelLayoutTag_MidSide, {kAudioChannelLabel_MS_Mid, kAudioChannelLabel_MS_Side}},
    {kAudioChannelLayoutTag_XY, {kAudioChannelLabel_XY_X, kAudioChannelLabel_XY_Y}},
    {kAudioChannelLayoutTag_Binaural, {HpL, HpR}},
    {kAudioChannelLayoutTag_Ambisonic_B_Format,
     {kAudioChannelLabel_Ambisonic_W, kAudioChannelLabel_Ambisonic_X,
      kAudioChannelLabel_Ambisonic_Y, kAudioChannelLabel_Ambisonic_Z}},
    {kAudioChannelLayoutTag_Quadraphonic, {L, R, Ls, Rs}},
    {kAudioChannelLayoutTag_Pentagonal, {L, R, Ls, Rs, C}},
    {kAudioChannelLayoutTag_Hexagonal, {L, R, Ls, Rs, C, Cs}},
    {kAudioChannelLayoutTag_Octagonal, {L, R, Ls, Rs, C, Cs, Lw, Rw}},
    {kAudioChannelLayoutTag_Cube, {L, R, Ls, Rs, Vhl, Vhr, Tbl, Tbr}},
    {kAudioChannelLayoutTag_MPEG_3_0_A, {L, R, C}},
    {kAudioChannelLayoutTag_MPEG_3_0_B, {C, L, R}},
    {kAudioChannelLayoutTag_MPEG_4_0_A, {L, R, C, Cs}},
    {kAudioChannelLayoutTag_MPEG_4_0_B, {C, L, R, Cs}},
    {kAudioChannelLayoutTag_MPEG_5_0_A, {L, R, C, Ls, Rs}},
    {kAudioChannelLayoutTag_MPEG_5_0_B, {L, R, Ls, Rs, C}},
    {kAudioChannelLayoutTag_MPEG_5_0_C, {L, C, R, Ls, Rs}},
    {kAudioChannelLayoutTag_MPEG_5_0_D, {C, L, R, Ls, Rs}},
    {kAudioChannelLayoutTag_MPEG_5_1_A, {L, R, C, LFE, Ls, Rs}},
    {kAudioChannelLayoutTag_MPEG_5_1_B, {L, R, Ls, Rs, C, LFE}},
    {kAudioChannelLayoutTag_MPEG_5_1_C, {L, C, R, Ls, Rs, LFE}},
    {kAudioChannelLayoutTag_MPEG_5_1_D, {C, L, R, Ls, Rs, LFE}},
    {kAudioChannelLayoutTag_MPEG_6_1_A, {L, R, C, LFE, Ls, Rs, Cs}},
    {kAudioChannelLayoutTag_MPEG_7_1_A, {L, R, C, LFE, Ls, Rs, Lc, Rc}},
    {kAudioChannelLayoutTag_MPEG_7_1_B, {C, Lc, Rc, L, R, Ls, Rs, LFE}},
    {kAudioChannelLayoutTag_MPEG_7_1_C, {L, R, C, LFE, Ls, Rs, Rls, Rrs}},
    {kAudioChannelLayoutTag_Emagic_Default_7_1, {L, R, Ls, Rs, C, LFE, Lc, Rc}},
    {kAudioChannelLayoutTag_SMPTE_DTV, {L, R, C, LFE, Ls, Rs, Lt, Rt}},
    {kAudioChannelLayoutTag_ITU_2_1, {L, R, Cs}},
    {kAudioChannelLayoutTag_ITU_2_2, {L, R, Ls, Rs}},
    {kAudioChannelLayoutTag_DVD_4, {L, R, LFE}},
    {kAudioChannelLayoutTag_DVD_5, {L, R, LFE, Cs}},
    {kAudioChannelLayoutTag_DVD_6, {L, R, LFE, Ls, Rs}},
    {kAudioChannelLayoutTag_DVD_10, {L, R, C, LFE}},
    {kAudioChannelLayoutTag_DVD_11, {L, R, C, LFE, Cs}},
    {kAudioChannelLayoutTag_AudioUnit_6_0, {L, R, Ls, Rs, C, Cs}},
    {kAudioChannelLayoutTag_AudioUnit_7_0, {L, R, Ls, Rs, C, Rls, Rrs}},
    {kAudioChannelLayoutTag_AudioUnit_7_0_Front, {L, R, Ls, Rs, C, Lc, Rc}},
    {kAudioChannelLayoutTag_AAC_6_0, {C, L, R, Ls, Rs, Cs}},
    {kAudioChannelLayoutTag_AAC_6_1, {C, L, R, Ls, Rs, Cs, LFE}},
    {kAudioChannelLayoutTag_AAC_7_0, {C, L, R, Ls, Rs, Rls, Rrs}},
    {kAudioChannelLayoutTag_AAC_Octagonal, {C, L, R, Ls, Rs, Rls, Rrs, Cs}},
    {kAudioChannelLayoutTag_AC3_1_0_1, {C, LFE}},
    {kAudioChannelLayoutTag_AC3_3_0, {L, C, R}},
    {kAudioChannelLayoutTag_AC3_3_1, {L, C, R, Cs}},
    {kAudioChannelLayoutTag_AC3_3_0_1, {L, C, R, LFE}},
    {kAudioChannelLayoutTag_AC3_2_1_1, {L, R, Cs, LFE}},
    {kAudioChannelLayoutTag_AC3_3_1_1, {L, C, R, Cs, LFE}},
};

// Bits of a channel bitmap that name a channel.
constexpr AudioChannelBitmap kKnownBits = (1u << 18) - 1;

// The labels a specifier stands for, or an error.
OSStatus LabelsFor(AudioFormatPropertyID property, UInt32 specifierSize, const void* specifier,
                   std::vector<AudioChannelLabel>& labels) {
    if (property != kAudioFormatProperty_ChannelLayoutForTag &&
        property != kAudioFormatProperty_ChannelLayoutForBitmap) {
        return kAudioFormatUnsupportedPropertyError;
    }
    if (specifier == nullptr || specifierSize != sizeof(UInt32)) {
        return kAudioFormatBadSpecifierSizeError;
    }
    UInt32 value = 0;
    std::memcpy(&value, specifier, sizeof value);
    labels.clear();
    if (property == kAudioFormatProperty_ChannelLayoutForBitmap) {
        if (value == 0 || (value & ~kKnownBits) != 0) {
            return kAudioFormatUnsupportedDataFormatError;
        }
        for (UInt32 bit = 0; bit < 18; ++bit) {
            if (value & (1u << bit)) {
                labels.push_back(bit + 1);
            }
        }
        return noErr;
    }
    UInt32 channels = AudioChannelLayoutTag_GetNumberOfChannels(value);
    if ((value & 0xFFFF0000u) == kAudioChannelLayoutTag_DiscreteInOrder && channels > 0) {
        for (UInt32 i = 0; i < channels; ++i) {
            labels.push_back(kAudioChannelLabel_Discrete_0 + i);
        }
        return noErr;
    }
    auto known = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                              [value](const TagLayout& layout) { return layout.tag == value; });
    if (known == std::end(kLayouts)) {
        return kAudioFormatUnsupportedDataFormatError;
    }
    labels.assign(known->labels.begin(), known->labels.begin() + channels);
    return noErr;
}

}  // namespace

OSStatus AudioFormatGetPropertyInfo(AudioFormatPropertyID inPropertyID, UInt32 inSpecifierSize,
                                    const void* inSpecifier, UInt32* outPropertyDataSize) {
    std::vector<AudioChannelLabel> labels;
    OSStatus err = LabelsFor(inPropertyID, inSpecifierSize, inSpecifier, labels);
    if (err != noErr) {
        return err;
    }
    if (outPropertyDataSize == nullptr) {
        return paramErr;
    }
    *outPropertyDataSize = static_cast<UInt32>(AudioChannelLayoutSize(labels.size()));
    return noErr;
}

OSStatus AudioFormatGetProperty(AudioFormatPropertyID inPropertyID, UInt32 inSpecifierSize,
                                const void* inSpecifier, UInt32* ioPropertyDataSize,
                                void* outPropertyData) {
    std::vector<AudioChannelLabel> labels;
    OSStatus err = LabelsFor(inPropertyID, inSpecifierSize, inSpecifier, labels);
    if (err != noErr) {
        return err;
    }
    if (ioPropertyDataSize == nullptr || outPropertyData == nullptr) {
        return paramErr;
    }
    auto size = static_cast<UInt32>(AudioChannelLayoutSize(labels.size()));
    if (*ioPropertyDataSize < size) {
        return kAudioFormatBadPropertySizeError;
    }
    // Written field by field: the room given may be smaller than the struct.
    auto out = static_cast<UInt8*>(outPropertyData);
    std::memset(out, 0, size);
    const UInt32 head[3] = {kAudioChannelLayoutTag_UseChannelDescriptions, 0,
                            static_cast<UInt32>(labels.size())};
    std::memcpy(out, head, sizeof head);
    for (size_t i = 0; i < labels.size(); ++i) {
        std::memcpy(out + AudioChannelLayoutSize(i), &labels[i], sizeof labels[i]);
    }
    *ioPropertyDataSize = size;
    return noErr;
}
