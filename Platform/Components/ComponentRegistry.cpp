// The registry of components and open instances.  Components and instances
// are named by tokens drawn from one counter, so a token never names both
// and is never reused; the registry maps them to its records.

#include "Components/ComponentRegistry.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "Components/ComponentCalls.h"
#include "Components/Resources.h"

namespace componentimpl {
namespace {

struct ComponentEntry {
    uintptr_t token = 0;
    ComponentDescription description{};
    ComponentRoutineUPP entryPoint = nullptr;
    std::vector<UInt8> name;
    std::vector<UInt8> info;
    std::vector<UInt8> icon;
    std::shared_ptr<const ResourceTable> resources;
    std::atomic<long> refcon{0};
    long instanceCount = 0;  // guarded by the registry's mutex
};

struct InstanceEntry {
    uintptr_t token = 0;
    std::shared_ptr<ComponentEntry> component;
    std::atomic<Handle> storage{nullptr};
    std::atomic<bool> closing{false};
};

uintptr_t TokenOf(const void* value) {
    return reinterpret_cast<uintptr_t>(value);
}
Component AsComponent(uintptr_t token) {
    return reinterpret_cast<Component>(token);
}
ComponentInstance AsInstance(uintptr_t token) {
    return reinterpret_cast<ComponentInstance>(token);
}

bool Matches(const ComponentDescription& have, const ComponentDescription* looking) {
    if (looking == nullptr) {
        return true;
    }
    if (looking->componentType != kAnyComponentType &&
        looking->componentType != have.componentType) {
        return false;
    }
    if (looking->componentSubType != kAnyComponentSubType &&
        looking->componentSubType != have.componentSubType) {
        return false;
    }
    if (looking->componentManufacturer != kAnyComponentManufacturer &&
        looking->componentManufacturer != have.componentManufacturer) {
        return false;
    }
    const UInt32 mask = looking->componentFlagsMask;
    return (have.componentFlags & mask) == (looking->componentFlags & mask);
}

bool Identical(const ComponentDescription& a, const ComponentDescription& b) {
    return a.componentType == b.componentType && a.componentSubType == b.componentSubType &&
           a.componentManufacturer == b.componentManufacturer &&
           a.componentFlags == b.componentFlags;
}

std::vector<UInt8> BytesOf(Handle h) {
    if (h == nullptr || *h == nullptr) {
        return {};
    }
    const Size size = GetHandleSize(h);
    return std::vector<UInt8>(reinterpret_cast<const UInt8*>(*h),
                              reinterpret_cast<const UInt8*>(*h) + size);
}

OSErr CopyInto(const std::vector<UInt8>& bytes, Handle h) {
    if (h == nullptr) {
        return noErr;
    }
    SetHandleSize(h, static_cast<Size>(bytes.size()));
    if (OSErr err = MemError(); err != noErr) {
        return err;
    }
    if (!bytes.empty()) {
        std::memcpy(*h, bytes.data(), bytes.size());
    }
    return noErr;
}

// Results of requests are ComponentResults; calls that report an OSErr
// pass on those that fit one and report any other failure as
// invalidComponentID.
OSErr ToOSErr(ComponentResult result) {
    if (result >= SHRT_MIN && result <= SHRT_MAX) {
        return static_cast<OSErr>(result);
    }
    return invalidComponentID;
}

class Registry {
  public:
    static Registry& Get() {
        static Registry registry;
        return registry;
    }

    std::shared_ptr<ComponentEntry> add(const ComponentDescription& cd, ComponentRoutineUPP entry,
                                        SInt16 global, std::shared_ptr<ComponentEntry> record) {
        std::unique_lock lock(m_mutex);
        if ((global & registerComponentNoDuplicates) != 0) {
            for (const auto& existing : m_components) {
                if (Identical(existing->description, cd)) {
                    return nullptr;
                }
            }
        }
        record->token = m_nextToken++;
        record->description = cd;
        record->entryPoint = entry;
        m_components.insert(insertionPoint(cd.componentType, global), record);
        return record;
    }

