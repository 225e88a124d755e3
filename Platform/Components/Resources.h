// Resource Manager subset.  The resource files here are the resources that
// components carry (RegisterComponentWithResources): OpenComponentResFile
// opens a component's set as a file, UseResFile makes a file current, and
// GetResource reads from the current file.
//
// The current resource file belongs to the calling thread (0, a file with no
// resources, until UseResFile is called), so components on different threads
// may use their own resources at once.  Open files are shared by all threads.
//
// Resource data is kept byte for byte as registered.  The Dialog Manager
// reads 'DLOG', 'DITL' and 'CNTL' in their classic big-endian layouts
// (DialogResources.h builds them); other types are records in host order
// that their readers copy.
#pragma once

#include "Base/MacMemory.h"
#include "Base/MacTypes.h"
#include "Components/Components.h"

typedef SInt16 ResFileRefNum;

enum : OSErr {
    resNotFound = -192,
    resFNotFound = -193,
};

// Opens the component's resources (an instance stands for its component).
// Returns a reference number above 0, or a negative error code.
ResFileRefNum OpenComponentResFile(Component aComponent);
// resFNotFound for a file that is not open.  A thread whose current file
// is closed gets 0 as current file.
OSErr CloseComponentResFile(ResFileRefNum refnum);

ResFileRefNum CurResFile();
// An unknown reference number leaves the current file unchanged and sets
// ResError to resFNotFound.
void UseResFile(ResFileRefNum refNum);
// The result of the calling thread's last resource call.
OSErr ResError();

// A copy of a resource of the current file; null (and ResError
// resNotFound) when it has none.  Release it with ReleaseResource.
Handle GetResource(ResType theType, SInt16 theID);
Handle Get1Resource(ResType theType, SInt16 theID);
void ReleaseResource(Handle theResource);
