// Compression session options, frame options and encoded frames.

#include <new>

#include "Base/MacMemory.h"
#include "ImageCompression/ICMSessionObjects.h"

namespace icm {

SharedImageDescription::~SharedImageDescription() {
    DisposeHandle(reinterpret_cast<Handle>(m_handle));
}

std::vector<UInt8> FrameBufferPool::take() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_free.empty()) {
            std::vector<UInt8> buffer = std::move(m_free.back());
            m_free.pop_back();
            return buffer;
        }
    }
    return std::vector<UInt8>(m_bufferSize);
}

void FrameBufferPool::give(std::vector<UInt8> buffer) {
    std::lock_guard lock(m_mutex);
    if (buffer.size() == m_bufferSize && m_free.size() < kMaxKept) {
        m_free.push_back(std::move(buffer));
    }
}

namespace {

template <typename T>
T* Retain(T* object) {
    if (object != nullptr) {
        object->retain();
    }
    return object;
}

template <typename T>
void Release(T* object) {
    if (object != nullptr && object->release()) {
        delete object;
    }
}

// Sets one option value under the options' lock.
template <typename Change>
OSStatus Update(ICMCompressionSessionOptionsRef options, Change change) {
    if (options == nullptr) {
        return paramErr;
    }
    std::lock_guard lock(options->mutex);
    return change(options->values);
}

template <typename Reader>
auto Read(ICMCompressionSessionOptionsRef options, Reader read) {
    using Result = decltype(read(options->values));
    if (options == nullptr) {
        return Result{};
    }
    std::lock_guard lock(options->mutex);
    return read(options->values);
}

// One yes-or-no option.
using FlagField = bool SessionOptionValues::*;

OSStatus SetFlag(ICMCompressionSessionOptionsRef options, FlagField field, Boolean value) {
    return Update(options, [&](SessionOptionValues& v) {
        v.*field = value != 0;
        return OSStatus{noErr};
    });
}

Boolean GetFlag(ICMCompressionSessionOptionsRef options, FlagField field) {
    return Read(options, [&](const SessionOptionValues& v) { return Boolean{v.*field}; });
}

// The value behind one option property: a reference to its field.
template <typename Visit>
OSStatus WithProperty(SessionOptionValues& v, ComponentPropertyClass propClass,
                      ComponentPropertyID propID, Visit visit) {
    if (propClass != kQTPropertyClass_ICMCompressionSessionOptions) {
        return kQTPropertyNotSupportedErr;
    }
    switch (propID) {
        case kICMCompressionSessionOptionsPropertyID_Quality:
            return visit(v.quality);
        case kICMCompressionSessionOptionsPropertyID_AverageDataRate:
            return visit(v.averageDataRate);
        case kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion:
            return visit(v.allowAsyncCompletion);
        case kICMCompressionSessionOptionsPropertyID_CompressorComponent:
            return visit(v.compressor);
        case kICMCompressionSessionOptionsPropertyID_Depth:
            return visit(v.depth);
        default:
            return kQTPropertyNotSupportedErr;
    }
}

// Values a property may take: qualities up to lossless, the depths a
// session can give a codec (0 meaning 32), data rates of 0 or more.
template <typename T>
bool Acceptable(ComponentPropertyID id, const T& value) {
    if constexpr (std::is_same_v<T, UInt32>) {
        if (id == kICMCompressionSessionOptionsPropertyID_Quality) {
            return value <= codecLosslessQuality;
        }
        if (id == kICMCompressionSessionOptionsPropertyID_Depth) {
            return value == 0 || value == 16 || value == 24 || value == 32;
        }
    } else if constexpr (std::is_same_v<T, SInt32>) {
        return value >= 0;
    }
    return true;
}

}  // namespace
}  // namespace icm

using icm::Read;
using icm::Update;

// --- Session options --------------------------------------------------------

OSStatus ICMCompressionSessionOptionsCreate(CFAllocatorRef /*allocator*/,
                                            ICMCompressionSessionOptionsRef* options) {
    if (options == nullptr) {
        return paramErr;
    }
    *options = new (std::nothrow) OpaqueICMCompressionSessionOptions;
    return *options != nullptr ? noErr : memFullErr;
}

OSStatus ICMCompressionSessionOptionsCreateCopy(CFAllocatorRef allocator,
                                                ICMCompressionSessionOptionsRef originalOptions,
                                                ICMCompressionSessionOptionsRef* copiedOptions) {
    if (originalOptions == nullptr || copiedOptions == nullptr) {
        return paramErr;
    }
    if (OSStatus err = ICMCompressionSessionOptionsCreate(allocator, copiedOptions); err != noErr) {
        return err;
    }
    (*copiedOptions)->values = originalOptions->snapshot();
    return noErr;
}

