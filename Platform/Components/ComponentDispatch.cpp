#include "Components/ComponentDispatch.h"

const ComponentDispatchEntry* cdhFindEntry(std::span<const ComponentDispatchRange> ranges,
                                           SInt16 selector) {
    for (const ComponentDispatchRange& range : ranges) {
        const long index = static_cast<long>(selector) - range.firstSelector;
        if (index >= 0 && index < static_cast<long>(range.entries.size())) {
            return &range.entries[static_cast<size_t>(index)];
        }
    }
    return nullptr;
}

ComponentResult cdhRangeDispatch(ComponentParameters* params, Handle storage,
                                 std::span<const ComponentDispatchRange> ranges,
                                 ComponentInstance delegate) {
    if (params == nullptr) {
        return paramErr;
    }
    const ComponentDispatchEntry* entry = cdhFindEntry(ranges, params->what);
    if (entry != nullptr && entry->kind == ComponentDispatchEntry::kCall) {
        return CallComponentFunctionWithStorageProcInfo(storage, params, entry->function,
                                                        entry->procInfo);
    }
    if ((entry != nullptr && entry->kind == ComponentDispatchEntry::kError) ||
        delegate == nullptr) {
        return badComponentSelector;
    }
    return DelegateComponentCall(params, delegate);
}

ComponentResult cdhRangeCanDo(std::span<const ComponentDispatchRange> ranges, SInt16 selector,
                              ComponentInstance delegate) {
    const ComponentDispatchEntry* entry = cdhFindEntry(ranges, selector);
    if (entry != nullptr && entry->kind == ComponentDispatchEntry::kCall) {
        return 1;
    }
    if ((entry != nullptr && entry->kind == ComponentDispatchEntry::kError) ||
        delegate == nullptr) {
        return 0;
    }
    return CallComponentCanDo(delegate, selector);
}
