// printf-style formatting of CF strings (CFStringCreateWithFormat).
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "CoreFoundation/CFRuntime.h"
#include "CoreFoundation/CFString.h"
#include "CoreFoundation/CFStringEncodingConverter.h"

namespace {

// Larger widths or precisions are refused rather than allocated.
constexpr long kMaxFieldSize = 65536;

enum class Kind {
    Percent,
    Signed,
    Unsigned,
    Float,
    Pointer,
    Char,
    UniChar,
    Text,
    UniText,
    Object,
    Refused
};

Kind KindOf(char conversion) {
    switch (conversion) {
        case '%':
            return Kind::Percent;
        case 'd':
        case 'i':
            return Kind::Signed;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            return Kind::Unsigned;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            return Kind::Float;
        case 'p':
            return Kind::Pointer;
        case 'c':
            return Kind::Char;  // the C library's %c: one byte, as Latin 1
        case 'C':
            return Kind::UniChar;
        case 's':
            return Kind::Text;
        case 'S':
            return Kind::UniText;
        case '@':
            return Kind::Object;
        default:
            return Kind::Refused;  // %n and anything unknown
    }
}

// Length modifiers each kind of conversion accepts.
bool LengthFits(Kind kind, const std::string& l) {
    switch (kind) {
        case Kind::Signed:
        case Kind::Unsigned:
            return l.empty() || l == "hh" || l == "h" || l == "l" || l == "ll" || l == "q" ||
                   l == "z" || l == "j" || l == "t";
        case Kind::Float:
            return l.empty() || l == "l" || l == "L";
        case Kind::Char:
            return l.empty() || l == "l";
        default:
            return l.empty();
    }
}

struct ConversionDirective {
    std::string flags;
    std::optional<long> width;
    std::optional<long> precision;
    std::string length;  // hh h l ll q L z j t
    char conversion = 0;
    Kind kind = Kind::Refused;
    bool LeftJustified() const { return flags.find('-') != std::string::npos; }
};

bool IsOneOf(char16_t u, const char* set) {
    return u != 0 && u < 0x80 && std::strchr(set, static_cast<char>(u)) != nullptr;
}

class Formatter {
  public:
    Formatter(std::u16string_view format, va_list& arguments)
        : m_format(format), m_arguments(arguments) {}

    // The formatted text, or nothing when the format is refused.
    std::optional<std::u16string> Run() {
        while (m_pos < m_format.size()) {
            const char16_t u = m_format[m_pos++];
            if (u != u'%') {
                m_out.push_back(u);
            } else if (!Conversion()) {
                return std::nullopt;
            }
        }
        return std::move(m_out);
    }

  private:
    char16_t Peek() const { return m_pos < m_format.size() ? m_format[m_pos] : 0; }

    // Digits or '*' (an int taken from the arguments), if present; false
    // when the number is too large or names a positional argument.
    bool Number(std::optional<long>& value) {
        if (Peek() == u'*') {
            ++m_pos;
            value = va_arg(m_arguments, int);
            return true;
        }
        if (!IsOneOf(Peek(), "0123456789")) {
            return true;
        }
        long number = 0;
        while (IsOneOf(Peek(), "0123456789")) {
            number = number * 10 + (m_format[m_pos++] - u'0');
            if (number > kMaxFieldSize) {
                return false;
            }
        }
        value = number;
        return Peek() != u'$';
    }

    bool Parse(ConversionDirective& directive) {
        while (IsOneOf(Peek(), "-+ 0#'")) {
            directive.flags.push_back(static_cast<char>(m_format[m_pos++]));
        }
        if (!Number(directive.width)) {
            return false;
        }
        if (directive.width && *directive.width < 0) {
            directive.flags.push_back('-');  // a negative * width means left-justified
            directive.width = -*directive.width;
        }
        if (Peek() == u'.') {
            ++m_pos;
            directive.precision = 0;
            if (!Number(directive.precision)) {
                return false;
            }
            if (*directive.precision < 0) {
                directive.precision.reset();  // a negative * precision means none
            }
        }
        if ((directive.width && *directive.width > kMaxFieldSize) ||
            (directive.precision && *directive.precision > kMaxFieldSize)) {
            return false;
        }
        while (IsOneOf(Peek(), "hlqLzjt") && directive.length.size() < 2) {
            directive.length.push_back(static_cast<char>(m_format[m_pos++]));
        }
        if (Peek() == 0 || Peek() >= 0x80) {
            return false;
        }
        directive.conversion = static_cast<char>(m_format[m_pos++]);
        directive.kind = KindOf(directive.conversion);
        return directive.kind != Kind::Refused && LengthFits(directive.kind, directive.length);
    }

    bool Conversion() {
        ConversionDirective directive;
        if (!Parse(directive)) {
            return false;
        }
        switch (directive.kind) {
            case Kind::Percent:
                m_out.push_back(u'%');
                return true;
            case Kind::Signed:
                return Signed(directive);
            case Kind::Unsigned:
                return Unsigned(directive);
            case Kind::Float:
                return directive.length == "L" ? Printf(directive, va_arg(m_arguments, long double))
                                               : Printf(directive, va_arg(m_arguments, double));
            case Kind::Pointer:
                return Printf(directive, va_arg(m_arguments, void*));
            case Kind::Char:
                return Character(directive);
            case Kind::UniChar:
                return Pad(directive,
                           std::u16string(1, static_cast<char16_t>(va_arg(m_arguments, int))));
            case Kind::Text:
                return CString(directive);
            case Kind::UniText:
                return UniString(directive);
            case Kind::Object:
                return Object(directive);
            default:
                return false;
        }
    }

