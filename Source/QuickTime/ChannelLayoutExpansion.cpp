#include "QuickTime/ChannelLayoutExpansion.h"

#include <cstdlib>
#include <cstring>

#include "AudioToolbox/AudioFormat.h"

namespace {

// A layout's block may hold only its 12-byte head, less than the struct
// declares: its fields are read and written as bytes.
UInt32 HeadField(const AudioChannelLayout* layout, size_t index) {
    UInt32 value = 0;
    std::memcpy(&value, reinterpret_cast<const UInt8*>(layout) + 4 * index, sizeof value);
    return value;
}

void SetTag(AudioChannelLayout* layout, AudioChannelLayoutTag tag) {
    std::memcpy(layout, &tag, sizeof tag);
}

// Fetches the layout for a tag or bitmap into *layout, or into a new block
// when *layout has less room than the layout needs.
OSStatus FetchLayout(AudioFormatPropertyID property, UInt32 specifier, AudioChannelLayout** layout,
                     UInt32* size) {
    UInt32 needed = 0;
    OSStatus err = AudioFormatGetPropertyInfo(property, sizeof specifier, &specifier, &needed);
    AudioChannelLayout* target = *layout;
    UInt32 room = *size;
    bool allocated = false;
    if (err == noErr && room < needed) {
        target = static_cast<AudioChannelLayout*>(std::calloc(1, needed));
        if (target == nullptr) {
            return memFullErr;
        }
        room = needed;
        allocated = true;
    }
    err = AudioFormatGetProperty(property, sizeof specifier, &specifier, &room, target);
    if (err != noErr) {
        if (allocated) {
            std::free(target);
        }
        return err;
    }
    SetTag(target, kAudioChannelLayoutTag_UseChannelDescriptions);
    if (allocated) {
        std::free(*layout);
        *layout = target;
        *size = needed;
    }
    return noErr;
}

}  // namespace

OSStatus expandChannelLayout(AudioChannelLayout** layout, UInt32* size) {
    if (layout == nullptr || *layout == nullptr || size == nullptr ||
        *size < AudioChannelLayoutSize(0)) {
        return paramErr;
    }
    AudioChannelLayoutTag tag = HeadField(*layout, 0);
    switch (tag) {
        case kAudioChannelLayoutTag_UseChannelDescriptions:
            return noErr;
        case kAudioChannelLayoutTag_UseChannelBitmap:
            return FetchLayout(kAudioFormatProperty_ChannelLayoutForBitmap, HeadField(*layout, 1),
                               layout, size);
        case kAudioChannelLayoutTag_Mono: {
            constexpr UInt32 kMonoSize = AudioChannelLayoutSize(1);
            auto mono = static_cast<AudioChannelLayout*>(std::calloc(1, kMonoSize));
            if (mono == nullptr) {
                return memFullErr;
            }
            mono->mNumberChannelDescriptions = 1;
            mono->mChannelDescriptions[0].mChannelLabel = kAudioChannelLabel_Mono;
            std::free(*layout);
            *layout = mono;
            *size = kMonoSize;
            return noErr;
        }
        default:
            return FetchLayout(kAudioFormatProperty_ChannelLayoutForTag, tag, layout, size);
    }
}