ICMCompressionSessionOptionsRef ICMCompressionSessionOptionsRetain(
    ICMCompressionSessionOptionsRef options) {
    return icm::Retain(options);
}

void ICMCompressionSessionOptionsRelease(ICMCompressionSessionOptionsRef options) {
    icm::Release(options);
}

OSStatus ICMCompressionSessionOptionsSetAllowTemporalCompression(
    ICMCompressionSessionOptionsRef options, Boolean allowTemporalCompression) {
    return icm::SetFlag(options, &icm::SessionOptionValues::allowTemporalCompression,
                        allowTemporalCompression);
}

Boolean ICMCompressionSessionOptionsGetAllowTemporalCompression(
    ICMCompressionSessionOptionsRef options) {
    return icm::GetFlag(options, &icm::SessionOptionValues::allowTemporalCompression);
}

OSStatus ICMCompressionSessionOptionsSetAllowFrameReordering(
    ICMCompressionSessionOptionsRef options, Boolean allowFrameReordering) {
    return icm::SetFlag(options, &icm::SessionOptionValues::allowFrameReordering,
                        allowFrameReordering);
}

Boolean ICMCompressionSessionOptionsGetAllowFrameReordering(
    ICMCompressionSessionOptionsRef options) {
    return icm::GetFlag(options, &icm::SessionOptionValues::allowFrameReordering);
}

OSStatus ICMCompressionSessionOptionsSetMaxKeyFrameInterval(ICMCompressionSessionOptionsRef options,
                                                            SInt32 maxKeyFrameInterval) {
    return Update(options, [&](auto& v) {
        if (maxKeyFrameInterval < 0) {
            return OSStatus{paramErr};
        }
        v.maxKeyFrameInterval = maxKeyFrameInterval;
        return OSStatus{noErr};
    });
}

SInt32 ICMCompressionSessionOptionsGetMaxKeyFrameInterval(ICMCompressionSessionOptionsRef options) {
    return Read(options, [](const auto& v) { return v.maxKeyFrameInterval; });
}

OSStatus ICMCompressionSessionOptionsSetAllowFrameTimeChanges(
    ICMCompressionSessionOptionsRef options, Boolean allowFrameTimeChanges) {
    return icm::SetFlag(options, &icm::SessionOptionValues::allowFrameTimeChanges,
                        allowFrameTimeChanges);
}

Boolean ICMCompressionSessionOptionsGetAllowFrameTimeChanges(
    ICMCompressionSessionOptionsRef options) {
    return icm::GetFlag(options, &icm::SessionOptionValues::allowFrameTimeChanges);
}

OSStatus ICMCompressionSessionOptionsSetDurationsNeeded(ICMCompressionSessionOptionsRef options,
                                                        Boolean decodeDurationsNeeded) {
    return icm::SetFlag(options, &icm::SessionOptionValues::durationsNeeded, decodeDurationsNeeded);
}

Boolean ICMCompressionSessionOptionsGetDurationsNeeded(ICMCompressionSessionOptionsRef options) {
    return icm::GetFlag(options, &icm::SessionOptionValues::durationsNeeded);
}

OSStatus ICMCompressionSessionOptionsSetProperty(ICMCompressionSessionOptionsRef options,
                                                 ComponentPropertyClass inPropClass,
                                                 ComponentPropertyID inPropID,
                                                 ByteCount inPropValueSize,
                                                 ConstComponentValuePtr inPropValueAddress) {
    return Update(options, [&](auto& v) {
        auto set = [&](auto& field) {
            auto value = field;
            OSStatus err = CopyPropertyValueIn(value, inPropValueSize, inPropValueAddress);
            if (err == noErr && !icm::Acceptable(inPropID, value)) {
                err = paramErr;
            }
            if (err == noErr) {
                field = value;
            }
            return err;
        };
        return icm::WithProperty(v, inPropClass, inPropID, set);
    });
}

OSStatus ICMCompressionSessionOptionsGetProperty(ICMCompressionSessionOptionsRef options,
                                                 ComponentPropertyClass inPropClass,
                                                 ComponentPropertyID inPropID,
                                                 ByteCount inPropValueSize,
                                                 ComponentValuePtr outPropValueAddress,
                                                 ByteCount* outPropValueSizeUsed) {
    return Update(options, [&](auto& v) {
        auto get = [&](const auto& field) {
            return CopyPropertyValueOut(field, inPropValueSize, outPropValueAddress,
                                        outPropValueSizeUsed);
        };
        return icm::WithProperty(v, inPropClass, inPropID, get);
    });
}

// --- Frame options ----------------------------------------------------------

