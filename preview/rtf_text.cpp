// Text of rich-text files: the characters without control words and hidden destinations.
#include <algorithm>
#include <string_view>
#include <vector>

#include "preview/document_text_parts.h"

namespace qm::preview {
namespace {

// Deeper nesting is not a document a word processor wrote.
constexpr size_t kMaxGroupDepth = 1000;

// Destinations whose text is not document text.
bool isHiddenDestination(std::string_view word) {
    for (std::string_view d : {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "objdata", "fldinst",
                               "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable",
                               "listoverridetable", "rsidtbl", "generator", "filetbl", "revtbl", "pgdsctbl",
                               "header", "footer", "headerl", "headerr", "headerf", "footerl", "footerr", "footerf",
                               "bkmkstart", "bkmkend", "xe", "tc", "private"})
        if (word == d) return true;
    return false;
}

// A byte of the document's code page. Only 1252 has its own table; other single-byte code
// pages show their Latin-1 reading, which keeps ASCII text right.
wchar_t fromCodePage(std::uint8_t b, int codePage) { return codePage == 1252 ? FromCp1252(b) : static_cast<wchar_t>(b); }

struct Group {
    bool hidden = false;
    int skipAfterUnicode = 1;  // \ucN
};

class RtfReader {
public:
    RtfReader(Bytes bytes, TextOut& out) : s_(bytes), out_(out) {}

    int run() {
        std::vector<Group> groups{Group{}};
        size_t i = 0;
        while (i < s_.size() && !out_.full()) {
            const std::uint8_t c = s_[i];
            if (c == '{') {
                if (groups.size() >= kMaxGroupDepth) return 13;
                groups.push_back(groups.back());
                groupStart_ = true;
                ++i;
                continue;
            }
            if (c == '}') {
                if (groups.size() <= 1) return 0;  // the document's group ends
                groups.pop_back();
                groupStart_ = false;
                ++i;
                continue;
            }
            Group& g = groups.back();
            if (c == '\\') {
                i = controlWord(i + 1, g);
                groupStart_ = false;
                continue;
            }
            groupStart_ = false;
            ++i;
            if (c == '\r' || c == '\n') continue;
            if (skip_ > 0) {
                --skip_;
                continue;
            }
            if (!g.hidden) out_.add(fromCodePage(c, codePage_));
        }
        return 0;
    }

private:
    // Reads the control word or symbol after a backslash at `i`; returns where reading goes on.
    size_t controlWord(size_t i, Group& g) {
        if (i >= s_.size()) return i;
        const std::uint8_t c = s_[i];
        const bool atGroupStart = groupStart_;
        if (!isLetter(c)) {
            // A control symbol.
            if (c == '*') {  // "{\*\word": a destination we may not know; its text is not shown
                if (atGroupStart) g.hidden = true;
                return i + 1;
            }
            if (c == '\'') {
                int value = 0;
                for (size_t k = 1; k <= 2; ++k) value = value * 16 + hexValue(i + k < s_.size() ? s_[i + k] : 0);
                emit(g, fromCodePage(static_cast<std::uint8_t>(value), codePage_), true);
                return std::min(i + 3, s_.size());
            }
            if (c == '\r' || c == '\n') emit(g, 0, false, true);
            else if (c == '~') emit(g, L' ', false);
            else if (c == '_') emit(g, L'-', false);
            else if (c == '\\' || c == '{' || c == '}') emit(g, c, true);
            return i + 1;
        }
        size_t end = i;
        while (end < s_.size() && end - i < 32 && isLetter(s_[end])) ++end;
        const std::string_view word(reinterpret_cast<const char*>(s_.data() + i), end - i);
        bool hasNumber = false, negative = false;
        long number = 0;
        if (end < s_.size() && s_[end] == '-') negative = true, ++end;
        while (end < s_.size() && s_[end] >= '0' && s_[end] <= '9') {
            if (number < 100000000) number = number * 10 + (s_[end] - '0');
            hasNumber = true;
            ++end;
        }
        if (negative) number = -number;
        if (end < s_.size() && s_[end] == ' ') ++end;  // the delimiter belongs to the word

        if (atGroupStart && isHiddenDestination(word)) g.hidden = true;
        if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") emit(g, 0, false, true);
        else if (word == "tab" || word == "cell") emit(g, L'\t', false);
        else if (word == "emdash") emit(g, 0x2014, false);
        else if (word == "endash") emit(g, 0x2013, false);
        else if (word == "bullet") emit(g, 0x2022, false);
        else if (word == "lquote") emit(g, 0x2018, false);
        else if (word == "rquote") emit(g, 0x2019, false);
        else if (word == "ldblquote") emit(g, 0x201C, false);
        else if (word == "rdblquote") emit(g, 0x201D, false);
        else if (word == "ansicpg" && hasNumber) codePage_ = static_cast<int>(number);
        else if (word == "uc" && hasNumber) g.skipAfterUnicode = number < 0 ? 0 : static_cast<int>(std::min(number, 16L));
        else if (word == "u" && hasNumber) {
            const long unit = number < 0 ? number + 65536 : number;
            skip_ = 0;
            emitUnit(g, static_cast<char32_t>(unit & 0xFFFF));
            skip_ = g.skipAfterUnicode;
        } else if (word == "bin" && hasNumber && number > 0) {
            // Binary data: skipped whole.
            return std::min(s_.size(), end + static_cast<size_t>(number));
        }
        return end;
    }

    // Text from a control: a fallback character of \u, a line end or a character.
    void emit(const Group& g, wchar_t c, bool countsForSkip, bool lineEnd = false) {
        if (countsForSkip && skip_ > 0) {
            --skip_;
            return;
        }
        if (g.hidden) return;
        if (lineEnd) out_.newline();
        else if (c) out_.add(c);
    }

    // A UTF-16 unit of \u: pairs of surrogates become one character where wchar_t is wider.
    void emitUnit(const Group& g, char32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            high_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF && high_) {
            if constexpr (sizeof(wchar_t) >= 4) {
                emit(g, static_cast<wchar_t>(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00)), false);
            } else {
                emit(g, static_cast<wchar_t>(high_), false);
                emit(g, static_cast<wchar_t>(unit), false);
            }
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            emit(g, static_cast<wchar_t>(unit), false);
        }
        high_ = 0;
    }

    static bool isLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static int hexValue(std::uint8_t c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    }

    Bytes s_;
    TextOut& out_;
    int codePage_ = 1252;
    int skip_ = 0;
    bool groupStart_ = false;
    char32_t high_ = 0;
};

}  // namespace

int RtfText(Bytes file, TextOut& out) {
    static constexpr std::string_view kMagic = "{\\rtf";
    if (file.size() < kMagic.size() || std::string_view(reinterpret_cast<const char*>(file.data()), kMagic.size()) != kMagic)
        return 13;
    return RtfReader(file, out).run();
}

}  // namespace qm::preview
