// The standard image compression component ('scdi', 'imag').

#include <algorithm>
#include <string>

#include "Components/ComponentDispatch.h"
#include "ImageCompression/ImageCodec.h"
#include "MovieToolbox/AtomIO.h"
#include "StandardCompression/SettingsContainer.h"
#include "StandardCompression/SettingsDialog.h"
#include "StandardCompression/StandardComponentBase.h"
#include "StandardCompression/StandardCompression.h"
#include "StandardCompression/StandardCompressionResources.h"

namespace sc {
namespace {

struct ImageGlobals {
    ComponentInstance self = nullptr;
    SCSpatialSettings spatial{kAnimationCodecType, nullptr, 32, codecNormalQuality};
    SCTemporalSettings temporal{codecNormalQuality, 0, 0};
    SCDataRateSettings dataRate{0, 0, 0, 0};
    long preferences = 0;
};

bool ValidQuality(CodecQ q) {
    return q <= codecLosslessQuality;
}

bool Valid(const SCSpatialSettings& s) {
    return s.codecType != 0 && ValidQuality(s.spatialQuality) &&
           (s.depth == 0 || s.depth == 16 || s.depth == 24 || s.depth == 32);
}

bool Valid(const SCTemporalSettings& t) {
    return ValidQuality(t.temporalQuality) && t.frameRate >= 0 && t.keyFrameRate >= 0 &&
           t.keyFrameRate <= INT32_MAX;
}

bool Valid(const SCDataRateSettings& d) {
    return d.dataRate >= 0 && d.dataRate <= INT32_MAX && d.frameDuration >= 0 &&
           ValidQuality(d.minSpatialQuality) && ValidQuality(d.minTemporalQuality);
}

// Copies a setting between the caller's record and the globals.
template <typename T>
ComponentResult Exchange(T& kept, void* info, bool set) {
    if (info == nullptr) {
        return paramErr;
    }
    T& given = *static_cast<T*>(info);
    if (!set) {
        given = kept;
        return noErr;
    }
    if constexpr (std::is_same_v<T, long>) {
        kept = given;
    } else {
        if (!Valid(given)) {
            return paramErr;
        }
        kept = given;
    }
    return noErr;
}

ComponentResult Info(ImageGlobals* g, OSType type, void* info, bool set) {
    switch (type) {
        case scSpatialSettingsType:
            return Exchange(g->spatial, info, set);
        case scTemporalSettingsType:
            return Exchange(g->temporal, info, set);
        case scDataRateSettingsType:
            return Exchange(g->dataRate, info, set);
        case scPreferenceFlagsType:
            return Exchange(g->preferences, info, set);
        default:
            return scTypeNotFoundErr;
    }
}

ComponentResult GetInfo(ImageGlobals* g, OSType type, void* info) {
    return Info(g, type, info, false);
}

ComponentResult SetInfo(ImageGlobals* g, OSType type, void* info) {
    return Info(g, type, info, true);
}

// --- Settings dialogs ---------------------------------------------------------

struct CodecChoice {
    CodecType type;
    std::string title;
};

std::string FourCC(OSType type) {
    return qtfile::FourCCText(type);
}

// Every codec type with a compressor, once, named by its codec information.
std::vector<CodecChoice> AvailableCodecs() {
    std::vector<CodecChoice> codecs;
    const ComponentDescription looking{compressorComponentType, 0, 0, 0, 0};
    for (Component c = FindNextComponent(nullptr, &looking); c != nullptr;
         c = FindNextComponent(c, &looking)) {
        ComponentDescription cd{};
        if (GetComponentInfo(c, &cd, nullptr, nullptr, nullptr) != noErr ||
            std::any_of(codecs.begin(), codecs.end(),
                        [&](const CodecChoice& k) { return k.type == cd.componentSubType; })) {
            continue;
        }
        std::string name = FourCC(cd.componentSubType);
        ComponentInstance ci = nullptr;
        CodecInfo info{};
        if (OpenAComponent(c, &ci) == noErr) {
            if (ImageCodecGetCodecInfo(ci, &info) == noErr && info.typeName[0] > 0 &&
                info.typeName[0] < sizeof(info.typeName)) {
                name.assign(reinterpret_cast<const char*>(info.typeName + 1), info.typeName[0]);
            }
            CloseComponent(ci);
        }
        codecs.push_back({cd.componentSubType, name + " (" + FourCC(cd.componentSubType) + ")"});
    }
    return codecs;
}

ComponentResult RequestSettings(ImageGlobals* g, bool sequence) {
    const std::vector<CodecChoice> codecs = AvailableCodecs();
    SettingsDialogLayout layout;
    layout.dialogID = sequence ? kSequenceSettingsDialogID : kImageSettingsDialogID;
    for (const CodecChoice& codec : codecs) {
        layout.choices.push_back(codec.title);
    }
    auto current = std::find_if(codecs.begin(), codecs.end(), [&](const CodecChoice& k) {
        return k.type == g->spatial.codecType;
    });
    layout.selected = current != codecs.end() ? static_cast<size_t>(current - codecs.begin()) : 0;
    layout.setUp = [&](DialogRef dialog) {
        SetItemValue(dialog, kQualityItem, static_cast<SInt16>(g->spatial.spatialQuality));
        if (sequence) {
            SetItemValue(dialog, kKeyFrameRateItem,
                         static_cast<SInt16>(std::min<long>(g->temporal.keyFrameRate, 32767)));
        }
    };
    layout.accept = [&](DialogRef dialog, size_t choice) {
        if (choice >= codecs.size()) {
            return false;
        }
        if (codecs[choice].type != g->spatial.codecType) {
            g->spatial.codec = nullptr;  // chosen by type from now on
        }
        g->spatial.codecType = codecs[choice].type;
        g->spatial.spatialQuality = static_cast<CodecQ>(ItemValue(dialog, kQualityItem));
        if (sequence) {
            g->temporal.keyFrameRate = ItemValue(dialog, kKeyFrameRateItem);
        }
        return true;
    };
    return RunSettingsDialog(g->self, layout);
}

ComponentResult RequestImageSettings(ImageGlobals* g) {
    return RequestSettings(g, false);
}

ComponentResult RequestSequenceSettings(ImageGlobals* g) {
    return RequestSettings(g, true);
}

// --- Settings containers ------------------------------------------------------

ComponentResult GetSettingsAsAtomContainer(ImageGlobals* g, QTAtomContainer* settings) {
    SettingsAtoms atoms;
    qtfile::ByteWriter spatial;
    spatial.fourcc(g->spatial.codecType);
    spatial.s16(g->spatial.depth);
    spatial.u32(g->spatial.spatialQuality);
    atoms[scSpatialSettingsType] = spatial.data();
    qtfile::ByteWriter temporal;
    temporal.u32(g->temporal.temporalQuality);
    temporal.s32(g->temporal.frameRate);
    temporal.s32(static_cast<int32_t>(g->temporal.keyFrameRate));
    atoms[scTemporalSettingsType] = temporal.data();
    qtfile::ByteWriter rate;
    rate.s32(static_cast<int32_t>(g->dataRate.dataRate));
    rate.s32(static_cast<int32_t>(g->dataRate.frameDuration));
    rate.u32(g->dataRate.minSpatialQuality);
    rate.u32(g->dataRate.minTemporalQuality);
    atoms[scDataRateSettingsType] = rate.data();
    return WriteSettingsContainer(kQTSettingsVideo, kStandardCompressionVersion, atoms, settings);
}

// Reads one setting of exactly `size` bytes; an atom that is not there
// leaves the setting as it is.
template <typename Parse>
bool ReadSetting(const SettingsAtoms& atoms, QTAtomType type, size_t size, Parse parse) {
    auto it = atoms.find(type);
    if (it == atoms.end()) {
        return true;
    }
    if (it->second.size() != size) {
        return false;
    }
    qtfile::ByteReader in(it->second);
    parse(in);
    return in.ok();
}

ComponentResult SetSettingsFromAtomContainer(ImageGlobals* g, QTAtomContainer settings) {
    SettingsAtoms atoms;
    if (OSErr err = ReadSettingsContainer(settings, kQTSettingsVideo, atoms); err != noErr) {
        return err;
    }
    SCSpatialSettings spatial = g->spatial;
    SCTemporalSettings temporal = g->temporal;
    SCDataRateSettings rate = g->dataRate;
    const bool read = ReadSetting(atoms, scSpatialSettingsType, 10,
                                  [&](qtfile::ByteReader& in) {
                                      const CodecType type = in.fourcc();
                                      if (type != spatial.codecType) {
                                          spatial.codec = nullptr;
                                      }
                                      spatial.codecType = type;
                                      spatial.depth = in.s16();
                                      spatial.spatialQuality = in.u32();
                                  }) &&
                      ReadSetting(atoms, scTemporalSettingsType, 12,
                                  [&](qtfile::ByteReader& in) {
                                      temporal.temporalQuality = in.u32();
                                      temporal.frameRate = in.s32();
                                      temporal.keyFrameRate = in.s32();
                                  }) &&
                      ReadSetting(atoms, scDataRateSettingsType, 16, [&](qtfile::ByteReader& in) {
                          rate.dataRate = in.s32();
                          rate.frameDuration = in.s32();
                          rate.minSpatialQuality = in.u32();
                          rate.minTemporalQuality = in.u32();
                      });
    if (!read) {
        return invalidAtomContainerErr;
    }
    if (!Valid(spatial) || !Valid(temporal) || !Valid(rate)) {
        return paramErr;
    }
    g->spatial = spatial;
    g->temporal = temporal;
    g->dataRate = rate;
    return noErr;
}

// --- Compression session options ---------------------------------------------

template <typename T>
OSStatus SetOption(ICMCompressionSessionOptionsRef options, ComponentPropertyID id, T value) {
    return ICMCompressionSessionOptionsSetProperty(
        options, kQTPropertyClass_ICMCompressionSessionOptions, id, sizeof(value), &value);
}

ComponentResult CopyCompressionSessionOptions(ImageGlobals* g,
                                              ICMCompressionSessionOptionsRef* outOptions) {
    if (outOptions == nullptr) {
        return paramErr;
    }
    *outOptions = nullptr;
    ICMCompressionSessionOptionsRef options = nullptr;
    OSStatus err = ICMCompressionSessionOptionsCreate(nullptr, &options);
    if (err == noErr) {
        err = ICMCompressionSessionOptionsSetAllowTemporalCompression(
            options, g->temporal.temporalQuality != 0);
    }
    if (err == noErr) {
        err = ICMCompressionSessionOptionsSetMaxKeyFrameInterval(
            options, static_cast<SInt32>(g->temporal.keyFrameRate));
    }
    if (err == noErr) {
        err = SetOption(options, kICMCompressionSessionOptionsPropertyID_Quality,
                        CodecQ{g->spatial.spatialQuality});
    }
    if (err == noErr) {
        err = SetOption(options, kICMCompressionSessionOptionsPropertyID_AverageDataRate,
                        static_cast<SInt32>(g->dataRate.dataRate));
    }
    if (err == noErr) {
        err = SetOption(options, kICMCompressionSessionOptionsPropertyID_Depth,
                        static_cast<UInt32>(g->spatial.depth));
    }
    if (err == noErr && g->spatial.codec != nullptr) {
        err = SetOption(options, kICMCompressionSessionOptionsPropertyID_CompressorComponent,
                        CompressorComponent{g->spatial.codec});
    }
    if (err != noErr) {
        ICMCompressionSessionOptionsRelease(options);
        return err;
    }
    *outOptions = options;
    return noErr;
}

// --- Dispatch -----------------------------------------------------------------

ComponentResult CanDo(ImageGlobals* g, SInt16 selector);

const ComponentDispatchEntry kStandardCalls[] = {
    kComponentError,                            // -6 target
    kComponentError,                            // -5 register
    ComponentCall(Version<ImageGlobals>),       // -4
    ComponentCall(CanDo),                       // -3
    ComponentCall(CloseGlobals<ImageGlobals>),  // -2
    ComponentCall(OpenGlobals<ImageGlobals>),   // -1
};

const ComponentDispatchEntry kDialogCalls[] = {
    ComponentCall(RequestImageSettings),     // 10
    kComponentError,                         // 11 compress image
    kComponentError,                         // 12 compress picture
    kComponentError,                         // 13 compress picture file
    ComponentCall(RequestSequenceSettings),  // 14
};

const ComponentDispatchEntry kInfoCalls[] = {
    ComponentCall(GetInfo),  // 21
    ComponentCall(SetInfo),  // 22
};

const ComponentDispatchEntry kSettingsCalls[] = {
    ComponentCall(GetSettingsAsAtomContainer),     // 27
    ComponentCall(SetSettingsFromAtomContainer),   // 28
    kComponentError,                               // 29 compress sequence frame async
    kComponentError,                               // 30 async idle
    ComponentCall(CopyCompressionSessionOptions),  // 31
};

const ComponentDispatchRange kRanges[] = {
    {kComponentTargetSelect, kStandardCalls},
    {kSCRequestImageSettingsSelect, kDialogCalls},
    {kSCGetInfoSelect, kInfoCalls},
    {kSCGetSettingsAsAtomContainerSelect, kSettingsCalls},
};

ComponentResult CanDo(ImageGlobals* /*g*/, SInt16 selector) {
    return cdhRangeCanDo(kRanges, selector, nullptr);
}

}  // namespace
}  // namespace sc

ComponentResult StandardImageCompression_ComponentDispatch(ComponentParameters* params,
                                                           Handle storage) {
    return cdhRangeDispatch(params, storage, sc::kRanges, nullptr);
}
