// Decodes untrusted bytes as text in each supported encoding and checks
// that whatever decodes survives a trip back to bytes and again to text.
#include <cstdint>
#include <cstdlib>

#include "CoreFoundation/CoreFoundation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CFStringEncoding kEncodings[] = {
        kCFStringEncodingASCII,   kCFStringEncodingISOLatin1, kCFStringEncodingUTF8,
        kCFStringEncodingUnicode, kCFStringEncodingUTF16BE,   kCFStringEncodingUTF16LE,
    };
    if (size == 0) {
        return 0;
    }
    const CFStringEncoding encoding = kEncodings[data[0] % 6];
    CFDataRef input = CFDataCreate(nullptr, data + 1, static_cast<CFIndex>(size - 1));
    CFStringRef text = CFStringCreateFromExternalRepresentation(nullptr, input, encoding);
    CFRelease(input);
    if (text == nullptr) {
        return 0;
    }
    CFDataRef bytes = CFStringCreateExternalRepresentation(nullptr, text, encoding, 0);
    CFStringRef again = CFStringCreateFromExternalRepresentation(nullptr, bytes, encoding);
    if (bytes == nullptr || !CFEqual(text, again)) {
        std::abort();
    }
    // Measuring and converting to ASCII with a loss byte never fails.
    CFIndex used = 0;
    const CFIndex length = CFStringGetLength(text);
    if (CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingASCII, '?', false, nullptr,
                         0, &used) != length) {
        std::abort();
    }
    CFRelease(again);
    CFRelease(bytes);
    CFRelease(text);
    return 0;
}
