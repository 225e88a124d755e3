// The Component Manager: a registry of components, each described by type,
// subtype, manufacturer and flags and served by one entry point; instances
// opened on them; requests delivered to an instance as a selector with a
// parameter block.
//
// Parameter blocks.  Every request carries its arguments in `params`, one
// `long`-sized slot per argument, in call order: params[0] is the first
// argument after the instance.  A slot holds a pointer (function pointers
// included) or an integer widened to `long`; the handler narrows it back to
// its own parameter type (see ComponentCalls.h, which does both sides with
// the types checked at compile time).  `paramSize` counts 4 bytes per
// argument, as the host's 32-bit calling convention did, so a request with
// one argument has paramSize 4.  At most kComponentParameterSlots arguments.
//
// Component and ComponentInstance values are opaque tokens, never pointers
// to memory: a stale or made-up value is recognised and refused
// (invalidComponentID, badComponentInstance).  Where a Component is asked
// for, an instance may be given instead and stands for its component.
//
// Threads: registering, finding, opening and closing may happen on any
// thread at any time.  Calls to one instance must not overlap.
#pragma once

#include "Base/MacMemory.h"
#include "Base/MacTypes.h"

struct ComponentRecord;
typedef ComponentRecord* Component;
struct ComponentInstanceRecord;
typedef ComponentInstanceRecord* ComponentInstance;

struct ComponentDescription {
    OSType componentType;          // 0 in a search: any type
    OSType componentSubType;       // 0 in a search: any subtype
    OSType componentManufacturer;  // 0 in a search: any manufacturer
    UInt32 componentFlags;
    UInt32 componentFlagsMask;  // in a search: the flag bits that must equal componentFlags
};

enum : OSType {
    kAnyComponentType = 0,
    kAnyComponentSubType = 0,
    kAnyComponentManufacturer = 0,
};
enum : UInt32 {
    kAnyComponentFlagsMask = 0,
    cmpWantsRegisterMessage = 0x80000000,  // send the register request when registered
};

constexpr int kComponentParameterSlots = 16;
constexpr int kComponentParameterSlotSize = 4;  // bytes counted per argument in paramSize

struct ComponentParameters {
    UInt8 flags;
    UInt8 paramSize;  // kComponentParameterSlotSize per argument
    SInt16 what;      // the selector
    long params[kComponentParameterSlots];
};

// Number of argument slots a parameter block declares.
inline int ComponentParameterCount(const ComponentParameters* params) {
    return params->paramSize / kComponentParameterSlotSize;
}

// A component's entry point: receives every request made to its instances,
// with the instance storage (null until the open request sets it).
typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp,
                                                   Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

// Selectors every component may receive.  Open and close carry the
// instance as their one argument; can do the selector asked about; target
// the new target instance; get MP work function two out-pointers.
enum : SInt16 {
    kComponentOpenSelect = -1,
    kComponentCloseSelect = -2,
    kComponentCanDoSelect = -3,
    kComponentVersionSelect = -4,
    kComponentRegisterSelect = -5,
    kComponentTargetSelect = -6,
    kComponentUnregisterSelect = -7,
    kComponentGetMPWorkFunctionSelect = -8,
};

// Result codes.  The two instance and selector codes are the host's 32-bit
// values 0x80008001 and 0x80008002, sign-extended like every other error, so
// that they stay negative in a ComponentResult and in an OSStatus.
enum : OSErr {
    invalidComponentID = -3000,   // no such component (or none matches)
    validInstancesExist = -3001,  // unregistering a component with open instances
    componentDontRegister = -3003,
};
constexpr ComponentResult badComponentInstance = static_cast<SInt32>(0x80008001u);
constexpr ComponentResult badComponentSelector = static_cast<SInt32>(0x80008002u);

// Flags of RegisterComponent's `global` argument.
enum : SInt16 {
    registerComponentGlobal = 1,         // accepted; every registration is process-wide here
    registerComponentNoDuplicates = 2,   // do nothing when an identical description exists
    registerComponentAfterExisting = 4,  // search after, not before, components of its type
};

// One resource that a component carries, copied at registration.  See
// Resources.h for how resources are read back.
struct ComponentResourceEntry {
    ResType resType;
    SInt16 resID;
    const void* data;
    Size size;
};

// --- Registering ------------------------------------------------------------

// Registers a component; name, info and icon are copied (each may be null).
// Newly registered components are found before existing ones of the same
// type unless registerComponentAfterExisting is given.  With
// cmpWantsRegisterMessage in the flags the component is opened, sent the
// register request and closed; a non-zero answer cancels the registration.
// Returns null when nothing was registered.
Component RegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint,
                            SInt16 global, Handle componentName, Handle componentInfo,
                            Handle componentIcon);
// As RegisterComponent, with the component's own resources.
Component RegisterComponentWithResources(const ComponentDescription* cd,
                                         ComponentRoutineUPP componentEntryPoint, SInt16 global,
                                         Handle componentName, Handle componentInfo,
                                         Handle componentIcon,
                                         const ComponentResourceEntry* resources,
                                         long resourceCount);
// validInstancesExist while instances are open.
OSErr UnregisterComponent(Component aComponent);

// --- Finding ----------------------------------------------------------------

// The registered component after aComponent (null: the first) that matches
// `looking` (null matches every component), in search order; null at the end.
Component FindNextComponent(Component aComponent, const ComponentDescription* looking);
long CountComponents(const ComponentDescription* looking);
// Description and copies of name, info and icon (into the handles given,
// each may be null).
OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                       Handle componentInfo, Handle componentIcon);
long CountComponentInstances(Component aComponent);
long GetComponentRefcon(Component aComponent);
void SetComponentRefcon(Component aComponent, long theRefcon);

// --- Opening and closing ----------------------------------------------------

// Opens an instance and sends it the open request; when that fails the
// close request follows, the instance is gone and its error is returned.
OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
ComponentInstance OpenComponent(Component aComponent);
// Opens the first component of this type and subtype; a subtype of 0 means
// any, and the manufacturer is not looked at.
OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci);
ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType);
// Sends the close request, then forgets the instance; returns the request's
// result.
OSErr CloseComponent(ComponentInstance aComponentInstance);

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);

// --- Requests ---------------------------------------------------------------

// Delivers params->what with its parameters to the instance's entry point.
// badComponentInstance for an unknown instance, paramErr for a malformed
// block (null, or more arguments than slots).
ComponentResult CallComponentDispatch(ComponentInstance ci, ComponentParameters* params);
// Passes a request received by one component on to another instance.
ComponentResult DelegateComponentCall(ComponentParameters* originalParams, ComponentInstance ci);

// 1 when the instance handles the selector, else 0.
ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber);
ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber);
// The component's version (the version request).
ComponentResult GetComponentVersion(ComponentInstance ci);
// Tells ci that requests it passes on should go to `target`.
ComponentResult ComponentSetTarget(ComponentInstance ci, ComponentInstance target);

// --- Component resources ----------------------------------------------------

// A copy of the component's resource of this type and id, which the caller
// disposes of with DisposeHandle; resNotFound when it has none.
OSErr GetComponentResource(Component aComponent, OSType resType, SInt16 resID, Handle* theResource);
