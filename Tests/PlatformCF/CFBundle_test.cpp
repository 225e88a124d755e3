#include "CoreFoundation/CFBundle.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "Support/TempDir.h"

namespace {

std::string PathOf(CFURLRef url) {
    UInt8 buffer[1024];
    EXPECT_TRUE(CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer));
    return reinterpret_cast<char*>(buffer);
}

TEST(CFBundle, ResourcesComeFromTheResourceFolder) {
    mvdtest::TempDir dir;
    mvdtest::WriteFileBytes(dir.file("player.swf"), {'F', 'W', 'S'});
    setenv("MVD_RESOURCE_DIR", dir.path().c_str(), 1);
    CFBundleRef bundle = CFBundleGetMainBundle();
    CFURLRef url = CFBundleCopyResourceURL(bundle, CFSTR("player"), CFSTR("swf"), nullptr);
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(PathOf(url), dir.file("player.swf"));
    CFStringRef path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
    EXPECT_EQ(CFStringGetLength(path), static_cast<CFIndex>(dir.file("player.swf").size()));
    UInt8 small[4];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, small, sizeof small));
    CFRelease(path);
    CFRelease(url);

    EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("player"), CFSTR("png"), nullptr), nullptr);
    EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("player"), CFSTR("swf"), CFSTR("sub")),
              nullptr);
    unsetenv("MVD_RESOURCE_DIR");
}

}  // namespace
