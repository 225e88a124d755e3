// File Manager subset: files named by POSIX paths, opened through their data
// fork.  An FSSpec or FSRef here simply carries the item's path.
#pragma once

#include "Base/MacTypes.h"

constexpr int kFSPathMax = 1024;

// Names a file or folder that may not exist yet.
struct FSSpec {
    SInt16 vRefNum;         // volume: always 0 here
    SInt32 parID;           // folder id of the parent, 0 when not known
    char path[kFSPathMax];  // NUL-terminated POSIX path
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

typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStr255Param;
typedef const unsigned char* ConstStr63Param;
typedef unsigned long ByteCount;

// Result codes of the File Manager beyond the common ones.
enum : OSErr {
    bdNamErr = -37,  // bad name: empty, '/', NUL, "." or "..", or too long
    tmfoErr = -42,   // too many files open
    fLckdErr = -45,  // file is locked
    vLckdErr = -46,  // volume is read-only
    fBsyErr = -47,   // folder not empty, or item busy
    rfNumErr = -51,  // no such open file
    notAFileErr = -1302,
    errFSForkNotFound = -1409,
    errFSNameTooLong = -1410,  // a path does not fit the caller's buffer
};

// Folder ids: the root folder is 2; other folders get ids from 100 on, the
// first time FindFolder, FSpDirCreate or PBGetCatInfoSync meets them.  An id
// stays bound to its path for the life of the process.
enum : SInt32 {
    fsRtParID = 1,
    fsRtDirID = 2,
};

// --- FSSpec calls -----------------------------------------------------------
//
// An FSSpec names `fileName` (a length-prefixed name without '/') inside folder
// `dirID`.  With dirID 0 the name is a whole path instead, absolute or
// relative to the working folder.  The FSSpec is filled whenever the parent
// folder exists; the result is fnfErr when the item itself does not, and
// dirNFErr when the folder is missing or unknown.
OSErr FSMakeFSSpec(SInt16 vRefNum, SInt32 dirID, ConstStr255Param fileName, FSSpec* location);
// Creates an empty file; dupFNErr when the name is taken.  POSIX files have
// no creator or type, so those two are not kept.
OSErr FSpCreate(const FSSpec* location, OSType creator, OSType fileType, ScriptCode scriptTag);
// Creates a folder and reports its new id.
OSErr FSpDirCreate(const FSSpec* location, ScriptCode scriptTag, SInt32* createdDirID);
// Deletes a file or an empty folder (fBsyErr when it holds items).
OSErr FSpDelete(const FSSpec* location);
// Opens a file's data fork.  fsRdPerm reads, fsWrPerm writes, fsRdWrPerm
// does both; fsCurPerm reads and writes when allowed, else only reads.
// Only plain files open (notAFileErr otherwise).
OSErr FSpOpenDF(const FSSpec* location, SInt8 permission, SInt16* refNum);
OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef);

// --- Open files, by reference number -----------------------------------------
//
// Reading stops at the end of the file: *count becomes the bytes actually
// read and the result is eofErr when fewer than asked.  Writing reports the
// bytes written in *count and the error (dskFulErr when the disk is full)
// when not all could be.  Reference numbers are valid in every thread; one
// open file is used by one thread at a time.
OSErr FSRead(SInt16 refNum, long* count, void* buffer);
OSErr FSWrite(SInt16 refNum, long* count, const void* buffer);
// Moves the mark (fsAtMark: stays; fsFromStart, fsFromLEOF, fsFromMark: by
// posOff).  Before the start: posErr, mark unchanged.  Past the end: the
// mark goes to the end and the result is eofErr.
OSErr SetFPos(SInt16 refNum, SInt16 posMode, long posOff);
OSErr GetFPos(SInt16 refNum, long* filePos);
OSErr GetEOF(SInt16 refNum, long* logEOF);
// Sets the file's length; a mark beyond the new end moves to it.
OSErr SetEOF(SInt16 refNum, long logEOF);
OSErr FSClose(SInt16 refNum);
// Writes every file system's cached data to disk.
OSErr FlushVol(ConstStr63Param volName, SInt16 vRefNum);

