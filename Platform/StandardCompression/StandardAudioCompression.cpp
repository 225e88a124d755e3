// The standard audio compression component ('scdi', 'audi').

#include <cstring>

#include "Components/ComponentDispatch.h"
#include "MovieToolbox/AtomIO.h"
#include "StandardCompression/AudioStreamConverter.h"
#include "StandardCompression/SettingsContainer.h"
#include "StandardCompression/SettingsDialog.h"
#include "StandardCompression/StandardComponentBase.h"
#include "StandardCompression/StandardCompression.h"
#include "StandardCompression/StandardCompressionResources.h"

namespace sc {
namespace {

// A layout of as many channels in order, for channel counts without a tag.
constexpr AudioChannelLayoutTag kDiscreteInOrderTag = 147u << 16;
constexpr size_t kMaxLayoutSize = AudioChannelLayoutSize(kMaxAudioChannels * 4);

AudioStreamBasicDescription DefaultOutput() {
    AudioStreamBasicDescription d{};
    d.mSampleRate = 44100;
    d.mFormatID = kAudioFormatLinearPCM;
    d.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian;
    d.mChannelsPerFrame = 2;
    d.mBitsPerChannel = 16;
    CompleteOutputDescription(d);
    return d;
}

struct AudioGlobals {
    AudioGlobals() { converter.setOutput(DefaultOutput()); }