    OSErr remove(uintptr_t token) {
        std::unique_lock lock(m_mutex);
        auto it = std::find_if(m_components.begin(), m_components.end(),
                               [token](const auto& c) { return c->token == token; });
        if (it == m_components.end()) {
            return invalidComponentID;
        }
        if ((*it)->instanceCount > 0) {
            return validInstancesExist;
        }
        m_components.erase(it);
        return noErr;
    }

    // The component a token names, directly or through one of its instances.
    std::shared_ptr<ComponentEntry> component(uintptr_t token) const {
        std::shared_lock lock(m_mutex);
        return componentLocked(token);
    }

    std::shared_ptr<InstanceEntry> instance(uintptr_t token) const {
        std::shared_lock lock(m_mutex);
        auto it = m_instances.find(token);
        return it == m_instances.end() ? nullptr : it->second;
    }

    Component findNext(uintptr_t after, const ComponentDescription* looking) const {
        std::shared_lock lock(m_mutex);
        auto it = m_components.begin();
        if (after != 0) {
            it = std::find_if(m_components.begin(), m_components.end(),
                              [after](const auto& c) { return c->token == after; });
            if (it == m_components.end()) {
                return nullptr;
            }
            ++it;
        }
        for (; it != m_components.end(); ++it) {
            if (Matches((*it)->description, looking)) {
                return AsComponent((*it)->token);
            }
        }
        return nullptr;
    }

    long count(const ComponentDescription* looking) const {
        std::shared_lock lock(m_mutex);
        return static_cast<long>(
            std::count_if(m_components.begin(), m_components.end(),
                          [looking](const auto& c) { return Matches(c->description, looking); }));
    }

    long instanceCount(uintptr_t token) const {
        std::shared_lock lock(m_mutex);
        auto c = componentLocked(token);
        return c ? c->instanceCount : 0;
    }

    // A new instance of the component, not yet sent the open request.
    std::shared_ptr<InstanceEntry> newInstance(uintptr_t componentToken) {
        std::unique_lock lock(m_mutex);
        auto c = componentLocked(componentToken);
        if (!c) {
            return nullptr;
        }
        auto inst = std::make_shared<InstanceEntry>();
        inst->token = m_nextToken++;
        inst->component = c;
        m_instances.emplace(inst->token, inst);
        ++c->instanceCount;
        return inst;
    }

    void forget(const InstanceEntry& inst) {
        std::unique_lock lock(m_mutex);
        if (m_instances.erase(inst.token) != 0) {
            --inst.component->instanceCount;
        }
    }

  private:
    Registry() {
        for (const BuiltInComponent& builtIn : BuiltInComponents()) {
            auto record = std::make_shared<ComponentEntry>();
            record->resources = std::make_shared<const ResourceTable>(
                builtIn.resources != nullptr ? builtIn.resources() : ResourceTable{});
            record->token = m_nextToken++;
            record->description = builtIn.description;
            record->entryPoint = builtIn.entryPoint;
            m_components.push_back(record);
        }
    }

    std::vector<std::shared_ptr<ComponentEntry>>::iterator insertionPoint(OSType type,
                                                                          SInt16 global) {
        auto sameType = [type](const auto& c) { return c->description.componentType == type; };
        if ((global & registerComponentAfterExisting) != 0) {
            return m_components.end();
        }
        return std::find_if(m_components.begin(), m_components.end(), sameType);
    }

    std::shared_ptr<ComponentEntry> componentLocked(uintptr_t token) const {
        for (const auto& c : m_components) {
            if (c->token == token) {
                return c;
            }
        }
        auto it = m_instances.find(token);
        return it == m_instances.end() ? nullptr : it->second->component;
    }

