// A memory handle disposed when its owner goes out of scope.
#pragma once

#include <memory>

#include "Base/MacMemory.h"

struct HandleDisposer {
    void operator()(Handle handle) const { DisposeHandle(handle); }
};
using OwnedHandle = std::unique_ptr<char*, HandleDisposer>;

template <class Pointer>
Pointer HandleAs(const OwnedHandle& handle) {
    return reinterpret_cast<Pointer>(handle.get());
}
