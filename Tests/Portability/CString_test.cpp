#include "Portability/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Units(const CString& s) {
    CFStringRef string = static_cast<CFStringRef>(s);
    std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)),
                          reinterpret_cast<UniChar*>(units.data()));
    return units;
}

TEST(CString, ConstructionAssignmentAndAppending) {
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    CString ascii("abc");
    CString fromCF(CFSTR("d\xC3\xA9"));
    const unsigned short wide[] = {u'x', 0x20AC, 0};
    CString fromUnits(wide);
    EXPECT_EQ(Units(fromUnits), u"x\u20AC");
    EXPECT_EQ(CString("caf\xC3\xA9").GetLength(), 5);  // narrow text is ASCII
    EXPECT_EQ(Units(CString("\xC3")), u"\uFFFD");

    CString s;
    EXPECT_TRUE(s = "abc");
    EXPECT_TRUE(s = fromCF);
    EXPECT_TRUE(s = s);  // itself
    s += ascii;
    s += CFSTR("!");
    s += s;
    EXPECT_EQ(Units(s), u"d\u00E9abc!d\u00E9abc!");
    EXPECT_EQ(s.GetLength(), 12);

    CString copy(s);
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(copy.GetLength(), 12);  // copies do not share
}

TEST(CString, CompareNoCaseKeepsCase) {
    CString lower("abc"), upper("ABC"), same("abc"), longer("abcd");
    EXPECT_EQ(lower.CompareNoCase(same), 0);
    EXPECT_NE(lower.CompareNoCase(upper), 0);
    EXPECT_EQ(upper.CompareNoCase(lower), -1);
    EXPECT_EQ(longer.CompareNoCase(lower), 1);
}

TEST(CString, FormatUsesPlatformFormatting) {
    CString name("clip");
    CString s("old");
    s.Format(CFSTR("%@VidOnly.swf %d/%s"), static_cast<CFStringRef>(name), 7, "x");
    EXPECT_EQ(Units(s), u"clipVidOnly.swf 7/x");
    s.Format(CFSTR("%n"), nullptr);  // refused: empty rather than stale
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, UnicodeBufferCopiesUnits) {
    CString s(CFSTR("h\xC3\xA9llo"));
    unsigned short* all = s.GetBuffer();
    EXPECT_EQ(all[1], 0xE9);
    EXPECT_EQ(all[4], u'o');
    unsigned short* two = s.GetBuffer(2);  // frees the first
    EXPECT_EQ(two[1], 0xE9);
    s.ReleaseBuffer(0);
    s.GetBuffer(100);  // clamped to the length
    s.ReleaseBuffer();
    s.GetBuffer(-3);
    s.ReleaseBuffer();
}

// Both kinds of buffer left outstanding are released by the destructors.
TEST(CString, DestructorWarnsAboutOutstandingBuffers) {
    testing::internal::CaptureStdout();
    {
        CStringA a("abc");
        a.GetBuffer();
        static_cast<CString&>(a).GetBuffer();
        CString released("abc");
        released.GetBuffer();
        released.ReleaseBuffer();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "*** Warning: CStringA buffer not released! Releasing in destructor\n"
              "*** Warning: CString m_pUnicodeBuffer not released! Releasing in destructor\n");
}

TEST(CStringA, AsciiBufferReplacesOtherCharacters) {
    CStringA a(CString(CFSTR("na\xC3\xAFve \xF0\x9D\x84\x9E")));
    char* text = a.GetBuffer(1);  // the argument is ignored
    EXPECT_STREQ(text, "na?ve ?");
    a.ReleaseBuffer();

    CStringA b("x");
    b += "yz";
    b += static_cast<unsigned char>('!');
    b += static_cast<unsigned char>(0xE9);  // not ASCII: replaced
    b += b;
    EXPECT_STREQ(b.GetBuffer(), "xyz!?xyz!?");
    b.ReleaseBuffer();
}

}  // namespace
