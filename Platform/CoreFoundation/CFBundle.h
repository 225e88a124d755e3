// Core Foundation file URLs and the application's main bundle.
//
// The main bundle's resources live in the folder named by the environment
// variable MVD_RESOURCE_DIR; without it, in the build tree's Resources
// folder, then in the installed share/mvdwriter folder.
#pragma once

#include "CoreFoundation/CFString.h"

typedef const struct __CFURL* CFURLRef;
typedef struct __CFBundle* CFBundleRef;

typedef CFIndex CFURLPathStyle;
enum : CFURLPathStyle { kCFURLPOSIXPathStyle = 0 };

CFTypeID CFURLGetTypeID();
// A file URL for a POSIX path (relative paths are taken from the working
// folder).  Null for a null or empty path or another path style.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef alloc, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
// The path as NUL-terminated UTF-8; false when it does not fit.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);

// The application's bundle; owned by the system: never released.
CFBundleRef CFBundleGetMainBundle();
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
// The URL of the resource file "name.type" (or "name" when the type is null
// or empty) in the resources folder or its subfolder `subDirName`; null
// when there is no such file.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName);
