// Relocatable blocks (handles) and pointer blocks of the host memory API.
//
// A Handle points at a master pointer that points at the block; the block's
// size is kept beside it.  MemError() reports the result of the last call on
// the calling thread.
#pragma once

#include "Base/MacTypes.h"

Handle NewHandle(Size byteCount);
Handle NewHandleClear(Size byteCount);
void DisposeHandle(Handle h);
Size GetHandleSize(Handle h);
// Resizes the block, keeping its content up to the smaller size; new bytes
// are zero.  On failure the handle is unchanged and MemError() says why.
void SetHandleSize(Handle h, Size newSize);
void HLock(Handle h);
void HUnlock(Handle h);
// Copies a handle's block into a new handle.
OSErr HandToHand(Handle* h);
OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size);
// Appends size bytes at ptr to the end of the handle's block.
OSErr PtrAndHand(const void* ptr, Handle h, long size);

Ptr NewPtr(Size byteCount);
Ptr NewPtrClear(Size byteCount);
void DisposePtr(Ptr p);

void BlockMove(const void* srcPtr, void* destPtr, Size byteCount);
void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount);

OSErr MemError();
