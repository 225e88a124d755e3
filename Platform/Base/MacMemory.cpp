#include "Base/MacMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

thread_local OSErr tLastMemError = noErr;

// A handle's master pointer lives in this header, in front of nothing else:
// the block itself is allocated separately so that resizing can move it
// while the handle (the address of `block`) stays valid.
struct HandleRecord {
    Ptr block;  // must stay first: a Handle is the address of this field
    Size size;
};

HandleRecord* RecordOf(Handle h) {
    return reinterpret_cast<HandleRecord*>(h);
}

Handle AllocateHandle(Size byteCount, bool clear) {
    if (byteCount < 0) {
        tLastMemError = paramErr;
        return nullptr;
    }
    auto* record = new (std::nothrow) HandleRecord{nullptr, 0};
    if (record == nullptr) {
        tLastMemError = memFullErr;
        return nullptr;
    }
    // Blocks of size 0 still get a distinct allocation so *h is never null.
    record->block = static_cast<Ptr>(clear ? std::calloc(byteCount ? byteCount : 1, 1)
                                           : std::malloc(byteCount ? byteCount : 1));
    if (record->block == nullptr) {
        delete record;
        tLastMemError = memFullErr;
        return nullptr;
    }
    record->size = byteCount;
    tLastMemError = noErr;
    return &record->block;
}

}  // namespace

Handle NewHandle(Size byteCount) {
    return AllocateHandle(byteCount, false);
}

Handle NewHandleClear(Size byteCount) {
    return AllocateHandle(byteCount, true);
}

void DisposeHandle(Handle h) {
    if (h == nullptr) {
        tLastMemError = nilHandleErr;
        return;
    }
    HandleRecord* record = RecordOf(h);
    std::free(record->block);
    delete record;
    tLastMemError = noErr;
}

Size GetHandleSize(Handle h) {
    if (h == nullptr) {
        tLastMemError = nilHandleErr;
        return 0;
    }
    tLastMemError = noErr;
    return RecordOf(h)->size;
}

void SetHandleSize(Handle h, Size newSize) {
    if (h == nullptr) {
        tLastMemError = nilHandleErr;
        return;
    }
    if (newSize < 0) {
        tLastMemError = paramErr;
        return;
    }
    HandleRecord* record = RecordOf(h);
    auto* grown = static_cast<Ptr>(std::realloc(record->block, newSize ? newSize : 1));
    if (grown == nullptr) {
        tLastMemError = memFullErr;
        return;
    }
    if (newSize > record->size) {
        std::memset(grown + record->size, 0, static_cast<size_t>(newSize - record->size));
    }
    record->block = grown;
    record->size = newSize;
    tLastMemError = noErr;
}

void HLock(Handle) {
    tLastMemError = noErr;
}

void HUnlock(Handle) {
    tLastMemError = noErr;
}

OSErr HandToHand(Handle* h) {
    if (h == nullptr || *h == nullptr) {
        return tLastMemError = nilHandleErr;
    }
    Size size = GetHandleSize(*h);
    Handle copy = NewHandle(size);
    if (copy == nullptr) {
        return tLastMemError;
    }
    std::memcpy(*copy, **h, static_cast<size_t>(size));
    *h = copy;
    return noErr;
}

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size) {
    if (dstHndl == nullptr || size < 0 || (size > 0 && srcPtr == nullptr)) {
        return tLastMemError = paramErr;
    }
    Handle h = NewHandle(size);
    if (h == nullptr) {
        return tLastMemError;
    }
    if (size > 0) {
        std::memcpy(*h, srcPtr, static_cast<size_t>(size));
    }
    *dstHndl = h;
    return noErr;
}

OSErr PtrAndHand(const void* ptr, Handle h, long size) {
    if (h == nullptr) {
        return tLastMemError = nilHandleErr;
    }
    if (size < 0 || (size > 0 && ptr == nullptr)) {
        return tLastMemError = paramErr;
    }
    Size old = GetHandleSize(h);
    SetHandleSize(h, old + size);
    if (tLastMemError != noErr) {
        return tLastMemError;
    }
    if (size > 0) {
        std::memcpy(*h + old, ptr, static_cast<size_t>(size));
    }
    return noErr;
}

Ptr NewPtr(Size byteCount) {
    if (byteCount < 0) {
        tLastMemError = paramErr;
        return nullptr;
    }
    auto p = static_cast<Ptr>(std::malloc(byteCount ? byteCount : 1));
    tLastMemError = p ? noErr : memFullErr;
    return p;
}

Ptr NewPtrClear(Size byteCount) {
    if (byteCount < 0) {
        tLastMemError = paramErr;
        return nullptr;
    }
    auto p = static_cast<Ptr>(std::calloc(byteCount ? byteCount : 1, 1));
    tLastMemError = p ? noErr : memFullErr;
    return p;
}

void DisposePtr(Ptr p) {
    std::free(p);
    tLastMemError = noErr;
}

void BlockMove(const void* srcPtr, void* destPtr, Size byteCount) {
    if (byteCount > 0) {
        std::memmove(destPtr, srcPtr, static_cast<size_t>(byteCount));
    }
}

void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount) {
    BlockMove(srcPtr, destPtr, byteCount);
}

OSErr MemError() {
    return tLastMemError;
}
