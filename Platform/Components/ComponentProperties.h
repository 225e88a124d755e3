// Component properties: values a component (or another object with
// properties, such as compression session options) exposes by class and ID,
// read and written as bytes of a fixed type.
//
// A component serves them through three requests whose parameters follow
// the calls below in order: get property info (-11), get property (-12) and
// set property (-13).  Components that do not serve them answer with
// badComponentSelector, which the calls pass on.
#pragma once

#include <cstring>
#include <type_traits>

#include "Components/Components.h"

typedef OSType ComponentPropertyClass;
typedef OSType ComponentPropertyID;
typedef OSType ComponentValueType;
typedef void* ComponentValuePtr;
typedef const void* ConstComponentValuePtr;

enum : SInt16 {
    kQTGetComponentPropertyInfoSelect = -11,
    kQTGetComponentPropertySelect = -12,
    kQTSetComponentPropertySelect = -13,
};

enum : OSStatus {
    kQTPropertyBadValueSizeErr = -2184,  // the size given does not suit the property
    kQTPropertyReadOnlyErr = -2191,
    kQTPropertyNotSupportedErr = -2195,
    kQTPropertyAskLaterErr = -2200,
};

// What QTGetComponentPropertyInfo reports about a property.
enum : UInt32 {
    kComponentPropertyFlagCanSetLater = 1u << 0,
    kComponentPropertyFlagCanSetNow = 1u << 1,
    kComponentPropertyFlagCanGetLater = 1u << 2,
    kComponentPropertyFlagCanGetNow = 1u << 3,
    kComponentPropertyFlagHasExtendedInfo = 1u << 4,
    kComponentPropertyFlagValueMustBeReleased = 1u << 5,
    kComponentPropertyFlagValueIsCFTypeRef = 1u << 6,
};

// Each pointer argument may be null when the caller does not want it.
ComponentResult QTGetComponentPropertyInfo(ComponentInstance inComponent,
                                           ComponentPropertyClass inPropClass,
                                           ComponentPropertyID inPropID,
                                           ComponentValueType* outPropType,
                                           ByteCount* outPropValueSize, UInt32* outPropertyFlags);
// Copies the value into the inPropValueSize bytes at outPropValueAddress
// (kQTPropertyBadValueSizeErr when they are too few); *outPropValueSizeUsed,
// when given, receives the bytes written.
ComponentResult QTGetComponentProperty(ComponentInstance inComponent,
                                       ComponentPropertyClass inPropClass,
                                       ComponentPropertyID inPropID, ByteCount inPropValueSize,
                                       ComponentValuePtr outPropValueAddress,
                                       ByteCount* outPropValueSizeUsed);
ComponentResult QTSetComponentProperty(ComponentInstance inComponent,
                                       ComponentPropertyClass inPropClass,
                                       ComponentPropertyID inPropID, ByteCount inPropValueSize,
                                       ConstComponentValuePtr inPropValueAddress);

// --- For implementers of properties of a fixed-size type --------------------

// Copies value out: at least sizeof(T) bytes of room, else
// kQTPropertyBadValueSizeErr; paramErr for a null address.
template <typename T>
OSStatus CopyPropertyValueOut(const T& value, ByteCount size, void* out, ByteCount* used) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (out == nullptr) {
        return paramErr;
    }
    if (size < sizeof(T)) {
        return kQTPropertyBadValueSizeErr;
    }
    std::memcpy(out, &value, sizeof(T));
    if (used != nullptr) {
        *used = sizeof(T);
    }
    return noErr;
}

// Reads a value in: exactly sizeof(T) bytes, else kQTPropertyBadValueSizeErr
// (a pointer or 64-bit value cut to 4 bytes must not be taken silently);
// paramErr for a null address.
template <typename T>
OSStatus CopyPropertyValueIn(T& value, ByteCount size, const void* in) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (in == nullptr) {
        return paramErr;
    }
    if (size != sizeof(T)) {
        return kQTPropertyBadValueSizeErr;
    }
    std::memcpy(&value, in, sizeof(T));
    return noErr;
}