    mutable std::shared_mutex m_mutex;
    std::vector<std::shared_ptr<ComponentEntry>> m_components;  // in search order
    std::unordered_map<uintptr_t, std::shared_ptr<InstanceEntry>> m_instances;
    uintptr_t m_nextToken = 0x00010001;
};

std::shared_ptr<ComponentEntry> MakeRecord(Handle name, Handle info, Handle icon,
                                           const ComponentResourceEntry* resources,
                                           long resourceCount) {
    auto record = std::make_shared<ComponentEntry>();
    record->name = BytesOf(name);
    record->info = BytesOf(info);
    record->icon = BytesOf(icon);
    auto table = std::make_shared<ResourceTable>();
    for (long i = 0; i < resourceCount; ++i) {
        const ComponentResourceEntry& r = resources[i];
        if (r.size < 0 || (r.size > 0 && r.data == nullptr)) {
            return nullptr;
        }
        const auto* bytes = static_cast<const UInt8*>(r.data);
        table->push_back({r.resType, r.resID, std::vector<UInt8>(bytes, bytes + r.size)});
    }
    record->resources = std::move(table);
    return record;
}

}  // namespace

std::shared_ptr<const ResourceTable> ResourcesOf(Component aComponent) {
    auto c = Registry::Get().component(TokenOf(aComponent));
    return c ? c->resources : nullptr;
}

OSErr CopyResource(const ResourceTable& table, ResType type, SInt16 id, Handle* out) {
    if (out == nullptr) {
        return paramErr;
    }
    *out = nullptr;
    for (const ResourceItem& item : table) {
        if (item.type == type && item.id == id) {
            Handle h = NewHandle(static_cast<Size>(item.bytes.size()));
            if (h == nullptr) {
                return memFullErr;
            }
            if (!item.bytes.empty()) {
                std::memcpy(*h, item.bytes.data(), item.bytes.size());
            }
            *out = h;
            return noErr;
        }
    }
    return resNotFound;
}

}  // namespace componentimpl

using namespace componentimpl;

Component RegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint,
                            SInt16 global, Handle componentName, Handle componentInfo,
                            Handle componentIcon) {
    return RegisterComponentWithResources(cd, componentEntryPoint, global, componentName,
                                          componentInfo, componentIcon, nullptr, 0);
}

Component RegisterComponentWithResources(const ComponentDescription* cd,
                                         ComponentRoutineUPP componentEntryPoint, SInt16 global,
                                         Handle componentName, Handle componentInfo,
                                         Handle componentIcon,
                                         const ComponentResourceEntry* resources,
                                         long resourceCount) {
    if (cd == nullptr || componentEntryPoint == nullptr || resourceCount < 0 ||
        (resourceCount > 0 && resources == nullptr)) {
        return nullptr;
    }
    auto record = MakeRecord(componentName, componentInfo, componentIcon, resources, resourceCount);
    if (!record) {
        return nullptr;
    }
    record = Registry::Get().add(*cd, componentEntryPoint, global, std::move(record));
    if (!record) {
        return nullptr;
    }
    Component component = AsComponent(record->token);
    if ((cd->componentFlags & cmpWantsRegisterMessage) != 0) {
        ComponentInstance ci = nullptr;
        ComponentResult answer = OpenAComponent(component, &ci);
        if (answer == noErr) {
            answer = CallComponentWith(ci, kComponentRegisterSelect);
            CloseComponent(ci);
        }
        if (answer != noErr) {
            UnregisterComponent(component);
            return nullptr;
        }
    }
    return component;
}

OSErr UnregisterComponent(Component aComponent) {
    return Registry::Get().remove(TokenOf(aComponent));
}

Component FindNextComponent(Component aComponent, const ComponentDescription* looking) {
    return Registry::Get().findNext(TokenOf(aComponent), looking);
}

long CountComponents(const ComponentDescription* looking) {
    return Registry::Get().count(looking);
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                       Handle componentInfo, Handle componentIcon) {
    auto c = Registry::Get().component(TokenOf(aComponent));
    if (!c) {
        return invalidComponentID;
    }
    if (cd != nullptr) {
        *cd = c->description;
    }
    for (auto [bytes, h] : {std::pair{&c->name, componentName}, std::pair{&c->info, componentInfo},
                            std::pair{&c->icon, componentIcon}}) {
        if (OSErr err = CopyInto(*bytes, h); err != noErr) {
            return err;
        }
    }
    return noErr;
}

