// File Manager subset: files named by POSIX paths, opened through their data
// fork.  An FSSpec or FSRef here simply carries the item's path.
#pragma once

#include "Base/MacTypes.h"

constexpr int kFSPathMax = 1024;

// Names a file or folder that may not exist yet.
struct FSSpec {
    SInt16 vRefNum;        // volume: always 0 here
    SInt32 parID;          // folder id of the parent, 0 when not known
    char path[kFSPathMax]; // NUL-terminated POSIX path
};
typedef FSSpec* FSSpecPtr;

// Names an existing file or folder.
struct FSRef {
    char path[kFSPathMax];
};

typedef SInt16 FSIORefNum;

enum {
    fsCurPerm = 0x00,
    fsRdPerm = 0x01,
    fsWrPerm = 0x02,
    fsRdWrPerm = 0x03,
};

// Positioning modes of SetFPos and the fork calls.
enum {
    fsAtMark = 0,
    fsFromStart = 1,
    fsFromLEOF = 2,
    fsFromMark = 3,
};

// FindFolder
enum : OSType {
    kPreferencesFolderType = 'pref',
    kTemporaryFolderType = 'temp',
};
enum : SInt16 {
    kOnSystemDisk = -32768,
    kUserDomain = -32763,
};
enum : Boolean {
    kDontCreateFolder = 0,
    kCreateFolder = 1,
};
typedef SInt16 ScriptCode;
enum : ScriptCode { smSystemScript = -1 };
