#include "CoreFoundation/CoreFoundation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// Releases a CF object at the end of a scope.
struct CFReleaser {
    void operator()(const void* cf) const { CFRelease(cf); }
};
template <typename T>
using CFHolder = std::unique_ptr<std::remove_pointer_t<T>, CFReleaser>;

CFHolder<CFStringRef> UTF8(const char* text) {
    return CFHolder<CFStringRef>(CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8));
}

std::u16string Units(CFStringRef s) {
    std::u16string units(static_cast<size_t>(CFStringGetLength(s)), u'\0');
    CFStringGetCharacters(s, CFRangeMake(0, CFStringGetLength(s)),
                          reinterpret_cast<UniChar*>(units.data()));
    return units;
}

std::string ToUTF8(CFStringRef s) {
    std::vector<char> buffer(static_cast<size_t>(CFStringGetMaximumSizeForEncoding(
                                 CFStringGetLength(s), kCFStringEncodingUTF8)) +
                             1);
    EXPECT_TRUE(CFStringGetCString(s, buffer.data(), static_cast<CFIndex>(buffer.size()),
                                   kCFStringEncodingUTF8));
    return buffer.data();
}

std::vector<UInt8> Bytes(CFDataRef data) {
    const UInt8* p = CFDataGetBytePtr(data);
    return std::vector<UInt8>(p, p + CFDataGetLength(data));
}

TEST(CFObject, RetainReleaseCounts) {
    CFStringRef s = CFStringCreateWithCString(nullptr, "abc", kCFStringEncodingASCII);
    EXPECT_EQ(CFRetain(s), s);
    EXPECT_EQ(CFGetRetainCount(s), 2);
    CFRelease(s);
    CFRelease(s);  // destroyed: ASan reports a leak or double free otherwise
    CFRelease(nullptr);
    // Literals are never destroyed.
    CFStringRef constant = CFSTR("constant");
    EXPECT_EQ(constant, CFSTR("constant"));
    CFRelease(constant);
    EXPECT_EQ(CFStringGetLength(constant), 8);
}

TEST(CFString, UTF8RoundTripWithNonASCII) {
    // e acute (2 bytes), euro sign (3 bytes), G clef (4 bytes: a surrogate pair)
    const char* text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E";
    auto s = UTF8(text);
    ASSERT_TRUE(s);
    EXPECT_EQ(Units(s.get()), u"caf\u00E9 \u20AC \U0001D11E");
    EXPECT_EQ(ToUTF8(s.get()), text);

    CFHolder<CFDataRef> data(
        CFStringCreateExternalRepresentation(nullptr, s.get(), kCFStringEncodingUTF8, 0));
    ASSERT_TRUE(data);
    EXPECT_EQ(Bytes(data.get()), std::vector<UInt8>(text, text + std::strlen(text)));
    CFHolder<CFStringRef> back(
        CFStringCreateFromExternalRepresentation(nullptr, data.get(), kCFStringEncodingUTF8));
    EXPECT_TRUE(CFEqual(back.get(), s.get()));
}

TEST(CFString, InvalidInputGivesNull) {
    const char* invalid[] = {
        "\x80",              // continuation without lead
        "\xC3",              // cut short
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong
        "\xED\xA0\x80",      // encoded surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xFF",
        "ok\xE2\x82",  // cut short at the end
    };
    for (const char* bytes : invalid) {
        EXPECT_EQ(CFStringCreateWithCString(nullptr, bytes, kCFStringEncodingUTF8), nullptr)
            << bytes;
    }
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xC3\xA9", kCFStringEncodingASCII), nullptr);
    const UInt8 odd[] = {0x00, 0x41, 0x00};
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, odd, 3, kCFStringEncodingUTF16BE, false), nullptr);
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, odd, 2, 0x7777, false), nullptr);
    EXPECT_EQ(CFStringCreateWithBytes(nullptr, nullptr, 2, kCFStringEncodingUTF8, false), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
    // Literals always give a string: invalid bytes become U+FFFD.
    EXPECT_EQ(Units(CFSTR("a\xFF")), u"a\uFFFD");
}

TEST(CFString, UTF16ExternalRepresentationHasByteOrderMark) {
    auto s = UTF8("A\xC3\xA9");
    CFHolder<CFDataRef> data(
        CFStringCreateExternalRepresentation(nullptr, s.get(), kCFStringEncodingUnicode, 0));
    ASSERT_TRUE(data);
    EXPECT_EQ(Bytes(data.get()), (std::vector<UInt8>{0xFF, 0xFE, 0x41, 0x00, 0xE9, 0x00}));
    CFHolder<CFStringRef> back(
        CFStringCreateFromExternalRepresentation(nullptr, data.get(), kCFStringEncodingUnicode));
    EXPECT_TRUE(CFEqual(back.get(), s.get()));

    // Without a mark, external UTF-16 is big-endian; explicit orders keep marks.
    const UInt8 big[] = {0x00, 0x41, 0x00, 0xE9};
    CFHolder<CFStringRef> fromBig(
        CFStringCreateWithBytes(nullptr, big, 4, kCFStringEncodingUnicode, true));
    EXPECT_TRUE(CFEqual(fromBig.get(), s.get()));
    const UInt8 little[] = {0x41, 0x00, 0xE9, 0x00};
    CFHolder<CFStringRef> fromLittle(
        CFStringCreateWithBytes(nullptr, little, 4, kCFStringEncodingUTF16LE, false));
    EXPECT_TRUE(CFEqual(fromLittle.get(), s.get()));
    CFHolder<CFDataRef> be(
        CFStringCreateExternalRepresentation(nullptr, s.get(), kCFStringEncodingUTF16BE, 0));
    EXPECT_EQ(Bytes(be.get()), std::vector<UInt8>(big, big + 4));
}

