// The Audio Format Services subset that answers channel layout questions:
// the channel descriptions that a layout tag or a channel bitmap stands for.
#pragma once

#include "CoreAudio/AudioChannelLayoutTags.h"

typedef UInt32 AudioFormatPropertyID;

enum : AudioFormatPropertyID {
    // Specifier: an AudioChannelLayoutTag; value: an AudioChannelLayout.
    kAudioFormatProperty_ChannelLayoutForTag = 'cmpl',
    // Specifier: an AudioChannelBitmap; value: an AudioChannelLayout.
    kAudioFormatProperty_ChannelLayoutForBitmap = 'cmpb',
};

enum : OSStatus {
    kAudioFormatUnspecifiedError = 'what',
    kAudioFormatUnsupportedPropertyError = 'prop',
    kAudioFormatBadPropertySizeError = '!siz',
    kAudioFormatBadSpecifierSizeError = '!spc',
    kAudioFormatUnsupportedDataFormatError = 'fmt?',
    kAudioFormatUnknownFormatError = '!fmt',
};

// The size of a property's value for the specifier.  The layouts come back
// as lists of channel descriptions (tag kAudioChannelLayoutTag_
// UseChannelDescriptions), 12 + 20 bytes per channel.
OSStatus AudioFormatGetPropertyInfo(AudioFormatPropertyID inPropertyID, UInt32 inSpecifierSize,
                                    const void* inSpecifier, UInt32* outPropertyDataSize);
// The property's value; *ioPropertyDataSize gives the room at
// outPropertyData and receives the bytes written (kAudioFormatBadPropertySizeError
// when the room is too small).  A tag or bitmap this subset does not know
// gives kAudioFormatUnsupportedDataFormatError.
OSStatus AudioFormatGetProperty(AudioFormatPropertyID inPropertyID, UInt32 inSpecifierSize,
                                const void* inSpecifier, UInt32* ioPropertyDataSize,
                                void* outPropertyData);
