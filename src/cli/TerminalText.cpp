#include "TerminalText.h"

#include <clocale>
#include <cwchar>
#include <locale.h>

namespace quorvel {

namespace {

// Widths come from glibc's tables under C.UTF-8 whatever the user's locale:
// a C locale would call every CJK character unprintable. The locale is made
// once; switching this thread to it and back is cheap.
class Utf8Scope {
public:
    Utf8Scope() {
        static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (utf8)
            m_previous = uselocale(utf8);
    }
    ~Utf8Scope() {
        if (m_previous)
            uselocale(m_previous);
    }
    Utf8Scope(const Utf8Scope&) = delete;
    Utf8Scope& operator=(const Utf8Scope&) = delete;

private:
    locale_t m_previous = locale_t(0);
};

// Calls visit(bytes, width) for each character; width < 0 marks one that is
// not printable (or a byte that is not UTF-8).
template <typename Visit> void eachCharacter(std::string_view text, Visit visit) {
    Utf8Scope scope;
    std::mbstate_t state{};
    std::size_t i = 0;
    while (i < text.size()) {
        wchar_t wc = 0;
        const std::size_t length = std::mbrtowc(&wc, text.data() + i, text.size() - i, &state);
        if (length == 0 || length > text.size() - i) {
            // A NUL, an invalid or a truncated sequence: one byte, not printable.
            state = std::mbstate_t{};
            visit(text.substr(i, 1), -1);
            ++i;
            continue;
        }
        visit(text.substr(i, length), ::wcwidth(wc));
        i += length;
    }
}

} // namespace

bool IsUtf8(std::string_view text) {
    bool valid = true;
    eachCharacter(text, [&](std::string_view bytes, int width) {
        // A NUL is UTF-8; any other one-byte unprintable that is not ASCII is not.
        if (width < 0 && bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) >= 0x80)
            valid = false;
    });
    return valid;
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    eachCharacter(utf8, [&](std::string_view, int w) { width += w < 0 ? 1 : std::size_t(w); });
    return width;
}

} // namespace quorvel
