// Typed calls through component parameter blocks, on both sides.
//
// Caller side: CallComponentWith(ci, selector, args...) puts each argument
// in its slot (ComponentParameterSlot) and delivers the block, so a wrapper
// such as ImageCodecGetCodecInfo is one line.
//
// Component side: a handler is an ordinary function whose first parameter
// is the instance storage (a pointer type or Handle) and whose other
// parameters are the request's arguments, e.g.
//     ComponentResult MyCodec_GetCodecInfo(MyGlobals* glob, CodecInfo* info);
// ComponentProcInfoOf(handler) describes that parameter list; together with
// the handler, cast to the generic ComponentFunctionUPP, it lets
// CallComponentFunctionWithStorageProcInfo call the handler through its own
// exact type with each slot narrowed back to the parameter's type.  Only
// pointers, integers, enums and bool cross a parameter block.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "Components/Components.h"

// A handler seen without its type; only ever called after being cast back.
// (void (*)(void) is the type compilers accept as "any function".)
typedef void (*ComponentFunctionProcPtr)();
typedef ComponentFunctionProcPtr ComponentFunctionUPP;

// The parameter list of a handler and the code that calls it.
struct ComponentProcInfo {
    int parameterCount;  // arguments after the storage
    ComponentResult (*invoke)(ComponentFunctionUPP function, Handle storage,
                              const ComponentParameters* params);
};
typedef const ComponentProcInfo* ProcInfoType;

namespace component_detail {

template <typename T>
constexpr bool kSlotType =
    std::is_pointer_v<T> || std::is_integral_v<T> || std::is_enum_v<T> || std::is_null_pointer_v<T>;

template <typename T>
long ToSlot(T value) {
    static_assert(kSlotType<T>, "only pointers, integers and enums fit a parameter slot");
    if constexpr (std::is_null_pointer_v<T>) {
        return 0;
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<long>(value);
    } else {
        return static_cast<long>(value);
    }
}

template <typename T>
T FromSlot(long slot) {
    static_assert(kSlotType<T>, "only pointers, integers and enums fit a parameter slot");
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(slot);
    } else if constexpr (std::is_same_v<T, bool>) {
        return slot != 0;
    } else {
        return static_cast<T>(slot);
    }
}

template <typename R, typename S, typename... Args>
struct ProcInfoFor {
    static_assert(std::is_integral_v<R> || std::is_enum_v<R>, "handlers return a result code");
    static_assert(std::is_pointer_v<S>, "the first parameter of a handler is its storage");
    using Function = R (*)(S, Args...);

    static ComponentResult Invoke(ComponentFunctionUPP function, Handle storage,
                                  const ComponentParameters* params) {
        return Call(reinterpret_cast<Function>(function), storage, params,
                    std::index_sequence_for<Args...>{});
    }

    template <size_t... I>
    static ComponentResult Call(Function function, Handle storage,
                                const ComponentParameters* params, std::index_sequence<I...>) {
        return static_cast<ComponentResult>(
            function(reinterpret_cast<S>(storage), FromSlot<Args>(params->params[I])...));
    }

    static constexpr ComponentProcInfo kInfo{static_cast<int>(sizeof...(Args)), &Invoke};
};

}  // namespace component_detail

template <typename T>
long ComponentParameterSlot(T value) {
    return component_detail::ToSlot(value);
}

template <typename R, typename S, typename... Args>
constexpr ProcInfoType ComponentProcInfoOf(R (*)(S, Args...)) {
    static_assert(sizeof...(Args) <= kComponentParameterSlots, "too many parameters");
    return &component_detail::ProcInfoFor<R, S, Args...>::kInfo;
}

template <typename R, typename S, typename... Args>
ComponentFunctionUPP NewComponentFunctionUPP(R (*handler)(S, Args...)) {
    return reinterpret_cast<ComponentFunctionUPP>(handler);
}

// Calls a handler with the instance storage and the caller's parameters.
// paramErr when the block carries fewer arguments than the handler takes or
// no handler or layout is given.
ComponentResult CallComponentFunctionWithStorageProcInfo(Handle storage,
                                                         ComponentParameters* params,
                                                         ComponentFunctionUPP func,
                                                         ProcInfoType procInfo);

// Builds a parameter block from the arguments and delivers it.
template <typename... Args>
ComponentResult CallComponentWith(ComponentInstance ci, SInt16 what, Args... args) {
    static_assert(sizeof...(Args) <= kComponentParameterSlots, "too many arguments");
    ComponentParameters params{};
    params.flags = 0;
    params.paramSize = static_cast<UInt8>(sizeof...(Args) * kComponentParameterSlotSize);
    params.what = what;
    int slot = 0;
    ((params.params[slot++] = ComponentParameterSlot(args)), ...);
    (void)slot;
    return CallComponentDispatch(ci, &params);
}
