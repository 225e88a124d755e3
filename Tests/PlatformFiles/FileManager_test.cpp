#include "Files/Files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Support/TempDir.h"

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A length-prefixed name.
std::vector<unsigned char> P(const std::string& text) {
    std::vector<unsigned char> name(text.size() + 1);
    name[0] = static_cast<unsigned char>(text.size());
    std::memcpy(name.data() + 1, text.data(), text.size());
    return name;
}

SInt32 FolderIdOf(const std::string& path) {
    CInfoPBRec pb{};
    auto name = P(path);
    pb.dirInfo.ioNamePtr = name.data();
    pb.dirInfo.ioDrDirID = 0;
    EXPECT_EQ(PBGetCatInfoSync(&pb), noErr);
    EXPECT_EQ(pb.dirInfo.ioFlAttrib & kioFlAttribDirMask, kioFlAttribDirMask);
    return pb.dirInfo.ioDrDirID;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

TEST(FileManager, PreferencesFileLifecycle) {
    mvdtest::TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.file("config/deep"));
    SInt16 vRefNum = -1;
    SInt32 prefsID = 0;
    EXPECT_EQ(
        FindFolder(kOnSystemDisk, kPreferencesFolderType, kDontCreateFolder, &vRefNum, &prefsID),
        fnfErr);
    ASSERT_EQ(FindFolder(kOnSystemDisk, kPreferencesFolderType, kCreateFolder, &vRefNum, &prefsID),
              noErr);
    EXPECT_TRUE(Exists(dir.file("config/deep")));

    // The folder does not exist yet: the FSSpec is filled all the same.
    FSSpec folder{};
    EXPECT_EQ(FSMakeFSSpec(vRefNum, prefsID, P("Vendor").data(), &folder), fnfErr);
    EXPECT_EQ(std::string(folder.path), dir.file("config/deep/Vendor"));
    EXPECT_EQ(folder.parID, prefsID);
    SInt32 createdID = 0;
    ASSERT_EQ(FSpDirCreate(&folder, smSystemScript, &createdID), noErr);
    EXPECT_EQ(FSpDirCreate(&folder, smSystemScript, &createdID), dupFNErr);

    // Reading the folder's id by name gives the id it was created with.
    CInfoPBRec pb{};
    auto name = P("Vendor");
    pb.dirInfo.ioNamePtr = name.data();
    pb.dirInfo.ioVRefNum = vRefNum;
    pb.dirInfo.ioDrDirID = prefsID;
    ASSERT_EQ(PBGetCatInfoSync(&pb), noErr);
    EXPECT_EQ(pb.dirInfo.ioDrDirID, createdID);
    EXPECT_EQ(pb.dirInfo.ioDrParID, prefsID);

    FSSpec file{};
    ASSERT_EQ(FSMakeFSSpec(vRefNum, createdID, P("level").data(), &file), fnfErr);
    ASSERT_EQ(FSpCreate(&file, 'Mvdn', 'pref', smSystemScript), noErr);
    EXPECT_EQ(FSpCreate(&file, 'Mvdn', 'pref', smSystemScript), dupFNErr);
    EXPECT_EQ(FSMakeFSSpec(vRefNum, createdID, P("level").data(), &file), noErr);

    SInt16 ref = 0;
    ASSERT_EQ(FSpOpenDF(&file, fsRdWrPerm, &ref), noErr);
    SInt32 value = 7;
    long count = sizeof value;
    EXPECT_EQ(FSWrite(ref, &count, &value), noErr);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(FSClose(ref), noErr);
    EXPECT_EQ(FSClose(ref), rfNumErr);
    EXPECT_EQ(FlushVol(nullptr, vRefNum), noErr);

    ASSERT_EQ(FSpOpenDF(&file, fsRdPerm, &ref), noErr);
    value = 0;
    count = sizeof value;
    EXPECT_EQ(FSRead(ref, &count, &value), noErr);
    EXPECT_EQ(value, 7);
    count = 1;
    EXPECT_EQ(FSWrite(ref, &count, &value), wrPermErr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(FSClose(ref), noErr);

    // A file's catalog information: no folder id, its parent and length.
    CInfoPBRec fileInfo{};
    auto level = P("level");
    fileInfo.hFileInfo.ioNamePtr = level.data();
    fileInfo.hFileInfo.ioDirID = createdID;
    ASSERT_EQ(PBGetCatInfoSync(&fileInfo), noErr);
    EXPECT_EQ(fileInfo.hFileInfo.ioFlAttrib & kioFlAttribDirMask, 0);
    EXPECT_EQ(fileInfo.hFileInfo.ioFlParID, createdID);
    EXPECT_EQ(fileInfo.hFileInfo.ioFlLgLen, 4);

    EXPECT_EQ(FSpDelete(&folder), fBsyErr);  // not empty
    EXPECT_EQ(FSpDelete(&file), noErr);
    EXPECT_EQ(FSpDelete(&file), fnfErr);
    EXPECT_EQ(FSpDelete(&folder), noErr);
    EXPECT_FALSE(Exists(folder.path));
}

TEST(FileManager, FindFolderFollowsEnvironment) {
    mvdtest::TempDir dir;
    SInt16 vRefNum = 0;
    SInt32 id = 0;
    {
        ScopedEnv home("HOME", dir.path());
        ScopedEnv config("XDG_CONFIG_HOME", std::string("relative/ignored"));
        ASSERT_EQ(FindFolder(kUserDomain, kPreferencesFolderType, kCreateFolder, &vRefNum, &id),
                  noErr);
        EXPECT_TRUE(Exists(dir.file(".config")));
        EXPECT_EQ(id, FolderIdOf(dir.file(".config")));
    }
    {
        ScopedEnv tmp("TMPDIR", dir.path());
        ASSERT_EQ(FindFolder(kOnSystemDisk, kTemporaryFolderType, kDontCreateFolder, &vRefNum, &id),
                  noErr);
        EXPECT_EQ(id, FolderIdOf(dir.path()));
    }
    EXPECT_EQ(FindFolder(kOnSystemDisk, 'xxxx', kCreateFolder, &vRefNum, &id), fnfErr);
    EXPECT_EQ(FindFolder(kOnSystemDisk, kTemporaryFolderType, kCreateFolder, nullptr, &id),
              paramErr);
}

TEST(FileManager, NamingErrors) {
    mvdtest::TempDir dir;
    const SInt32 id = FolderIdOf(dir.path());
    FSSpec location{};
    EXPECT_EQ(FSMakeFSSpec(0, id, P("a/b").data(), &location), bdNamErr);
    EXPECT_EQ(FSMakeFSSpec(0, id, P("..").data(), &location), bdNamErr);
    EXPECT_EQ(FSMakeFSSpec(0, 999999, P("x").data(), &location), dirNFErr);
    // A whole path whose folder is missing.
    EXPECT_EQ(FSMakeFSSpec(0, 0, P(dir.file("missing/x")).data(), &location), dirNFErr);
    // An empty name names the folder itself.
    EXPECT_EQ(FSMakeFSSpec(0, id, P("").data(), &location), noErr);
    EXPECT_EQ(std::string(location.path), dir.path());
    // Creating in a folder that vanished, opening a folder or a missing file.
    ASSERT_EQ(FSMakeFSSpec(0, 0, P(dir.file("sub")).data(), &location), fnfErr);
    SInt32 sub = 0;
    ASSERT_EQ(FSpDirCreate(&location, smSystemScript, &sub), noErr);
    SInt16 ref = 0;
    EXPECT_EQ(FSpOpenDF(&location, fsRdPerm, &ref), notAFileErr);
    FSSpec inner{};
    ASSERT_EQ(FSMakeFSSpec(0, sub, P("f").data(), &inner), fnfErr);
    EXPECT_EQ(FSpOpenDF(&inner, fsRdPerm, &ref), fnfErr);
    ASSERT_EQ(FSpDelete(&location), noErr);
    EXPECT_EQ(FSpCreate(&inner, 0, 0, smSystemScript), dirNFErr);
    EXPECT_EQ(FSMakeFSSpec(0, sub, P("f").data(), &inner), dirNFErr);

    long count = 1;
    char byte = 0;
    EXPECT_EQ(FSRead(12345, &count, &byte), rfNumErr);
    EXPECT_EQ(FSpCreate(nullptr, 0, 0, 0), paramErr);
    CInfoPBRec pb{};
    pb.dirInfo.ioFDirIndex = 1;  // enumeration is not offered
    pb.dirInfo.ioDrDirID = id;
    EXPECT_EQ(PBGetCatInfoSync(&pb), paramErr);
}

// Opens a new file holding `bytes` bytes 0, 1, 2, ...
SInt16 OpenWithBytes(const std::string& path, int bytes, SInt8 permission = fsRdWrPerm) {
    std::vector<unsigned char> content(static_cast<size_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        content[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    mvdtest::WriteFileBytes(path, content);
    FSSpec location{};
    EXPECT_EQ(FSMakeFSSpec(0, 0, P(path).data(), &location), noErr);
    SInt16 ref = 0;
    EXPECT_EQ(FSpOpenDF(&location, permission, &ref), noErr);
    return ref;
}

TEST(FileManager, MarkAndLength) {
    mvdtest::TempDir dir;
    const SInt16 ref = OpenWithBytes(dir.file("ten"), 10);
    unsigned char buffer[16] = {};
    long count = 16;
    EXPECT_EQ(FSRead(ref, &count, buffer), eofErr);  // read past the end
    EXPECT_EQ(count, 10);
    EXPECT_EQ(buffer[9], 9);

    long position = -1;
    EXPECT_EQ(SetFPos(ref, fsFromStart, 4), noErr);
    EXPECT_EQ(SetFPos(ref, fsFromMark, -1), noErr);
    EXPECT_EQ(GetFPos(ref, &position), noErr);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(SetFPos(ref, fsFromMark, -4), posErr);  // before the start: unchanged
    EXPECT_EQ(GetFPos(ref, &position), noErr);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(SetFPos(ref, fsFromLEOF, 5), eofErr);  // past the end: at the end
    EXPECT_EQ(GetFPos(ref, &position), noErr);
    EXPECT_EQ(position, 10);

    EXPECT_EQ(SetEOF(ref, 6), noErr);  // the mark follows the shorter end
    long length = 0;
    EXPECT_EQ(GetEOF(ref, &length), noErr);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(GetFPos(ref, &position), noErr);
    EXPECT_EQ(position, 6);
    EXPECT_EQ(SetEOF(ref, -1), posErr);
    EXPECT_EQ(FSClose(ref), noErr);
}

TEST(FileManager, ForkCallsThroughRefs) {
    mvdtest::TempDir dir;
    FSRef folderRef{};
    Boolean isFolder = false;
    ASSERT_EQ(
        FSPathMakeRef(reinterpret_cast<const UInt8*>(dir.path().c_str()), &folderRef, &isFolder),
        noErr);
    EXPECT_TRUE(isFolder);
    FSRef missing{};
    EXPECT_EQ(
        FSPathMakeRef(reinterpret_cast<const UInt8*>(dir.file("none").c_str()), &missing, nullptr),
        fnfErr);

    const UniChar name[] = {u'd', 0xE9, u'j', u'\u00E0'};  // non-ASCII name
    FSRef fileRef{};
    FSSpec fileLocation{};
    ASSERT_EQ(
        FSCreateFileUnicode(&folderRef, 4, name, kFSCatInfoNone, nullptr, &fileRef, &fileLocation),
        noErr);
    EXPECT_EQ(std::string(fileRef.path), dir.file("d\xC3\xA9j\xC3\xA0"));
    EXPECT_EQ(std::string(fileLocation.path), fileRef.path);
    EXPECT_EQ(FSCreateFileUnicode(&folderRef, 4, name, kFSCatInfoNone, nullptr, nullptr, nullptr),
              dupFNErr);
    const UniChar slash[] = {u'a', u'/'};
    EXPECT_EQ(FSCreateFileUnicode(&folderRef, 2, slash, kFSCatInfoNone, nullptr, nullptr, nullptr),
              bdNamErr);

    HFSUniStr255 forkName{};
    forkName.length = 9;
    ASSERT_EQ(FSGetDataForkName(&forkName), noErr);
    EXPECT_EQ(forkName.length, 0);
    FSIORefNum fork = 0;
    const UniChar resource[] = {u'R'};
    EXPECT_EQ(FSOpenFork(&fileRef, 1, resource, fsRdWrPerm, &fork), errFSForkNotFound);
    ASSERT_EQ(FSOpenFork(&fileRef, forkName.length, forkName.unicode, fsRdWrPerm, &fork), noErr);

    ByteCount done = 0;
    EXPECT_EQ(FSWriteFork(fork, fsFromStart, 0, 6, "abcdef", &done), noErr);
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(FSWriteFork(fork, fsFromStart, 2, 2, "XY", &done), noErr);
    SInt64 position = 0, size = 0;
    EXPECT_EQ(FSGetForkPosition(fork, &position), noErr);
    EXPECT_EQ(position, 4);
    char text[8] = {};
    EXPECT_EQ(FSReadFork(fork, fsFromLEOF, -3, 8, text, &done), eofErr);
    EXPECT_EQ(done, 3u);
    EXPECT_STREQ(text, "Yef");
    EXPECT_EQ(FSReadFork(fork, fsFromStart, 100, 1, text, &done), eofErr);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(FSSetForkPosition(fork, fsFromStart, 1), noErr);
    EXPECT_EQ(FSReadFork(fork, fsAtMark | 0x20, 0, 2, text, &done), noErr);  // cache hint
    EXPECT_EQ(std::string(text, 2), "bX");

    EXPECT_EQ(FSSetForkSize(fork, fsFromLEOF, 2), noErr);  // grows with zeros
    EXPECT_EQ(FSGetForkSize(fork, &size), noErr);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(FSCloseFork(fork), noErr);
    EXPECT_EQ(mvdtest::ReadFileBytes(fileRef.path),
              (std::vector<unsigned char>{'a', 'b', 'X', 'Y', 'e', 'f', 0, 0}));

    EXPECT_EQ(FSDeleteObject(&fileRef), noErr);
    EXPECT_EQ(FSDeleteObject(&fileRef), fnfErr);
}

TEST(FileManager, WriteFailureIsReported) {
    mvdtest::TempDir dir;
    const SInt16 ref = OpenWithBytes(dir.file("limited"), 0);
    // Cap the size of files this process writes, as a full disk would.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit capped = old;
    capped.rlim_cur = 100;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &capped), 0);
    std::vector<char> bytes(150, 'x');
    long count = 150;
    const OSErr err = FSWrite(ref, &count, bytes.data());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(err, dskFulErr);
    EXPECT_EQ(count, 100);
    EXPECT_EQ(FSClose(ref), noErr);
}

}  // namespace
