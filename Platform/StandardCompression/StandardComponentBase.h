// What the two standard compression components share: opening and closing
// their per-instance globals, and their version.  Used by the
// StandardCompression sources only.
#pragma once

#include <new>

#include "Components/Components.h"

namespace sc {

constexpr ComponentResult kStandardCompressionVersion = 0x00030000;

// Globals types have a `self` member and a default constructor.
template <typename Globals>
ComponentResult OpenGlobals(Globals* /*none yet*/, ComponentInstance self) {
    auto* globals = new (std::nothrow) Globals;
    if (globals == nullptr) {
        return memFullErr;
    }
    globals->self = self;
    SetComponentInstanceStorage(self, reinterpret_cast<Handle>(globals));
    return noErr;
}

template <typename Globals>
ComponentResult CloseGlobals(Globals* globals, ComponentInstance /*self*/) {
    delete globals;
    return noErr;
}

template <typename Globals>
ComponentResult Version(Globals* /*globals*/) {
    return kStandardCompressionVersion;
}

}  // namespace sc
