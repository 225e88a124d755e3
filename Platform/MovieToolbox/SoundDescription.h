// Sound descriptions: the versions 0, 1 and 2 of the record that describes
// the samples of a sound media, and their making from an audio stream
// description.  In memory the numbers of the fixed record are in host byte
// order; extension atoms after it (such as a channel layout) are big-endian.
#pragma once

#include "CoreAudio/CoreAudioTypes.h"
#include "MovieToolbox/Movies.h"

#pragma pack(push, 2)
struct SoundDescription {
    SInt32 descSize;
    OSType dataFormat;
    SInt32 resvd1;
    SInt16 resvd2;
    SInt16 dataRefIndex;
    SInt16 version;
    SInt16 revlevel;
    OSType vendor;
    SInt16 numChannels;
    SInt16 sampleSize;
    SInt16 compressionID;
    SInt16 packetSize;
    UInt32 sampleRate;  // unsigned 16.16
};

struct SoundDescriptionV1 {
    SoundDescription desc;
    UInt32 samplesPerPacket;
    UInt32 bytesPerPacket;  // per channel
    UInt32 bytesPerFrame;   // one packet of every channel
    UInt32 bytesPerSample;
};

struct SoundDescriptionV2 {
    SInt32 descSize;
    OSType dataFormat;
    SInt32 resvd1;
    SInt16 resvd2;
    SInt16 dataRefIndex;
    SInt16 version;
    SInt16 revLevel;
    OSType vendor;
    SInt16 always3;
    SInt16 always16;
    SInt16 alwaysMinus2;
    SInt16 always0;
    UInt32 always65536;
    UInt32 sizeOfStructOnly;
    Float64 audioSampleRate;
    UInt32 numAudioChannels;
    SInt32 always7F000000;
    UInt32 constBitsPerChannel;
    UInt32 formatSpecificFlags;
    UInt32 constBytesPerAudioPacket;
    UInt32 constLPCMFramesPerAudioPacket;
};
#pragma pack(pop)
static_assert(sizeof(SoundDescription) == 36);
static_assert(sizeof(SoundDescriptionV1) == 52);
static_assert(sizeof(SoundDescriptionV2) == 72);

typedef SoundDescription* SoundDescriptionPtr;
typedef SoundDescriptionPtr* SoundDescriptionHandle;

enum : SInt16 {
    kSoundCompressionNone = 0,
    fixedCompression = -1,
    variableCompression = -2,
};

enum : OSType {
    kRawSoundFormat = 'raw ',  // 8-bit offset binary
    k16BitBigEndianFormat = 'twos',
    k16BitLittleEndianFormat = 'sowt',
    kSoundChannelLayoutAtom = 'chan',
};

typedef OSType QTSoundDescriptionKind;
enum : QTSoundDescriptionKind {
    kQTSoundDescriptionKind_Movie_Version0 = 'mvv0',
    kQTSoundDescriptionKind_Movie_Version1 = 'mvv1',
    kQTSoundDescriptionKind_Movie_Version2 = 'mvv2',
    kQTSoundDescriptionKind_Movie_LowestPossibleVersion = 'mvlo',
    kQTSoundDescriptionKind_Movie_AnyVersion = 'mvny',
};

typedef OSType QTPropertyClass;
typedef OSType QTPropertyID;
typedef void* QTPropertyValuePtr;
enum : QTPropertyClass { kQTPropertyClass_SoundDescription = 'sdes' };
enum : QTPropertyID {
    kQTSoundDescriptionPropertyID_AudioChannelLayout = 'clay',
    kQTSoundDescriptionPropertyID_MagicCookie = 'kuki',
    kQTSoundDescriptionPropertyID_AudioStreamBasicDescription = 'asbd',
};

// Makes a sound description for a stream.  The lowest-version kind picks
// version 0 for 8- and 16-bit integer PCM of one or two channels at a rate
// below 65536 Hz ('raw ', 'twos', 'sowt'), version 1 for compressed formats
// with a fixed number of frames and bytes per packet (such as 'ima4'), and
// version 2 for everything else.  A channel layout other than the plain mono
// or stereo one for its channel count is kept as a 'chan' extension (version
// 1 or 2).  Magic cookies are not supported (paramErr).
OSStatus QTSoundDescriptionCreate(AudioStreamBasicDescription* inASBD, AudioChannelLayout* inLayout,
                                  ByteCount inLayoutSize, void* inMagicCookie,
                                  ByteCount inMagicCookieSize,
                                  QTSoundDescriptionKind inRequestedKind,
                                  SoundDescriptionHandle* outSoundDesc);
// Properties of class 'sdes': 'asbd' (the stream description) and 'clay'
// (the channel layout: the stored one, else the plain one for the channel
// count).
OSStatus QTSoundDescriptionGetPropertyInfo(SoundDescriptionHandle inDesc,
                                           QTPropertyClass inPropClass, QTPropertyID inPropID,
                                           QTPropertyID* outPropType, ByteCount* outPropValueSize,
                                           UInt32* outPropertyFlags);
OSStatus QTSoundDescriptionGetProperty(SoundDescriptionHandle inDesc, QTPropertyClass inPropClass,
                                       QTPropertyID inPropID, ByteCount inPropValueSize,
                                       QTPropertyValuePtr outPropValueAddress,
                                       ByteCount* outPropValueSizeUsed);
