#include "Portability/CFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace {

// The path as UTF-8 bytes, NUL-terminated; empty on failure.
std::vector<char> UTF8Path(CFStringRef path) {
    const CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(path), kCFStringEncodingUTF8);
    if (size <= 0 || size >= kFSPathMax * 3) {
        return {};
    }
    std::vector<char> bytes(static_cast<size_t>(size) + 1);
    if (!CFStringGetCString(path, bytes.data(), size + 1, kCFStringEncodingUTF8)) {
        return {};
    }
    return bytes;
}

// Creates the file named by the last component of `path` in its folder.
OSErr CreateAt(CFStringRef path, const char* utf8, FSRef* ref) {
    const CFIndex length = CFStringGetLength(path);
    CFIndex slash = length;
    while (slash > 0 && CFStringGetCharacterAtIndex(path, slash - 1) != u'/') {
        --slash;
    }
    const std::string text(utf8);
    const size_t cut = text.find_last_of('/');
    const std::string folder = cut == std::string::npos ? "."
                               : cut == 0               ? "/"
                                                        : text.substr(0, cut);
    FSRef folderRef;
    Boolean isFolder = false;
    OSErr err =
        FSPathMakeRef(reinterpret_cast<const UInt8*>(folder.c_str()), &folderRef, &isFolder);
    if (err != noErr || !isFolder) {
        return err != noErr ? err : OSErr(dirNFErr);
    }
    std::vector<UniChar> name(static_cast<size_t>(length - slash) + 1);
    CFStringGetCharacters(path, CFRangeMake(slash, length - slash), name.data());
    err = FSCreateFileUnicode(&folderRef, static_cast<UniCharCount>(length - slash), name.data(),
                              kFSCatInfoNone, nullptr, ref, nullptr);
    if (err == dupFNErr) {  // made by someone else meanwhile: open that one
        err = FSPathMakeRef(reinterpret_cast<const UInt8*>(utf8), ref, nullptr);
    }
    return err;
}

}  // namespace

CFile::CFile() : m_fileRef{}, m_refNum(0) {}

bool CFile::Open(const CString& path, unsigned int flags) {
    if (m_refNum != 0) {
        Close();
    }
    const auto string = static_cast<CFStringRef>(path);
    const std::vector<char> utf8 = UTF8Path(string);
    if (utf8.empty()) {
        return false;
    }
    FSRef ref;
    Boolean isFolder = false;
    OSErr err = FSPathMakeRef(reinterpret_cast<const UInt8*>(utf8.data()), &ref, &isFolder);
    if (err == fnfErr) {
        err = CreateAt(string, utf8.data(), &ref);
    } else if (err == noErr && isFolder) {
        err = notAFileErr;
    }
    if (err != noErr) {
        return false;
    }
    const SInt8 permission = (flags & modeReadWrite) ? fsRdWrPerm
                             : (flags & modeWrite)   ? fsWrPerm
                                                     : fsCurPerm;
    HFSUniStr255 dataFork;
    FSGetDataForkName(&dataFork);
    if (FSOpenFork(&ref, dataFork.length, dataFork.unicode, permission, &m_refNum) != noErr) {
        m_refNum = 0;
        return false;
    }
    if ((flags & modeCreate) && FSSetForkSize(m_refNum, fsFromStart, 0) != noErr) {
        Close();
        return false;
    }
    m_fileRef = ref;
    return true;
}

OSErr CFile::Close() {
    const OSErr err = FSCloseFork(m_refNum);
    m_refNum = 0;
    return err;
}

unsigned int CFile::Read(void* buffer, unsigned int count) {
    ByteCount done = 0;
    FSReadFork(m_refNum, fsAtMark, 0, count, buffer, &done);
    return static_cast<unsigned int>(done);
}

OSErr CFile::Write(const void* buffer, unsigned int count) {
    return FSWriteFork(m_refNum, fsAtMark, 0, count, buffer, nullptr);
}

unsigned long long CFile::GetPosition() const {
    SInt64 position = 0;
    return FSGetForkPosition(m_refNum, &position) == noErr ? position : 0;
}

unsigned long long CFile::GetLength() const {
    SInt64 size = 0;
    return FSGetForkSize(m_refNum, &size) == noErr ? size : 0;
}

unsigned long long CFile::Seek(long long offset, unsigned int from) {
    const UInt16 mode = from == begin     ? fsFromStart
                        : from == current ? fsFromMark
                        : from == end     ? fsFromLEOF
                                          : fsAtMark;
    return FSSetForkPosition(m_refNum, mode, offset) == noErr ? GetPosition() : 0;
}