TEST(CFString, LeadingByteOrderMarkCharacterSurvivesRoundTrips) {
    // Two UTF-8 marks: both stay text, so the bytes come back unchanged.
    const UInt8 twoMarks[] = {0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF};
    CFHolder<CFDataRef> in(CFDataCreate(nullptr, twoMarks, 6));
    CFHolder<CFStringRef> s(
        CFStringCreateFromExternalRepresentation(nullptr, in.get(), kCFStringEncodingUTF8));
    EXPECT_EQ(Units(s.get()), u"\uFEFF\uFEFF");
    for (CFStringEncoding encoding : {kCFStringEncodingUTF8, kCFStringEncodingUnicode}) {
        CFHolder<CFDataRef> out(
            CFStringCreateExternalRepresentation(nullptr, s.get(), encoding, 0));
        CFHolder<CFStringRef> back(
            CFStringCreateFromExternalRepresentation(nullptr, out.get(), encoding));
        EXPECT_TRUE(CFEqual(back.get(), s.get())) << encoding;
    }
}

TEST(CFString, GetBytesWithLossByteAndLimits) {
    auto s = UTF8(
        "a\xC3\xA9"
        "b\xF0\x9D\x84\x9E"
        "c");  // a é b U+1D11E c: 6 units
    ASSERT_EQ(CFStringGetLength(s.get()), 6);
    const CFRange all = CFRangeMake(0, 6);
    CFIndex used = -1;
    EXPECT_EQ(CFStringGetBytes(s.get(), all, kCFStringEncodingASCII, '?', false, nullptr, 0, &used),
              6);
    EXPECT_EQ(used, 5);  // the surrogate pair is one character: one '?'
    char ascii[8] = {};
    CFStringGetBytes(s.get(), all, kCFStringEncodingASCII, '?', false,
                     reinterpret_cast<UInt8*>(ascii), 8, &used);
    EXPECT_EQ(std::string(ascii, static_cast<size_t>(used)), "a?b?c");

    // Without a loss byte conversion stops at the first unrepresentable unit.
    EXPECT_EQ(CFStringGetBytes(s.get(), all, kCFStringEncodingASCII, 0, false, nullptr, 0, &used),
              1);
    // A full buffer stops before a character that does not fit whole.
    UInt8 small[4];
    EXPECT_EQ(CFStringGetBytes(s.get(), all, kCFStringEncodingUTF8, 0, false, small, 4, &used), 3);
    EXPECT_EQ(used, 4);
    // Ranges outside the string convert nothing.
    EXPECT_EQ(CFStringGetBytes(s.get(), CFRangeMake(4, 3), kCFStringEncodingUTF8, 0, false, nullptr,
                               0, &used),
              0);
    EXPECT_EQ(used, 0);
    // A lone surrogate has no UTF-8 form.
    const UniChar lone[] = {0x41, 0xD800};
    CFHolder<CFStringRef> broken(CFStringCreateWithCharacters(nullptr, lone, 2));
    EXPECT_EQ(CFStringCreateExternalRepresentation(nullptr, broken.get(), kCFStringEncodingUTF8, 0),
              nullptr);

    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(std::numeric_limits<CFIndex>::max(),
                                                kCFStringEncodingUTF8),
              kCFNotFound);
}

TEST(CFString, CopiesOutStayInsideTheirBuffers) {
    auto s = UTF8("abc");
    char buffer[4];
    EXPECT_FALSE(CFStringGetCString(s.get(), buffer, 3, kCFStringEncodingASCII)) << "terminator";
    EXPECT_TRUE(CFStringGetCString(s.get(), buffer, 4, kCFStringEncodingASCII));
    EXPECT_STREQ(buffer, "abc");
    auto accented = UTF8("\xC3\xA9");
    EXPECT_FALSE(CFStringGetCString(accented.get(), buffer, 4, kCFStringEncodingASCII));
    EXPECT_TRUE(CFStringGetCString(accented.get(), buffer, 4, kCFStringEncodingISOLatin1));
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xE9);

    EXPECT_EQ(CFStringGetCharacterAtIndex(s.get(), 2), u'c');
    EXPECT_EQ(CFStringGetCharacterAtIndex(s.get(), 3), 0);
    EXPECT_EQ(CFStringGetCharacterAtIndex(s.get(), -1), 0);
    UniChar units[3] = {7, 7, 7};
    CFStringGetCharacters(s.get(), CFRangeMake(2, 2), units);  // past the end: nothing
    EXPECT_EQ(units[0], 7);
    CFStringGetCharacters(s.get(), CFRangeMake(1, 2), units);
    EXPECT_EQ(units[1], u'c');
}

