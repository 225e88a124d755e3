// Strings with the names and calling shapes of the Windows class library,
// kept as mutable Core Foundation strings of UTF-16 units.
//
// Narrow text entering a string is 7-bit ASCII; each byte above 0x7F
// becomes U+FFFD.  Buffers handed out by GetBuffer belong to the string
// until ReleaseBuffer; one left outstanding is freed, with a warning on
// standard output, when the string is destroyed.
#pragma once

#include "CoreFoundation/CFString.h"

class CString {
  public:
    CString();
    CString(CFStringRef string);
    CString(const char* text);
    // NUL-terminated UTF-16 text.
    CString(const unsigned short* text);
    CString(const CString& other);
    ~CString();

    int GetLength() const;
    bool IsEmpty() const;
    void Empty();

    // Each replaces the string by a copy of the argument and returns true.
    bool operator=(CFStringRef string);
    bool operator=(const CString& other);
    bool operator=(const char* text);

    CString& operator+=(CFStringRef string);
    CString& operator+=(const CString& other);

    // Compares unit by unit, letter case included: -1, 0 or 1.
    int CompareNoCase(const CString& other) const;

    // A new heap copy of the string's units (no terminator); GetBuffer(n)
    // copies the first n, with n clamped to 0..GetLength().  A buffer still
    // outstanding is freed first.
    unsigned short* GetBuffer();
    unsigned short* GetBuffer(int n);
    // Frees the buffer; nothing is written back.
    void ReleaseBuffer(int n = -1);

    // Replaces the string by the formatting of `format` (see
    // CFStringCreateWithFormat); a refused format gives an empty string.
    void Format(CFStringRef format, ...);

    // The string itself, valid while this object is unchanged.
    explicit operator CFStringRef() const { return m_pString; }

  protected:
    void Replace(CFMutableStringRef string);
    void AppendASCII(const char* text);

    CFMutableStringRef m_pString;
    unsigned short* m_pUnicodeBuffer;
};

class CStringA : public CString {
  public:
    CStringA() = default;
    CStringA(const char* text);
    CStringA(const CString& other);
    CStringA(const CStringA& other);
    ~CStringA();

    bool operator=(const CString& other);
    bool operator=(const CStringA& other);
    bool operator=(CFStringRef string);
    bool operator=(const char* text);

    using CString::operator+=;
    CStringA& operator+=(const char* text);
    CStringA& operator+=(unsigned char c);
    CStringA& operator+=(const CStringA& other);

    // A NUL-terminated ASCII copy of the whole string, "?" standing for each
    // character without an ASCII form; the argument is ignored.  A buffer
    // still outstanding is freed first.
    char* GetBuffer();
    char* GetBuffer(int n);
    void ReleaseBuffer(int n = -1);

  private:
    char* m_pBuffer = nullptr;
};

// Only an empty wide string can be made and destroyed.
class CStringW : private CString {
  public:
    CStringW() = default;
};