    bool Signed(const ConversionDirective& directive) {
        const std::string& l = directive.length;
        if (l == "l")
            return Printf(directive, va_arg(m_arguments, long));
        if (l == "ll" || l == "q")
            return Printf(directive, va_arg(m_arguments, long long));
        if (l == "z")
            return Printf(directive, va_arg(m_arguments, ssize_t));
        if (l == "j")
            return Printf(directive, va_arg(m_arguments, intmax_t));
        if (l == "t")
            return Printf(directive, va_arg(m_arguments, ptrdiff_t));
        return Printf(directive, va_arg(m_arguments, int));  // also hh and h: promoted
    }

    bool Unsigned(const ConversionDirective& directive) {
        const std::string& l = directive.length;
        if (l == "l")
            return Printf(directive, va_arg(m_arguments, unsigned long));
        if (l == "ll" || l == "q")
            return Printf(directive, va_arg(m_arguments, unsigned long long));
        if (l == "z")
            return Printf(directive, va_arg(m_arguments, size_t));
        if (l == "j")
            return Printf(directive, va_arg(m_arguments, uintmax_t));
        if (l == "t")
            return Printf(directive, va_arg(m_arguments, ptrdiff_t));
        return Printf(directive, va_arg(m_arguments, unsigned int));
    }

    // One numeric conversion through the C library, its directive rebuilt
    // from its parsed parts (so '*' never reaches snprintf).
    template <typename T>
    bool Printf(const ConversionDirective& directive, T value) {
        std::string narrow = "%" + directive.flags;
        if (directive.width)
            narrow += std::to_string(*directive.width);
        if (directive.precision)
            narrow += "." + std::to_string(*directive.precision);
        narrow += directive.length == "q" ? "ll" : directive.length;
        narrow.push_back(directive.conversion);
        const int size = std::snprintf(nullptr, 0, narrow.c_str(), value);
        if (size < 0) {
            return false;
        }
        std::string text(static_cast<size_t>(size) + 1, '\0');
        std::snprintf(text.data(), text.size(), narrow.c_str(), value);
        text.resize(static_cast<size_t>(size));
        m_out.append(text.begin(), text.end());  // the C library writes ASCII here
        return true;
    }

    bool Character(const ConversionDirective& directive) {
        char32_t c = directive.length == "l" ? static_cast<char32_t>(va_arg(m_arguments, wint_t))
                                             : static_cast<unsigned char>(va_arg(m_arguments, int));
        return Pad(directive,
                   std::u16string(1, c < 0x10000 ? static_cast<char16_t>(c) : u'\uFFFD'));
    }

    bool CString(const ConversionDirective& directive) {
        const char* text = va_arg(m_arguments, const char*);
        if (text == nullptr) {
            return Pad(directive, u"(null)");
        }
        size_t bytes = directive.precision
                           ? strnlen(text, static_cast<size_t>(*directive.precision))
                           : std::strlen(text);
        ConversionDirective whole = directive;
        whole.precision.reset();  // precision counted bytes, not units
        return Pad(whole, cfencoding::DecodeUTF8Lenient(std::string_view(text, bytes)));
    }

    bool UniString(const ConversionDirective& directive) {
        const auto* text = va_arg(m_arguments, const UniChar*);
        if (text == nullptr) {
            return Pad(directive, u"(null)");
        }
        std::u16string units;
        const size_t limit =
            directive.precision ? static_cast<size_t>(*directive.precision) : SIZE_MAX;
        for (size_t i = 0; i < limit && text[i] != 0; ++i) {
            units.push_back(static_cast<char16_t>(text[i]));
        }
        return Pad(directive, units);
    }

    bool Object(const ConversionDirective& directive) {
        auto object = static_cast<const CFRuntimeObject*>(va_arg(m_arguments, CFTypeRef));
        return Pad(directive, object != nullptr ? object->Describe() : u"(null)");
    }

    // Appends text cut to the precision and padded with spaces to the width.
    bool Pad(const ConversionDirective& directive, std::u16string_view text) {
        if (directive.precision && text.size() > static_cast<size_t>(*directive.precision)) {
            text = text.substr(0, static_cast<size_t>(*directive.precision));
        }
        const size_t width = static_cast<size_t>(directive.width.value_or(0));
        const size_t padding = width > text.size() ? width - text.size() : 0;
        if (!directive.LeftJustified())
            m_out.append(padding, u' ');
        m_out.append(text);
        if (directive.LeftJustified())
            m_out.append(padding, u' ');
        return true;
    }

    std::u16string_view m_format;
    va_list& m_arguments;
    size_t m_pos = 0;
    std::u16string m_out;
};

}  // namespace

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CFStringRef result =
        CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
    va_end(arguments);
    return result;
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
    auto string = CFRuntimeCast<__CFString>(format, kCFRuntimeStringTypeID);
    if (string == nullptr) {
        return nullptr;
    }
    std::optional<std::u16string> text;
    va_list copy;
    va_copy(copy, arguments);
    try {
        text = Formatter(string->units, copy).Run();
    } catch (const std::bad_alloc&) {
        text.reset();
    }
    va_end(copy);
    if (!text) {
        return nullptr;
    }
    return CFStringCreateWithCharacters(alloc, reinterpret_cast<const UniChar*>(text->data()),
                                        static_cast<CFIndex>(text->size()));
}
