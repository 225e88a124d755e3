#include "CoreFoundation/CFBundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "CoreFoundation/CFRuntime.h"
#include "CoreFoundation/CFStringEncodingConverter.h"

#ifndef MVD_BUILD_RESOURCE_DIR
#define MVD_BUILD_RESOURCE_DIR ""
#endif
#ifndef MVD_INSTALL_RESOURCE_DIR
#define MVD_INSTALL_RESOURCE_DIR ""
#endif

struct __CFURL : CFRuntimeObject {
    explicit __CFURL(std::string filePath)
        : CFRuntimeObject(kCFRuntimeURLTypeID), path(std::move(filePath)) {}
    bool Equals(const CFRuntimeObject& other) const override {
        return path == static_cast<const __CFURL&>(other).path;
    }
    std::u16string Describe() const override {
        return CFRuntimeWiden("file://") + cfencoding::DecodeUTF8Lenient(path);
    }

    std::string path;  // absolute POSIX path, UTF-8
};

struct __CFBundle : CFRuntimeObject {
    __CFBundle() : CFRuntimeObject(kCFRuntimeBundleTypeID, true) {}
    bool Equals(const CFRuntimeObject& other) const override { return this == &other; }
    std::u16string Describe() const override { return CFRuntimeWiden("<CFBundle main>"); }
};

namespace {

const __CFURL* URLOf(CFURLRef url) {
    return CFRuntimeCast<__CFURL>(url, kCFRuntimeURLTypeID);
}

// The string as UTF-8; false for null or a string with a lone surrogate.
bool UTF8Of(CFStringRef string, std::string& out) {
    const CFIndex length = CFStringGetLength(string);
    const CFIndex size = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8);
    if (string == nullptr || size < 0) {
        return false;
    }
    out.assign(static_cast<size_t>(size) + 1, '\0');
    if (!CFStringGetCString(string, out.data(), size + 1, kCFStringEncodingUTF8)) {
        return false;
    }
    out.resize(std::strlen(out.c_str()));
    return true;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ResourcesFolder() {
    const char* chosen = std::getenv("MVD_RESOURCE_DIR");
    if (chosen != nullptr && chosen[0] != '\0') {
        return chosen;
    }
    for (const char* folder : {MVD_BUILD_RESOURCE_DIR, MVD_INSTALL_RESOURCE_DIR}) {
        if (IsFolder(folder)) {
            return folder;
        }
    }
    return MVD_BUILD_RESOURCE_DIR;
}

CFURLRef NewURL(std::string path) {
    if (path.empty()) {
        return nullptr;
    }
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            return nullptr;
        }
        path = std::string(cwd) + "/" + path;
    }
    return new (std::nothrow) __CFURL(std::move(path));
}

}  // namespace

CFTypeID CFURLGetTypeID() {
    return kCFRuntimeURLTypeID;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean) {
    std::string path;
    if (pathStyle != kCFURLPOSIXPathStyle || !UTF8Of(filePath, path)) {
        return nullptr;
    }
    return NewURL(path);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
    const __CFURL* url = URLOf(anURL);
    if (url == nullptr || pathStyle != kCFURLPOSIXPathStyle) {
        return nullptr;
    }
    return CFStringCreateWithCString(nullptr, url->path.c_str(), kCFStringEncodingUTF8);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef anURL, Boolean, UInt8* buffer,
                                         CFIndex maxBufLen) {
    const __CFURL* url = URLOf(anURL);
    if (url == nullptr || buffer == nullptr || maxBufLen <= 0 ||
        static_cast<CFIndex>(url->path.size()) >= maxBufLen) {
        return false;
    }
    std::memcpy(buffer, url->path.c_str(), url->path.size() + 1);
    return true;
}

CFBundleRef CFBundleGetMainBundle() {
    static __CFBundle mainBundle;
    return &mainBundle;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    return bundle != nullptr ? NewURL(ResourcesFolder()) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
    std::string name, type, subFolder;
    if (bundle == nullptr || !UTF8Of(resourceName, name) || name.empty() ||
        (resourceType != nullptr && !UTF8Of(resourceType, type)) ||
        (subDirName != nullptr && !UTF8Of(subDirName, subFolder))) {
        return nullptr;
    }
    std::string path = ResourcesFolder();
    if (path.empty()) {
        return nullptr;
    }
    if (!subFolder.empty()) {
        path += "/" + subFolder;
    }
    path += "/" + name + (type.empty() ? "" : "." + type);
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    return NewURL(path);
}
