#include "Portability/CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

CFMutableStringRef NewEmpty() {
    return CFStringCreateMutable(kCFAllocatorDefault, 0);
}

CFMutableStringRef CopyOf(CFStringRef string) {
    return string != nullptr ? CFStringCreateMutableCopy(kCFAllocatorDefault, 0, string)
                             : NewEmpty();
}

}  // namespace

CString::CString() : m_pString(NewEmpty()), m_pUnicodeBuffer(nullptr) {}

CString::CString(CFStringRef string) : m_pString(CopyOf(string)), m_pUnicodeBuffer(nullptr) {}

CString::CString(const char* text) : CString() {
    AppendASCII(text);
}

CString::CString(const unsigned short* text) : CString() {
    if (text != nullptr) {
        CFIndex length = 0;
        while (text[length] != 0) {
            ++length;
        }
        CFStringAppendCharacters(m_pString, text, length);
    }
}

CString::CString(const CString& other) : CString(static_cast<CFStringRef>(other.m_pString)) {}

CString::~CString() {
    if (m_pUnicodeBuffer != nullptr) {
        std::printf(
            "*** Warning: CString m_pUnicodeBuffer not released! Releasing in destructor\n");
        ReleaseBuffer();
    }
    CFRelease(m_pString);
    m_pString = nullptr;
}

void CString::Replace(CFMutableStringRef string) {
    CFRelease(m_pString);
    m_pString = string;
}

void CString::AppendASCII(const char* text) {
    if (text == nullptr) {
        return;
    }
    const size_t length = std::strlen(text);
    UniChar* units = new (std::nothrow) UniChar[length + 1];
    if (units == nullptr) {
        return;
    }
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        units[i] = byte < 0x80 ? byte : 0xFFFD;
    }
    CFStringAppendCharacters(m_pString, units, static_cast<CFIndex>(length));
    delete[] units;
}

int CString::GetLength() const {
    return static_cast<int>(CFStringGetLength(m_pString));
}

bool CString::IsEmpty() const {
    return GetLength() == 0;
}

void CString::Empty() {
    Replace(NewEmpty());
}

bool CString::operator=(CFStringRef string) {
    Replace(CopyOf(string));  // a copy first, so assigning the string itself works
    return true;
}

bool CString::operator=(const CString& other) {
    return *this = static_cast<CFStringRef>(other.m_pString);
}

bool CString::operator=(const char* text) {
    Empty();
    AppendASCII(text);
    return true;
}

CString& CString::operator+=(CFStringRef string) {
    CFStringAppend(m_pString, string);
    return *this;
}

CString& CString::operator+=(const CString& other) {
    return *this += static_cast<CFStringRef>(other.m_pString);
}

int CString::CompareNoCase(const CString& other) const {
    return static_cast<int>(CFStringCompare(m_pString, other.m_pString, 0));
}

unsigned short* CString::GetBuffer() {
    return GetBuffer(GetLength());
}

unsigned short* CString::GetBuffer(int n) {
    ReleaseBuffer();
    const CFIndex count = std::clamp<CFIndex>(n, 0, GetLength());
    m_pUnicodeBuffer = new (std::nothrow) unsigned short[static_cast<size_t>(count) + 1];
    if (m_pUnicodeBuffer != nullptr) {
        CFStringGetCharacters(m_pString, CFRangeMake(0, count), m_pUnicodeBuffer);
    }
    return m_pUnicodeBuffer;
}

void CString::ReleaseBuffer(int) {
    delete[] m_pUnicodeBuffer;
    m_pUnicodeBuffer = nullptr;
}

void CString::Format(CFStringRef format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CFStringRef text =
        CFStringCreateWithFormatAndArguments(kCFAllocatorDefault, nullptr, format, arguments);
    va_end(arguments);
    Replace(CopyOf(text));
    CFRelease(text);
}

// --- CStringA -------------------------------------------------------------------

CStringA::CStringA(const char* text) : CString(text) {}

CStringA::CStringA(const CString& other) : CString(other) {}

CStringA::CStringA(const CStringA& other) : CString(other) {}

CStringA::~CStringA() {
    if (m_pBuffer != nullptr) {
        std::printf("*** Warning: CStringA buffer not released! Releasing in destructor\n");
        ReleaseBuffer();
    }
}

bool CStringA::operator=(const CString& other) {
    return CString::operator=(other);
}

bool CStringA::operator=(const CStringA& other) {
    return CString::operator=(other);
}

bool CStringA::operator=(CFStringRef string) {
    return CString::operator=(string);
}

bool CStringA::operator=(const char* text) {
    return CString::operator=(text);
}

CStringA& CStringA::operator+=(const char* text) {
    AppendASCII(text);
    return *this;
}

CStringA& CStringA::operator+=(unsigned char c) {
    const char text[2] = {static_cast<char>(c), '\0'};
    if (c == 0) {
        const UniChar nul = 0;
        CFStringAppendCharacters(m_pString, &nul, 1);
    } else {
        AppendASCII(text);
    }
    return *this;
}

CStringA& CStringA::operator+=(const CStringA& other) {
    CString::operator+=(other);
    return *this;
}

char* CStringA::GetBuffer() {
    ReleaseBuffer();
    const CFRange all = CFRangeMake(0, CFStringGetLength(m_pString));
    CFIndex size = 0;
    CFStringGetBytes(m_pString, all, kCFStringEncodingASCII, '?', false, nullptr, 0, &size);
    m_pBuffer = new (std::nothrow) char[static_cast<size_t>(size) + 1];
    if (m_pBuffer != nullptr) {
        CFStringGetBytes(m_pString, all, kCFStringEncodingASCII, '?', false,
                         reinterpret_cast<UInt8*>(m_pBuffer), size, &size);
        m_pBuffer[size] = '\0';
    }
    return m_pBuffer;
}

char* CStringA::GetBuffer(int) {
    return GetBuffer();
}

void CStringA::ReleaseBuffer(int) {
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
}
