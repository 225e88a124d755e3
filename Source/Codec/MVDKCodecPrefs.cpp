// The MVDK codec's preferences file: the compression level as 4 bytes in
// host byte order, in "Morvandel/level" of the preferences folder.

#include "Codec/MVDKCodecComponent.h"

namespace {

const unsigned char kPrefsFolderName[] = "\x09Morvandel";
const unsigned char kLevelFileName[] = "\x05level";

}  // namespace

OSErr GetPrefsFileSpec(ConstStr255Param name, FSSpec* location) {
    if (name == nullptr || location == nullptr) {
        return paramErr;
    }
    // The preferences folder always exists on the host's system disk; here
    // it is created when missing, as a fresh user account may lack it.
    SInt16 vRefNum = 0;
    SInt32 prefsDirID = 0;
    OSErr err =
        FindFolder(kOnSystemDisk, kPreferencesFolderType, kCreateFolder, &vRefNum, &prefsDirID);
    if (err != noErr) {
        return err;
    }
    FSSpec folder{};
    err = FSMakeFSSpec(vRefNum, prefsDirID, kPrefsFolderName, &folder);
    if (err == fnfErr) {
        SInt32 createdDirID = 0;
        err = FSpDirCreate(&folder, smSystemScript, &createdDirID);
    }
    if (err != noErr) {
        return err;
    }
    Str255 folderName;
    for (int i = 0; i <= kPrefsFolderName[0]; ++i) {
        folderName[i] = kPrefsFolderName[i];
    }
    CInfoPBRec info{};
    info.dirInfo.ioNamePtr = folderName;
    info.dirInfo.ioVRefNum = vRefNum;
    info.dirInfo.ioDrDirID = prefsDirID;
    if (err = PBGetCatInfoSync(&info); err != noErr) {
        return err;
    }
    if ((info.dirInfo.ioFlAttrib & kioFlAttribDirMask) == 0) {
        return dirNFErr;  // a file holds the folder's name
    }
    return FSMakeFSSpec(vRefNum, info.dirInfo.ioDrDirID, name, location);
}

OSErr MVDK_ReadUserDefaults(MVDKCodecStorage* storage) {
    if (storage == nullptr) {
        return paramErr;
    }
    storage->level = kMVDKDefaultLevel;
    FSSpec location{};
    OSErr err = GetPrefsFileSpec(kLevelFileName, &location);
    if (err != noErr) {
        return err;
    }
    SInt16 refNum = 0;
    if (err = FSpOpenDF(&location, fsRdPerm, &refNum); err != noErr) {
        return err;
    }
    UInt32 value = 0;
    long count = sizeof(value);
    err = FSRead(refNum, &count, &value);
    FSClose(refNum);
    if (err == noErr && count == sizeof(value) && value <= static_cast<UInt32>(kMVDKMaxLevel)) {
        storage->level = static_cast<SInt32>(value);
    }
    return err;
}

OSErr MVDK_WriteUserDefaults(MVDKCodecStorage* storage) {
    if (storage == nullptr) {
        return paramErr;
    }
    FSSpec location{};
    OSErr err = GetPrefsFileSpec(kLevelFileName, &location);
    if (err == fnfErr) {
        err = FSpCreate(&location, kMVDKCodecManufacturer, kMVDKPrefsFileType, smSystemScript);
    }
    if (err != noErr) {
        return err;
    }
    SInt16 refNum = 0;
    if (err = FSpOpenDF(&location, fsWrPerm, &refNum); err != noErr) {
        return err;
    }
    const SInt32 value = storage->level;
    long count = sizeof(value);
    err = SetFPos(refNum, fsFromStart, 0);
    if (err == noErr) {
        err = FSWrite(refNum, &count, &value);
    }
    if (err == noErr) {
        err = SetEOF(refNum, sizeof(value));
    }
    const OSErr closeErr = FSClose(refNum);
    if (err == noErr) {
        err = closeErr;
    }
    if (err == noErr) {
        err = FlushVol(nullptr, location.vRefNum);
    }
    return err;
}