TEST(CFString, MutableAppendAndCopies) {
    CFHolder<CFMutableStringRef> m(CFStringCreateMutable(nullptr, 0));
    CFStringAppendCString(m.get(), "ab", kCFStringEncodingASCII);
    CFStringAppend(m.get(), CFSTR("\xC3\xA9"));
    CFStringAppendCString(m.get(), "\xFF", kCFStringEncodingUTF8);  // invalid: ignored
    CFStringAppend(m.get(), m.get());                               // itself
    EXPECT_EQ(Units(m.get()), u"ab\u00E9ab\u00E9");

    CFHolder<CFStringRef> copy(CFStringCreateCopy(nullptr, m.get()));
    CFStringAppendCString(m.get(), "!", kCFStringEncodingASCII);
    EXPECT_EQ(Units(copy.get()), u"ab\u00E9ab\u00E9");  // a snapshot
    // An immutable string is never changed through the mutable calls.
    CFStringAppend(const_cast<CFMutableStringRef>(copy.get()), CFSTR("x"));
    EXPECT_EQ(CFStringGetLength(copy.get()), 6);

    CFHolder<CFMutableStringRef> second(CFStringCreateMutableCopy(nullptr, 0, copy.get()));
    CFStringAppendCString(second.get(), "?", kCFStringEncodingASCII);
    EXPECT_EQ(CFStringGetLength(second.get()), 7);
    EXPECT_EQ(CFStringGetLength(copy.get()), 6);
}

TEST(CFString, CompareWithAndWithoutCase) {
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abc"), 0), kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("ABC"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("ABC"), kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("\xC3\x89t\xC3\xA9"), CFSTR("\xC3\xA9T\xC3\x89"),
                              kCFCompareCaseInsensitive),
              kCFCompareEqualTo);  // Latin 1 letters fold too
    EXPECT_EQ(CFStringCompare(CFSTR("ab"), CFSTR("abc"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("b"), CFSTR("abc"), kCFCompareCaseInsensitive),
              kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(nullptr, CFSTR(""), 0), kCFCompareLessThan);
}

CFHolder<CFStringRef> Format(CFStringRef format, ...) {
    va_list args;
    va_start(args, format);
    CFHolder<CFStringRef> result(
        CFStringCreateWithFormatAndArguments(nullptr, nullptr, format, args));
    va_end(args);
    return result;
}

TEST(CFStringFormat, PrintfConversionsAndObjects) {
    auto name = UTF8("caf\xC3\xA9");
    CFHolder<CFStringRef> s(CFStringCreateWithFormat(
        nullptr, nullptr, CFSTR("%@/%d|%5.2f|%-4s|%x|%lld|%%|%c|%3@|%.2@"), name.get(), -42,
        3.14159, "ab", 255u, -9000000000LL, 'Z', CFSTR("a"), CFSTR("xyz")));
    ASSERT_TRUE(s);
    EXPECT_EQ(ToUTF8(s.get()), "caf\xC3\xA9/-42| 3.14|ab  |ff|-9000000000|%|Z|  a|xy");

    EXPECT_EQ(ToUTF8(Format(CFSTR("%*d|%-*d|%.*s"), 4, 7, 3, 8, 2, "hello").get()), "   7|8  |he");
    EXPECT_EQ(ToUTF8(Format(CFSTR("%@ %s %C%S"), nullptr, "\xC3\xA9", 0x20AC, u"ok").get()),
              "(null) \xC3\xA9 \xE2\x82\xAC"
              "ok");
    CFHolder<CFDataRef> data(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("abc"), 3));
    EXPECT_EQ(ToUTF8(Format(CFSTR("%@"), data.get()).get()), "<CFData 3 bytes>");
    // The format's own non-ASCII text is kept.
    EXPECT_EQ(ToUTF8(Format(CFSTR("\xE2\x82\xAC%d"), 5).get()),
              "\xE2\x82\xAC"
              "5");
}

TEST(CFStringFormat, RefusesUnsafeOrUnknownConversions) {
    int count = 0;
    EXPECT_FALSE(Format(CFSTR("%n"), &count));
    EXPECT_FALSE(Format(CFSTR("%1$d"), 1));
    EXPECT_FALSE(Format(CFSTR("%k"), 1));
    EXPECT_FALSE(Format(CFSTR("%ls"), L"wide"));
    EXPECT_FALSE(Format(CFSTR("%99999999d"), 1));
    EXPECT_FALSE(Format(CFSTR("abc%")));
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(count, 0);
}

}  // namespace
