// The standard compression components ('scdi'), which the platform
// registers itself:
//
//   'imag'  image and sequence settings: a codec type (with, optionally, the
//           compressor component to use), depth and spatial quality
//           ('sptl'), temporal quality, frame rate and key frame rate
//           ('tprl'), data rate ('drat') and preference flags ('pref'),
//           read and written with SCGetInfo / SCSetInfo; a settings dialog;
//           SCCopyCompressionSessionOptions turns the settings into
//           compression session options.
//   'audi'  audio settings as component properties of class 'scda' (input
//           and output stream descriptions, channel layouts); a settings
//           dialog; SCAudioFillBuffer converts audio pulled from the
//           caller into the output format: linear PCM (8, 16, 24 or 32-bit
//           integers, 32 or 64-bit floats, either byte order, any channel
//           count from 1 to 16) or IMA 4:1 ('ima4').
//
// Both keep their settings in QT atom containers (SCGetSettingsAsAtomContainer,
// SCSetSettingsFromAtomContainer) whose numbers are big-endian, so a saved
// container reads back on any machine.  Containers are checked as untrusted
// data: a damaged one gives an error and changes nothing.
//
// Dialogs are headless (Dialogs/DialogDriver.h): OK stores what the driver
// chose, Cancel (or no driver) changes nothing and returns userCanceledErr.
#pragma once

#include "Components/ComponentProperties.h"
#include "Components/Components.h"
#include "CoreAudio/CoreAudioTypes.h"
#include "ImageCompression/ICMCompressionSession.h"
#include "MovieToolbox/QTAtomContainer.h"

enum : OSType {
    StandardCompressionType = 'scdi',
    StandardCompressionSubType = 'imag',
    StandardCompressionSubTypeAudio = 'audi',
};

typedef Component CodecComponent;

struct SCSpatialSettings {
    CodecType codecType;
    CodecComponent codec;  // null: the first compressor of codecType
    short depth;           // 16, 24 or 32; 0 asks for 32
    CodecQ spatialQuality;
};

struct SCTemporalSettings {
    CodecQ temporalQuality;  // 0: no temporal compression
    Fixed frameRate;         // frames per second, 16.16; 0 for none given
    long keyFrameRate;       // frames from one key frame to the next at most; 0 for no limit
};

struct SCDataRateSettings {
    long dataRate;  // bytes per second; 0 for no limit
    long frameDuration;
    CodecQ minSpatialQuality;
    CodecQ minTemporalQuality;
};

// SCGetInfo / SCSetInfo types.
enum : OSType {
    scSpatialSettingsType = 'sptl',   // SCSpatialSettings
    scTemporalSettingsType = 'tprl',  // SCTemporalSettings
    scDataRateSettingsType = 'drat',  // SCDataRateSettings
    scPreferenceFlagsType = 'pref',   // long
};

// Preference flags.
enum : long {
    scListEveryCodec = 1L << 1,
    scAllowZeroFrameRate = 1L << 2,
    scAllowZeroKeyFrameRate = 1L << 3,
    scShowBestDepth = 1L << 4,
    scUseMovableModal = 1L << 5,
    scDisableFrameRateItem = 1L << 6,
    scShowDataRateAsKilobits = 1L << 7,
    scAllowEncodingWithCompressionSession = 1L << 8,
    scDisableFrameReorderingItem = 1L << 9,
    scDisableMultiPassEncodingItem = 1L << 10,
};

// SCGetInfo / SCSetInfo for a type the component does not keep.
enum : OSErr { scTypeNotFoundErr = -8971 };

// Atoms of a settings container: the root holds a version atom and one
// container of settings atoms (video or sound).
enum : QTAtomType {
    kQTSettingsVideo = 'vide',
    kQTSettingsSound = 'soun',
    kQTSettingsComponentVersion = 'vers',
};

// Audio properties.
enum : ComponentPropertyClass { kQTPropertyClass_SCAudio = 'scda' };
enum : ComponentPropertyID {
    kQTSCAudioPropertyID_InputBasicDescription = 'isbd',    // AudioStreamBasicDescription
    kQTSCAudioPropertyID_BasicDescription = 'osbd',         // AudioStreamBasicDescription
    kQTSCAudioPropertyID_InputChannelLayout = 'icly',       // AudioChannelLayout, variable size
    kQTSCAudioPropertyID_ChannelLayout = 'clay',            // AudioChannelLayout, variable size
    kQTSCAudioPropertyID_MaximumOutputPacketSize = 'xops',  // UInt32, read only
    kQTSCAudioPropertyID_OutputFormatIsExternallyFramed = 'fexf',  // Boolean, read only
    kQTSCAudioPropertyID_PreferenceFlags = 'pref',                 // SInt32
};