long CountComponentInstances(Component aComponent) {
    return Registry::Get().instanceCount(TokenOf(aComponent));
}

long GetComponentRefcon(Component aComponent) {
    auto c = Registry::Get().component(TokenOf(aComponent));
    return c ? c->refcon.load() : 0;
}

void SetComponentRefcon(Component aComponent, long theRefcon) {
    if (auto c = Registry::Get().component(TokenOf(aComponent))) {
        c->refcon = theRefcon;
    }
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
    if (ci == nullptr) {
        return paramErr;
    }
    *ci = nullptr;
    auto inst = Registry::Get().newInstance(TokenOf(aComponent));
    if (!inst) {
        return invalidComponentID;
    }
    ComponentInstance self = AsInstance(inst->token);
    const ComponentResult result = CallComponentWith(self, kComponentOpenSelect, self);
    if (result != noErr) {
        CloseComponent(self);
        return ToOSErr(result);
    }
    *ci = self;
    return noErr;
}

ComponentInstance OpenComponent(Component aComponent) {
    ComponentInstance ci = nullptr;
    OpenAComponent(aComponent, &ci);
    return ci;
}

OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci) {
    if (ci == nullptr) {
        return paramErr;
    }
    *ci = nullptr;
    const ComponentDescription looking{componentType, componentSubType, kAnyComponentManufacturer,
                                       0, kAnyComponentFlagsMask};
    Component found = FindNextComponent(nullptr, &looking);
    if (found == nullptr) {
        return invalidComponentID;
    }
    return OpenAComponent(found, ci);
}

ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType) {
    ComponentInstance ci = nullptr;
    OpenADefaultComponent(componentType, componentSubType, &ci);
    return ci;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
    auto inst = Registry::Get().instance(TokenOf(aComponentInstance));
    if (!inst || inst->closing.exchange(true)) {
        return invalidComponentID;
    }
    ComponentParameters params{};
    params.paramSize = kComponentParameterSlotSize;
    params.what = kComponentCloseSelect;
    params.params[0] = ComponentParameterSlot(aComponentInstance);
    const ComponentResult result = inst->component->entryPoint(&params, inst->storage.load());
    Registry::Get().forget(*inst);
    return ToOSErr(result);
}

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
    auto inst = Registry::Get().instance(TokenOf(aComponentInstance));
    return inst ? inst->storage.load() : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
    if (auto inst = Registry::Get().instance(TokenOf(aComponentInstance))) {
        inst->storage = theStorage;
    }
}

ComponentResult CallComponentDispatch(ComponentInstance ci, ComponentParameters* params) {
    if (params == nullptr || params->paramSize % kComponentParameterSlotSize != 0 ||
        ComponentParameterCount(params) > kComponentParameterSlots) {
        return paramErr;
    }
    auto inst = Registry::Get().instance(TokenOf(ci));
    if (!inst) {
        return badComponentInstance;
    }
    return inst->component->entryPoint(params, inst->storage.load());
}

ComponentResult DelegateComponentCall(ComponentParameters* originalParams, ComponentInstance ci) {
    return CallComponentDispatch(ci, originalParams);
}

ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber) {
    return CallComponentWith(ci, kComponentCanDoSelect, ftnNumber) > 0 ? 1 : 0;
}

ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber) {
    return CallComponentCanDo(ci, ftnNumber);
}

ComponentResult GetComponentVersion(ComponentInstance ci) {
    return CallComponentWith(ci, kComponentVersionSelect);
}

ComponentResult ComponentSetTarget(ComponentInstance ci, ComponentInstance target) {
    return CallComponentWith(ci, kComponentTargetSelect, target);
}

OSErr GetComponentResource(Component aComponent, OSType resType, SInt16 resID,
                           Handle* theResource) {
    if (theResource != nullptr) {
        *theResource = nullptr;
    }
    auto table = ResourcesOf(aComponent);
    if (!table) {
        return invalidComponentID;
    }
    return CopyResource(*table, resType, resID, theResource);
}
