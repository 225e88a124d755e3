// Selector tables for component entry points.
//
// A component lists its selectors as ranges of consecutive selectors.  Each
// entry is one of
//   ComponentCall(handler)  call the handler (with its parameter layout),
//   kComponentDelegate      pass the request on to the delegate instance,
//   kComponentError         refuse it with badComponentSelector.
// Selectors outside every range are passed on to the delegate.  Without a
// delegate, requests that would be passed on are refused.
//
//     const ComponentDispatchEntry kCodecCalls[] = {
//         ComponentCall(MyCodec_GetCodecInfo),  // 0
//         kComponentDelegate,                   // 1
//         kComponentError,                      // 2
//     };
//     const ComponentDispatchRange kRanges[] = {{0, kCodecCalls}};
//     return cdhRangeDispatch(params, storage, kRanges, glob->delegate);
#pragma once

#include <span>

#include "Components/ComponentCalls.h"

struct ComponentDispatchEntry {
    enum Kind : UInt8 { kDelegate, kCall, kError };
    Kind kind;
    ComponentFunctionUPP function;
    ProcInfoType procInfo;
};

inline constexpr ComponentDispatchEntry kComponentDelegate{ComponentDispatchEntry::kDelegate,
                                                           nullptr, nullptr};
inline constexpr ComponentDispatchEntry kComponentError{ComponentDispatchEntry::kError, nullptr,
                                                        nullptr};

template <typename R, typename S, typename... Args>
ComponentDispatchEntry ComponentCall(R (*handler)(S, Args...)) {
    return {ComponentDispatchEntry::kCall, NewComponentFunctionUPP(handler),
            ComponentProcInfoOf(handler)};
}

struct ComponentDispatchRange {
    SInt16 firstSelector;
    std::span<const ComponentDispatchEntry> entries;
};

// The entry of a selector; null when it lies outside every range.
const ComponentDispatchEntry* cdhFindEntry(std::span<const ComponentDispatchRange> ranges,
                                           SInt16 selector);

// Serves one request from the ranges (see above).
ComponentResult cdhRangeDispatch(ComponentParameters* params, Handle storage,
                                 std::span<const ComponentDispatchRange> ranges,
                                 ComponentInstance delegate);

// The answer to a can-do request: 1 for a selector with a handler, 0 for
// one marked as an error, else the delegate's answer (0 without one).
ComponentResult cdhRangeCanDo(std::span<const ComponentDispatchRange> ranges, SInt16 selector,
                              ComponentInstance delegate);