// Audio conversion results.
enum : OSStatus {
    kAudioConverterErr_FormatNotSupported = 'fmt?',
    kAudioConverterErr_InvalidOutputSize = 'otsz',
};

// Component selectors.
enum : SInt16 {
    kSCRequestImageSettingsSelect = 0x000A,
    kSCRequestSequenceSettingsSelect = 0x000E,
    kSCGetInfoSelect = 0x0015,
    kSCSetInfoSelect = 0x0016,
    kSCGetSettingsAsAtomContainerSelect = 0x001B,
    kSCSetSettingsFromAtomContainerSelect = 0x001C,
    kSCCopyCompressionSessionOptionsSelect = 0x001F,
    kSCAudioFillBufferSelect = 0x0082,
    kSCAudioResetSelect = 0x0083,
};

// Supplies input for SCAudioFillBuffer, as an audio converter's input
// procedure does: *ioNumberDataPackets asks for that many packets (frames of
// linear PCM); the procedure points ioData's buffer at its data (which must
// stay valid until it is called again), sets the byte size and answers the
// number of packets given, 0 at the end of the stream.  A non-zero result
// stops the conversion; SCAudioFillBuffer then returns it.
typedef ComponentResult (*SCAudioInputDataProc)(
    ComponentInstance ci, UInt32* ioNumberDataPackets, AudioBufferList* ioData,
    AudioStreamPacketDescription** outDataPacketDescription, void* inRefCon);

ComponentResult SCGetInfo(ComponentInstance ci, OSType infoType, void* info);
// Settings are checked: paramErr for a depth, quality or rate outside what
// sessions accept (nothing is changed then).
ComponentResult SCSetInfo(ComponentInstance ci, OSType infoType, void* info);
// 'imag': codec and quality.  'audi': output format, channels, sample size,
// byte order, integer or float.
ComponentResult SCRequestImageSettings(ComponentInstance ci);
// 'imag': codec, quality and key frame rate.
ComponentResult SCRequestSequenceSettings(ComponentInstance ci);
// A new container the caller disposes of with QTDisposeAtomContainer.
ComponentResult SCGetSettingsAsAtomContainer(ComponentInstance ci, QTAtomContainer* settings);
// invalidAtomContainerErr for a damaged container, paramErr for settings out
// of range; either way nothing changes.  Atoms not known are ignored.
ComponentResult SCSetSettingsFromAtomContainer(ComponentInstance ci, QTAtomContainer settings);
// New options (the caller releases them): quality = spatial quality,
// temporal compression allowed when the temporal quality is not 0, maximum
// key frame interval = key frame rate, average data rate, depth and, when
// one is set, the compressor component.
ComponentResult SCCopyCompressionSessionOptions(ComponentInstance ci,
                                                ICMCompressionSessionOptionsRef* outOptions);
// Fills outOutputData's one buffer with up to *ioOutputDataPacketSize packets
// of the output format (fewer when the buffer's byte size holds fewer, or
// the input ends); *ioOutputDataPacketSize and the buffer's byte size
// receive what was produced.  outPacketDescription, when given, receives one
// description per packet.  At the end of the input, IMA 4:1 frames that do
// not fill a packet are padded into a last one; after that the call produces
// nothing until SCAudioReset.  Input and output sample rates must be equal.
ComponentResult SCAudioFillBuffer(ComponentInstance ci, SCAudioInputDataProc inInputDataProc,
                                  void* inInputDataProcRefCon, UInt32* ioOutputDataPacketSize,
                                  AudioBufferList* outOutputData,
                                  AudioStreamPacketDescription* outPacketDescription);
// Forgets buffered input and starts a new stream.
ComponentResult SCAudioReset(ComponentInstance ci);

ComponentResult StandardImageCompression_ComponentDispatch(ComponentParameters* params,
                                                           Handle storage);
ComponentResult StandardAudioCompression_ComponentDispatch(ComponentParameters* params,
                                                           Handle storage);