OSStatus ICMCompressionFrameOptionsCreate(CFAllocatorRef /*allocator*/,
                                          ICMCompressionSessionRef /*session*/,
                                          ICMCompressionFrameOptionsRef* options) {
    if (options == nullptr) {
        return paramErr;
    }
    *options = new (std::nothrow) OpaqueICMCompressionFrameOptions;
    return *options != nullptr ? noErr : memFullErr;
}

ICMCompressionFrameOptionsRef ICMCompressionFrameOptionsRetain(
    ICMCompressionFrameOptionsRef options) {
    return icm::Retain(options);
}

void ICMCompressionFrameOptionsRelease(ICMCompressionFrameOptionsRef options) {
    icm::Release(options);
}

OSStatus ICMCompressionFrameOptionsSetForceKeyFrame(ICMCompressionFrameOptionsRef options,
                                                    Boolean forceKeyFrame) {
    if (options == nullptr) {
        return paramErr;
    }
    options->forceKeyFrame = forceKeyFrame != 0;
    return noErr;
}

Boolean ICMCompressionFrameOptionsGetForceKeyFrame(ICMCompressionFrameOptionsRef options) {
    return options != nullptr && options->forceKeyFrame;
}

OSStatus ICMCompressionFrameOptionsSetFrameType(ICMCompressionFrameOptionsRef options,
                                                ICMFrameType frameType) {
    if (options == nullptr || (frameType != kICMFrameType_Unknown && frameType != kICMFrameType_I &&
                               frameType != kICMFrameType_P)) {
        return paramErr;
    }
    options->frameType = frameType;
    return noErr;
}

ICMFrameType ICMCompressionFrameOptionsGetFrameType(ICMCompressionFrameOptionsRef options) {
    return options != nullptr ? options->frameType : ICMFrameType{kICMFrameType_Unknown};
}

// --- Encoded frames ---------------------------------------------------------

OpaqueICMEncodedFrame::~OpaqueICMEncodedFrame() {
    if (pool) {
        pool->give(std::move(buffer));
    }
}

ICMEncodedFrameRef ICMEncodedFrameRetain(ICMEncodedFrameRef frame) {
    return icm::Retain(const_cast<OpaqueICMEncodedFrame*>(frame));
}

void ICMEncodedFrameRelease(ICMEncodedFrameRef frame) {
    icm::Release(const_cast<OpaqueICMEncodedFrame*>(frame));
}

UInt8* ICMEncodedFrameGetDataPtr(ICMEncodedFrameRef frame) {
    return frame != nullptr ? const_cast<UInt8*>(frame->buffer.data()) : nullptr;
}

ByteCount ICMEncodedFrameGetBufferSize(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->buffer.size() : 0;
}

ByteCount ICMEncodedFrameGetDataSize(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->dataSize : 0;
}

OSStatus ICMEncodedFrameSetDataSize(ICMMutableEncodedFrameRef frame, ByteCount dataSize) {
    if (frame == nullptr || dataSize > frame->buffer.size()) {
        return paramErr;
    }
    frame->dataSize = dataSize;
    return noErr;
}

UInt32 ICMEncodedFrameGetDecodeNumber(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->decodeNumber : 0;
}

TimeScale ICMEncodedFrameGetTimeScale(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->timeScale : 0;
}

ICMValidTimeFlags ICMEncodedFrameGetValidTimeFlags(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->validTimeFlags : 0;
}

// Without reordering, decode times are display times.
TimeValue64 ICMEncodedFrameGetDecodeTimeStamp(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->displayTimeStamp : 0;
}

TimeValue64 ICMEncodedFrameGetDisplayTimeStamp(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->displayTimeStamp : 0;
}

TimeValue64 ICMEncodedFrameGetDisplayOffset(ICMEncodedFrameRef /*frame*/) {
    return 0;
}

TimeValue64 ICMEncodedFrameGetDecodeDuration(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->displayDuration : 0;
}

TimeValue64 ICMEncodedFrameGetDisplayDuration(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->displayDuration : 0;
}

MediaSampleFlags ICMEncodedFrameGetMediaSampleFlags(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->sampleFlags : 0;
}

ICMFrameType ICMEncodedFrameGetFrameType(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->frameType : ICMFrameType{kICMFrameType_Unknown};
}

OSStatus ICMEncodedFrameGetImageDescription(ICMEncodedFrameRef frame,
                                            ImageDescriptionHandle* imageDescOut) {
    if (frame == nullptr || imageDescOut == nullptr || !frame->description) {
        return paramErr;
    }
    *imageDescOut = frame->description->handle();
    return noErr;
}

void* ICMEncodedFrameGetSourceFrameRefCon(ICMEncodedFrameRef frame) {
    return frame != nullptr ? frame->sourceFrameRefCon : nullptr;
}
