#include "CoreFoundation/CFBase.h"

#include "CoreFoundation/CFRuntime.h"

namespace {

const CFRuntimeObject* ObjectOf(CFTypeRef cf) {
    return static_cast<const CFRuntimeObject*>(cf);
}

// Holder counts change on const objects: the count is not part of the value.
std::atomic<CFIndex>& CountOf(CFTypeRef cf) {
    return const_cast<CFRuntimeObject*>(ObjectOf(cf))->retainCount;
}

}  // namespace

CFTypeRef CFRetain(CFTypeRef cf) {
    if (cf != nullptr && !ObjectOf(cf)->immortal) {
        CountOf(cf).fetch_add(1, std::memory_order_relaxed);
    }
    return cf;
}

void CFRelease(CFTypeRef cf) {
    if (cf == nullptr || ObjectOf(cf)->immortal) {
        return;
    }
    if (CountOf(cf).fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete ObjectOf(cf);
    }
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
    if (cf == nullptr) {
        return 0;
    }
    if (ObjectOf(cf)->immortal) {
        return std::numeric_limits<CFIndex>::max();
    }
    return CountOf(cf).load(std::memory_order_acquire);
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
    return cf != nullptr ? ObjectOf(cf)->typeID : 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
    if (cf1 == cf2) {
        return cf1 != nullptr;
    }
    if (cf1 == nullptr || cf2 == nullptr || ObjectOf(cf1)->typeID != ObjectOf(cf2)->typeID) {
        return false;
    }
    return ObjectOf(cf1)->Equals(*ObjectOf(cf2));
}

std::u16string CFRuntimeWiden(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}
