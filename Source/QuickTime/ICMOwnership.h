// Owners for the host objects the movie tracks hold: component instances,
// compression sessions and their options.  Each is released when its owner
// goes, so a track whose set-up fails half way leaves nothing open.
#pragma once

#include <memory>
#include <type_traits>

#include "Components/Components.h"
#include "ImageCompression/ICMCompressionSession.h"

struct ComponentCloser {
    void operator()(ComponentInstance instance) const { CloseComponent(instance); }
};
using OwnedComponent = std::unique_ptr<std::remove_pointer_t<ComponentInstance>, ComponentCloser>;

// Opens the default component of a type and subtype; null (and the error in
// *err when given) when there is none.
inline OwnedComponent OpenOwnedComponent(OSType type, OSType subType, OSErr* err = nullptr) {
    ComponentInstance instance = nullptr;
    OSErr result = OpenADefaultComponent(type, subType, &instance);
    if (err != nullptr) {
        *err = result;
    }
    return OwnedComponent(result == noErr ? instance : nullptr);
}

struct SessionOptionsReleaser {
    void operator()(ICMCompressionSessionOptionsRef options) const {
        ICMCompressionSessionOptionsRelease(options);
    }
};
using OwnedSessionOptions =
    std::unique_ptr<std::remove_pointer_t<ICMCompressionSessionOptionsRef>, SessionOptionsReleaser>;

struct SessionReleaser {
    void operator()(ICMCompressionSessionRef session) const {
        ICMCompressionSessionRelease(session);
    }
};
using OwnedSession =
    std::unique_ptr<std::remove_pointer_t<ICMCompressionSessionRef>, SessionReleaser>;