// --- Folders ------------------------------------------------------------------

// kPreferencesFolderType: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config; kTemporaryFolderType: $TMPDIR when absolute, else /tmp.  With
// kCreateFolder a missing folder is created (with its parents); otherwise
// it gives fnfErr.  Other folder types: fnfErr.  The volume is always 0.
OSErr FindFolder(SInt16 vRefNum, OSType folderType, Boolean createFolder, SInt16* foundVRefNum,
                 SInt32* foundDirID);

enum : SInt8 { kioFlAttribDirMask = 0x10 };

// Catalog information of one item, as PBGetCatInfoSync fills it.  The two
// views share their leading fields, so dirInfo.ioDrDirID and
// hFileInfo.ioDirID are the same field.
struct HFileInfo {
    OSErr ioResult;
    StringPtr ioNamePtr;  // in: item name inside ioDirID (a path when ioDirID is 0)
    SInt16 ioVRefNum;     // in: ignored (one volume)
    SInt16 ioFDirIndex;   // in: 0 by name; negative: the folder ioDirID itself
    SInt8 ioFlAttrib;     // out: kioFlAttribDirMask for folders
    SInt32 ioDirID;       // in: parent folder id; out: the item's folder id (0 for files)
    SInt32 ioFlParID;     // out: the parent folder's id
    SInt64 ioFlLgLen;     // out: a file's length in bytes
};
struct DirInfo {
    OSErr ioResult;
    StringPtr ioNamePtr;
    SInt16 ioVRefNum;
    SInt16 ioFDirIndex;
    SInt8 ioFlAttrib;
    SInt32 ioDrDirID;  // in: parent folder id; out: the folder's own id
    SInt32 ioDrParID;  // out: the parent folder's id
};
union CInfoPBRec {
    HFileInfo hFileInfo;
    DirInfo dirInfo;
};
typedef CInfoPBRec* CInfoPBPtr;

// Looks up one item (enumeration by positive ioFDirIndex is not offered:
// paramErr).  A name of length 0 (or no name) means the folder ioDirID
// itself.  The result is also stored in ioResult.
OSErr PBGetCatInfoSync(CInfoPBPtr paramBlock);

// --- FSRef calls ----------------------------------------------------------------

struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
};
typedef UInt32 FSCatalogInfoBitmap;
enum : FSCatalogInfoBitmap { kFSCatInfoNone = 0 };
struct FSCatalogInfo;  // no catalog fields are set or read here

// A ref to an existing item, by its absolute path (UTF-8).
OSErr FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);
// The ref's path, NUL-terminated; errFSNameTooLong when it does not fit.
OSErr FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);
// Creates an empty file named by UTF-16 `name` in folder `parentRef`
// (dupFNErr when the name is taken).  whichInfo must be kFSCatInfoNone.
OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                          FSRef* newRef, FSSpec* newLocation);
// Deletes a file or an empty folder.
OSErr FSDeleteObject(const FSRef* ref);
// The name of the data fork (empty), the only fork files have here.
OSErr FSGetDataForkName(HFSUniStr255* dataForkName);
// Opens the data fork (forkName empty or null); other forks: errFSForkNotFound.
// Permissions as FSpOpenDF.
OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName,
                 SInt8 permissions, FSIORefNum* forkRefNum);
// Read and write after positioning as FSSetForkPosition (the low two bits
// of positionMode; cache hints above them are ignored), with the results of
// FSRead and FSWrite.  actualCount may be null.
OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                 ByteCount requestCount, void* buffer, ByteCount* actualCount);
OSErr FSWriteFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                  ByteCount requestCount, const void* buffer, ByteCount* actualCount);
OSErr FSGetForkPosition(FSIORefNum forkRefNum, SInt64* position);
OSErr FSSetForkPosition(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset);
OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize);
// Sets the fork's length to positionOffset from the start, the mark or the
// end (fsAtMark: the mark); a longer fork is filled with zeros, and a mark
// beyond a shorter one moves to its end.  A negative length: posErr.
OSErr FSSetForkSize(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset);
OSErr FSCloseFork(FSIORefNum forkRefNum);
