// The object model behind the Core Foundation subset: every object is a
// CFRuntimeObject with an atomic holder count.  Used by the CF sources only.
#pragma once

#include <atomic>
#include <limits>
#include <string>
#include <vector>

#include "CoreFoundation/CFBase.h"

enum : CFTypeID {
    kCFRuntimeStringTypeID = 7,
    kCFRuntimeDataTypeID = 20,
    kCFRuntimeURLTypeID = 29,
    kCFRuntimeBundleTypeID = 31,
};

struct CFRuntimeObject {
    explicit CFRuntimeObject(CFTypeID id, bool isImmortal = false)
        : typeID(id), immortal(isImmortal) {}
    CFRuntimeObject(const CFRuntimeObject&) = delete;
    CFRuntimeObject& operator=(const CFRuntimeObject&) = delete;
    virtual ~CFRuntimeObject() = default;

    // Content equality with another object of the same type.
    virtual bool Equals(const CFRuntimeObject& other) const = 0;
    // Text that "%@" prints for the object.
    virtual std::u16string Describe() const = 0;

    const CFTypeID typeID;
    const bool immortal;  // constant strings: never destroyed
    std::atomic<CFIndex> retainCount{1};
};

struct __CFString : CFRuntimeObject {
    explicit __CFString(std::u16string text, bool isMutable = false, bool isImmortal = false)
        : CFRuntimeObject(kCFRuntimeStringTypeID, isImmortal),
          units(std::move(text)),
          mutableString(isMutable) {}
    bool Equals(const CFRuntimeObject& other) const override;
    std::u16string Describe() const override { return units; }

    std::u16string units;
    const bool mutableString;
};

struct __CFData : CFRuntimeObject {
    explicit __CFData(std::vector<UInt8> content)
        : CFRuntimeObject(kCFRuntimeDataTypeID), bytes(std::move(content)) {}
    bool Equals(const CFRuntimeObject& other) const override;
    std::u16string Describe() const override;

    std::vector<UInt8> bytes;
};

// The object behind a reference, or null when the reference is null or of
// another type.
template <typename T>
const T* CFRuntimeCast(CFTypeRef cf, CFTypeID id) {
    auto* object = static_cast<const CFRuntimeObject*>(cf);
    return object != nullptr && object->typeID == id ? static_cast<const T*>(object) : nullptr;
}

// Text as UTF-16, for descriptions built from ASCII.
std::u16string CFRuntimeWiden(const std::string& ascii);
