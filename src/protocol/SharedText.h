#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace quorvel {

// An immutable UTF-8 text shared by every copy: copying one costs a reference
// count, never a new string. Board texts come from InternBoardText, so a
// repeated text is held once however many boards carry it. Built from a
// std::string or a literal it allocates, as any new string does.
class SharedText {
public:
    SharedText() noexcept : m_text(std::shared_ptr<void>(), &emptyString()) {}
    SharedText(std::shared_ptr<const std::string> text) noexcept : SharedText() {
        if (text)
            m_text = std::move(text);
    }
    SharedText(std::string text) : m_text(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char* text) : SharedText(std::string(text)) {}
    explicit SharedText(std::string_view text) : SharedText(std::string(text)) {}

    const std::string& str() const noexcept { return *m_text; }
    operator const std::string&() const noexcept { return *m_text; }
    operator std::string_view() const noexcept { return *m_text; }

    std::size_t size() const noexcept { return m_text->size(); }
    bool empty() const noexcept { return m_text->empty(); }
    const char* c_str() const noexcept { return m_text->c_str(); }
    const char* data() const noexcept { return m_text->data(); }
    std::string::const_iterator begin() const noexcept { return m_text->begin(); }
    std::string::const_iterator end() const noexcept { return m_text->end(); }

    // Whether both hold the very same string, not merely equal texts.
    bool sharesWith(const SharedText& other) const noexcept { return m_text == other.m_text; }

    friend bool operator==(const SharedText& a, const SharedText& b) noexcept {
        return a.m_text == b.m_text || *a.m_text == *b.m_text;
    }
    friend bool operator==(const SharedText& a, const std::string& b) noexcept {
        return *a.m_text == b;
    }
    friend bool operator==(const SharedText& a, std::string_view b) noexcept {
        return *a.m_text == b;
    }
    friend bool operator==(const SharedText& a, const char* b) noexcept { return *a.m_text == b; }

private:
    static const std::string& emptyString() noexcept {
        static const std::string empty;
        return empty;
    }

    // Never null; the empty text points at one static string and owns nothing.
    std::shared_ptr<const std::string> m_text;
};

std::ostream& operator<<(std::ostream& out, const SharedText& text);

} // namespace quorvel