    ComponentInstance self = nullptr;
    AudioStreamConverter converter;  // holds the input and output descriptions
    std::vector<UInt8> inputLayout;
    std::vector<UInt8> outputLayout;
    SInt32 preferences = 0;
};

// --- Properties -----------------------------------------------------------------

// A layout's bytes, checked: at least its header, and room for the channel
// descriptions it counts.  Empty when it does not hold together.
std::vector<UInt8> CheckedLayout(ByteCount size, const void* data) {
    if (data == nullptr || size < AudioChannelLayoutSize(0) || size > kMaxLayoutSize) {
        return {};
    }
    AudioChannelLayout head{};
    std::memcpy(&head, data, AudioChannelLayoutSize(0));
    const ByteCount needed = AudioChannelLayoutSize(head.mNumberChannelDescriptions);
    if (head.mNumberChannelDescriptions > kMaxAudioChannels * 4 || size < needed) {
        return {};
    }
    const auto* bytes = static_cast<const UInt8*>(data);
    return std::vector<UInt8>(bytes, bytes + needed);
}

// The layout kept, or one that follows from the channel count.
std::vector<UInt8> LayoutOrDefault(const std::vector<UInt8>& kept, UInt32 channels) {
    if (!kept.empty()) {
        return kept;
    }
    AudioChannelLayout layout{};
    layout.mChannelLayoutTag = channels == 1   ? kAudioChannelLayoutTag_Mono
                               : channels == 2 ? kAudioChannelLayoutTag_Stereo
                                               : kDiscreteInOrderTag | channels;
    const auto* bytes = reinterpret_cast<const UInt8*>(&layout);
    return std::vector<UInt8>(bytes, bytes + AudioChannelLayoutSize(0));
}

struct PropertyValue {
    std::vector<UInt8> bytes;
    bool writable = true;
};

template <typename T>
std::vector<UInt8> BytesOf(const T& value) {
    const auto* p = reinterpret_cast<const UInt8*>(&value);
    return std::vector<UInt8>(p, p + sizeof(T));
}

// The current value of a property; false for one that is not supported.
bool CurrentValue(const AudioGlobals* g, ComponentPropertyID id, PropertyValue& value) {
    const AudioStreamBasicDescription& out = g->converter.output();
    switch (id) {
        case kQTSCAudioPropertyID_InputBasicDescription:
            value.bytes = BytesOf(g->converter.input());
            return true;
        case kQTSCAudioPropertyID_BasicDescription: {
            // A rate of 0 follows the input's.
            AudioStreamBasicDescription resolved = out;
            if (resolved.mSampleRate == 0) {
                resolved.mSampleRate = g->converter.input().mSampleRate;
            }
            value.bytes = BytesOf(resolved);
            return true;
        }
        case kQTSCAudioPropertyID_InputChannelLayout:
            value.bytes = LayoutOrDefault(g->inputLayout, g->converter.input().mChannelsPerFrame);
            return true;
        case kQTSCAudioPropertyID_ChannelLayout:
            value.bytes = LayoutOrDefault(g->outputLayout, out.mChannelsPerFrame);
            return true;
        case kQTSCAudioPropertyID_MaximumOutputPacketSize:
            value = {BytesOf(UInt32{out.mBytesPerPacket}), false};
            return true;
        case kQTSCAudioPropertyID_OutputFormatIsExternallyFramed:
            value = {BytesOf(Boolean{false}), false};  // both formats are constant bit rate
            return true;
        case kQTSCAudioPropertyID_PreferenceFlags:
            value.bytes = BytesOf(g->preferences);
            return true;
        default:
            return false;
    }
}

ComponentResult GetPropertyInfo(AudioGlobals* g, ComponentPropertyClass propClass,
                                ComponentPropertyID id, ComponentValueType* type, ByteCount* size,
                                UInt32* flags) {
    PropertyValue value;
    if (propClass != kQTPropertyClass_SCAudio || !CurrentValue(g, id, value)) {
        return kQTPropertyNotSupportedErr;
    }
    if (type != nullptr) {
        *type = id;
    }
    if (size != nullptr) {
        *size = value.bytes.size();
    }
    if (flags != nullptr) {
        *flags = kComponentPropertyFlagCanGetNow |
                 (value.writable ? UInt32{kComponentPropertyFlagCanSetNow} : 0u);
    }
    return noErr;
}

ComponentResult GetProperty(AudioGlobals* g, ComponentPropertyClass propClass,
                            ComponentPropertyID id, ByteCount size, ComponentValuePtr out,
                            ByteCount* used) {
    PropertyValue value;
    if (propClass != kQTPropertyClass_SCAudio || !CurrentValue(g, id, value)) {
        return kQTPropertyNotSupportedErr;
    }
    if (out == nullptr) {
        return paramErr;
    }
    if (size < value.bytes.size()) {
        return kQTPropertyBadValueSizeErr;
    }
    std::memcpy(out, value.bytes.data(), value.bytes.size());
    if (used != nullptr) {
        *used = value.bytes.size();
    }
    return noErr;
}

ComponentResult SetDescription(AudioGlobals* g, ComponentPropertyID id, ByteCount size,
                               ConstComponentValuePtr in) {
    AudioStreamBasicDescription d{};
    if (OSStatus err = CopyPropertyValueIn(d, size, in); err != noErr) {
        return err;
    }
    if (id == kQTSCAudioPropertyID_InputBasicDescription) {
        if (!CompletePCMDescription(d) || !(d.mSampleRate > 0)) {
            return kAudioConverterErr_FormatNotSupported;
        }
        g->converter.setInput(d);
        return noErr;
    }
    if (!CompleteOutputDescription(d)) {
        return kAudioConverterErr_FormatNotSupported;
    }
    g->converter.setOutput(d);
    return noErr;
}

ComponentResult SetProperty(AudioGlobals* g, ComponentPropertyClass propClass,
                            ComponentPropertyID id, ByteCount size, ConstComponentValuePtr in) {
    PropertyValue value;
    if (propClass != kQTPropertyClass_SCAudio || !CurrentValue(g, id, value)) {
        return kQTPropertyNotSupportedErr;
    }
    if (!value.writable) {
        return kQTPropertyReadOnlyErr;
    }
    switch (id) {
        case kQTSCAudioPropertyID_InputBasicDescription:
        case kQTSCAudioPropertyID_BasicDescription:
            return SetDescription(g, id, size, in);
        case kQTSCAudioPropertyID_InputChannelLayout:
        case kQTSCAudioPropertyID_ChannelLayout: {
            std::vector<UInt8> layout = CheckedLayout(size, in);
            if (layout.empty()) {
                return kQTPropertyBadValueSizeErr;
            }
            (id == kQTSCAudioPropertyID_ChannelLayout ? g->outputLayout : g->inputLayout) =
                std::move(layout);
            return noErr;
        }
        default:
            return CopyPropertyValueIn(g->preferences, size, in);
    }
}

ComponentResult GetInfo(AudioGlobals* g, OSType type, void* info) {
    if (type != scPreferenceFlagsType) {
        return scTypeNotFoundErr;
    }
    if (info == nullptr) {
        return paramErr;
    }
    *static_cast<long*>(info) = g->preferences;
    return noErr;
}

ComponentResult SetInfo(AudioGlobals* g, OSType type, void* info) {
    if (type != scPreferenceFlagsType) {
        return scTypeNotFoundErr;
    }
    if (info == nullptr) {
        return paramErr;
    }
    g->preferences = static_cast<SInt32>(*static_cast<long*>(info));
    return noErr;
}

// --- Conversion -----------------------------------------------------------------

ComponentResult FillBuffer(AudioGlobals* g, SCAudioInputDataProc proc, void* refCon,
                           UInt32* ioPackets, AudioBufferList* out,
                           AudioStreamPacketDescription* descriptions) {
    if (proc == nullptr || ioPackets == nullptr || out == nullptr || out->mNumberBuffers < 1) {
        return paramErr;
    }
    const UInt32 inputChannels = g->converter.input().mChannelsPerFrame;
    AudioStreamConverter::Pull pull = [&](UInt32 frames, UInt32& given, const UInt8*& data,
                                          size_t& bytes) -> OSStatus {
        AudioBufferList list{1, {{inputChannels, 0, nullptr}}};
        given = frames;
        const ComponentResult err = proc(g->self, &given, &list, nullptr, refCon);
        if (err != noErr) {
            return static_cast<OSStatus>(err);
        }
        data = static_cast<const UInt8*>(list.mBuffers[0].mData);
        bytes = list.mBuffers[0].mDataByteSize;
        return noErr;
    };
    return g->converter.fill(pull, *ioPackets, out->mBuffers[0], descriptions);
}

ComponentResult Reset(AudioGlobals* g) {
    g->converter.reset();
    return noErr;
}

// --- Settings -------------------------------------------------------------------

void PutDescription(qtfile::ByteWriter& w, const AudioStreamBasicDescription& d) {
    uint64_t rate = 0;
    std::memcpy(&rate, &d.mSampleRate, 8);
    w.u64(rate);
    for (UInt32 field : {d.mFormatID, d.mFormatFlags, d.mBytesPerPacket, d.mFramesPerPacket,
                         d.mBytesPerFrame, d.mChannelsPerFrame, d.mBitsPerChannel, d.mReserved}) {
        w.u32(field);
    }
}

AudioStreamBasicDescription GetDescription(qtfile::ByteReader& r) {
    AudioStreamBasicDescription d{};
    const uint64_t rate = r.u64();
    std::memcpy(&d.mSampleRate, &rate, 8);
    for (UInt32* field :
         {&d.mFormatID, &d.mFormatFlags, &d.mBytesPerPacket, &d.mFramesPerPacket, &d.mBytesPerFrame,
          &d.mChannelsPerFrame, &d.mBitsPerChannel, &d.mReserved}) {
        *field = r.u32();
    }
    return d;
}

// A layout's numbers are all 32 bits wide; in a container they are
// big-endian.  Reversing each word converts either way.
std::vector<UInt8> SwapLayoutWords(std::span<const UInt8> layout) {
    std::vector<UInt8> out(layout.size());
    for (size_t i = 0; i + 4 <= layout.size(); i += 4) {
        UInt32 word;
        std::memcpy(&word, layout.data() + i, 4);
        word = __builtin_bswap32(word);
        std::memcpy(out.data() + i, &word, 4);
    }
    return out;
}

ComponentResult GetSettingsAsAtomContainer(AudioGlobals* g, QTAtomContainer* settings) {
    SettingsAtoms atoms;
    qtfile::ByteWriter output;
    PutDescription(output, g->converter.output());
    atoms[kQTSCAudioPropertyID_BasicDescription] = output.data();
    if (!g->outputLayout.empty()) {
        atoms[kQTSCAudioPropertyID_ChannelLayout] = SwapLayoutWords(g->outputLayout);
    }
    return WriteSettingsContainer(kQTSettingsSound, kStandardCompressionVersion, atoms, settings);
}

ComponentResult SetSettingsFromAtomContainer(AudioGlobals* g, QTAtomContainer settings) {
    SettingsAtoms atoms;
    if (OSErr err = ReadSettingsContainer(settings, kQTSettingsSound, atoms); err != noErr) {
        return err;
    }
    AudioStreamBasicDescription output = g->converter.output();
    if (auto it = atoms.find(kQTSCAudioPropertyID_BasicDescription); it != atoms.end()) {
        if (it->second.size() != sizeof(AudioStreamBasicDescription)) {
            return invalidAtomContainerErr;
        }
        qtfile::ByteReader in(it->second);
        output = GetDescription(in);
        if (!CompleteOutputDescription(output)) {
            return paramErr;
        }
    }
    std::vector<UInt8> layout = g->outputLayout;
    if (auto it = atoms.find(kQTSCAudioPropertyID_ChannelLayout); it != atoms.end()) {
        const std::vector<UInt8> host = SwapLayoutWords(it->second);
        layout = CheckedLayout(host.size(), host.data());
        if (layout.empty()) {
            return invalidAtomContainerErr;
        }
    }
    g->converter.setOutput(output);
    g->outputLayout = std::move(layout);
    return noErr;
}

// --- Dialog ---------------------------------------------------------------------

ComponentResult RequestImageSettings(AudioGlobals* g) {
    const AudioStreamBasicDescription current = g->converter.output();
    const bool ima4 = current.mFormatID == kAudioFormatAppleIMA4;
    SettingsDialogLayout dialogLayout;
    dialogLayout.dialogID = kAudioSettingsDialogID;
    dialogLayout.choices = {"Linear PCM", "IMA 4:1"};
    dialogLayout.selected = ima4 ? 1 : 0;
    dialogLayout.setUp = [&](DialogRef dialog) {
        SetItemValue(dialog, kChannelsItem, static_cast<SInt16>(current.mChannelsPerFrame));
        SetItemValue(dialog, kSampleSizeItem,
                     static_cast<SInt16>(ima4 ? 16 : current.mBitsPerChannel));
        SetItemValue(dialog, kBigEndianItem,
                     (current.mFormatFlags & kAudioFormatFlagIsBigEndian) != 0 ? 1 : 0);
        SetItemValue(dialog, kFloatItem,
                     (current.mFormatFlags & kAudioFormatFlagIsFloat) != 0 ? 1 : 0);
    };
    dialogLayout.accept = [&](DialogRef dialog, size_t choice) {
        AudioStreamBasicDescription d{};
        d.mSampleRate = current.mSampleRate;
        d.mChannelsPerFrame = static_cast<UInt32>(ItemValue(dialog, kChannelsItem));
        if (choice == 1) {
            d.mFormatID = kAudioFormatAppleIMA4;
        } else {
            d.mFormatID = kAudioFormatLinearPCM;
            d.mBitsPerChannel = static_cast<UInt32>(ItemValue(dialog, kSampleSizeItem));
            d.mFormatFlags = ItemValue(dialog, kFloatItem) != 0 ? kAudioFormatFlagIsFloat
                                                                : kAudioFormatFlagIsSignedInteger;
            if (ItemValue(dialog, kBigEndianItem) != 0) {
                d.mFormatFlags |= kAudioFormatFlagIsBigEndian;
            }
        }
        if (!CompleteOutputDescription(d)) {
            return false;  // e.g. a 24-bit float: the dialog stays open
        }
        g->converter.setOutput(d);
        return true;
    };
    return RunSettingsDialog(g->self, dialogLayout);
}

// --- Dispatch -------------------------------------------------------------------

ComponentResult CanDo(AudioGlobals* g, SInt16 selector);

const ComponentDispatchEntry kStandardCalls[] = {
    ComponentCall(SetProperty),                 // -13
    ComponentCall(GetProperty),                 // -12
    ComponentCall(GetPropertyInfo),             // -11
    kComponentError,                            // -10
    kComponentError,                            // -9
    kComponentError,                            // -8
    kComponentError,                            // -7 unregister
    kComponentError,                            // -6 target
    kComponentError,                            // -5 register
    ComponentCall(Version<AudioGlobals>),       // -4
    ComponentCall(CanDo),                       // -3
    ComponentCall(CloseGlobals<AudioGlobals>),  // -2
    ComponentCall(OpenGlobals<AudioGlobals>),   // -1
};

const ComponentDispatchEntry kDialogCalls[] = {
    ComponentCall(RequestImageSettings),  // 10
};

const ComponentDispatchEntry kInfoCalls[] = {
    ComponentCall(GetInfo),  // 21
    ComponentCall(SetInfo),  // 22
};

const ComponentDispatchEntry kSettingsCalls[] = {
    ComponentCall(GetSettingsAsAtomContainer),    // 27
    ComponentCall(SetSettingsFromAtomContainer),  // 28
};

const ComponentDispatchEntry kConversionCalls[] = {
    ComponentCall(FillBuffer),  // 0x82
    ComponentCall(Reset),       // 0x83
};

const ComponentDispatchRange kRanges[] = {
    {kQTSetComponentPropertySelect, kStandardCalls},
    {kSCRequestImageSettingsSelect, kDialogCalls},
    {kSCGetInfoSelect, kInfoCalls},
    {kSCGetSettingsAsAtomContainerSelect, kSettingsCalls},
    {kSCAudioFillBufferSelect, kConversionCalls},
};

ComponentResult CanDo(AudioGlobals* /*g*/, SInt16 selector) {
    return cdhRangeCanDo(kRanges, selector, nullptr);
}

}  // namespace
}  // namespace sc

ComponentResult StandardAudioCompression_ComponentDispatch(ComponentParameters* params,
                                                           Handle storage) {
    return cdhRangeDispatch(params, storage, sc::kRanges, nullptr);
}
