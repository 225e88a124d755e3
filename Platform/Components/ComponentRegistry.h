// Inside the Component Manager: what the registry keeps of a component, for
// the resource calls and the built-in components.  Used by the Components
// sources only.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "Components/Components.h"

namespace componentimpl {

struct ResourceItem {
    ResType type;
    SInt16 id;
    std::vector<UInt8> bytes;
};
using ResourceTable = std::vector<ResourceItem>;

// The resources of a component (or of an instance's component); null for
// an unknown token.
std::shared_ptr<const ResourceTable> ResourcesOf(Component aComponent);

// A copy of one resource in a new handle; resNotFound when missing,
// memFullErr when the handle cannot be made.
OSErr CopyResource(const ResourceTable& table, ResType type, SInt16 id, Handle* out);

// A component that the platform registers itself, the first time the
// registry is used, with the resources it carries (none when null).
struct BuiltInComponent {
    ComponentDescription description;
    ComponentRoutineUPP entryPoint;
    ResourceTable (*resources)() = nullptr;
};
std::span<const BuiltInComponent> BuiltInComponents();

}  // namespace componentimpl
