// A careful, non-validating XML reader. Input is first decoded to code points (line ends
// normalised to '\n'), then parsed without recursion so hostile nesting cannot exhaust the stack.
#include "ui/core/xml_document.h"

#include <algorithm>
#include <new>

namespace qm::ui {

const std::wstring* XmlElement::attribute(std::wstring_view wanted) const {
    for (const auto& a : attributes)
        if (a.name == wanted) return &a.value;
    return nullptr;
}

namespace {

void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

// Characters XML allows in a document at all.
bool isXmlChar(char32_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    return c <= 0x10FFFF;
}

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNameStart(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(char32_t c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// The decoded text, or the line and message of the first undecodable byte.
struct Decoded {
    std::u32string text;
    std::wstring error;
    int errorLine = 0;
};

// Appends one decoded code point, folding CR LF and lone CR into LF as XML requires.
class Sink {
public:
    explicit Sink(Decoded& d) : d_(d) {}
    bool put(char32_t c) {
        if (!isXmlChar(c)) return false;
        if (c == '\r') {
            d_.text.push_back('\n');
            afterCr_ = true;
            ++line_;
            return true;
        }
        if (c == '\n') {
            if (afterCr_) {
                afterCr_ = false;
                return true;
            }
            ++line_;
        }
        afterCr_ = false;
        d_.text.push_back(c);
        return true;
    }
    int line() const { return line_; }

private:
    Decoded& d_;
    bool afterCr_ = false;
    int line_ = 1;
};

bool fail(Decoded& d, int line, const wchar_t* message) {
    d.errorLine = line;
    d.error = L"line " + std::to_wstring(line) + L": " + message;
    return false;
}

bool decodeUtf8(std::span<const std::uint8_t> b, Decoded& d) {
    Sink sink(d);
    size_t i = 0;
    while (i < b.size()) {
        const std::uint8_t lead = b[i];
        char32_t c;
        size_t extra;
        if (lead < 0x80) {
            c = lead;
            extra = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            c = lead & 0x1F;
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            c = lead & 0x0F;
            extra = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            c = lead & 0x07;
            extra = 3;
        } else {
            return fail(d, sink.line(), L"invalid UTF-8 byte");
        }
        if (b.size() - i - 1 < extra) return fail(d, sink.line(), L"truncated UTF-8 sequence");
        for (size_t k = 1; k <= extra; ++k) {
            const std::uint8_t t = b[i + k];
            if ((t & 0xC0) != 0x80) return fail(d, sink.line(), L"invalid UTF-8 sequence");
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms and code points beyond Unicode are refused.
        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)))
            return fail(d, sink.line(), L"invalid UTF-8 sequence");
        if (!sink.put(c)) return fail(d, sink.line(), L"character not allowed in XML");
        i += extra + 1;
    }
    return true;
}

bool decodeUtf16le(std::span<const std::uint8_t> b, Decoded& d) {
    Sink sink(d);
    if (b.size() % 2 != 0) return fail(d, 1, L"UTF-16 text with an odd number of bytes");
    size_t i = 0;
    while (i < b.size()) {
        char32_t c = static_cast<char32_t>(b[i] | (b[i + 1] << 8));
        i += 2;
        if (c >= 0xDC00 && c <= 0xDFFF) return fail(d, sink.line(), L"unpaired UTF-16 surrogate");
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 > b.size()) return fail(d, sink.line(), L"unpaired UTF-16 surrogate");
            const char32_t low = static_cast<char32_t>(b[i] | (b[i + 1] << 8));
            if (low < 0xDC00 || low > 0xDFFF) return fail(d, sink.line(), L"unpaired UTF-16 surrogate");
            i += 2;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        if (!sink.put(c)) return fail(d, sink.line(), L"character not allowed in XML");
    }
    return true;
}

class Parser {
public:
    explicit Parser(std::u32string text) : s_(std::move(text)) {}

    XmlParseResult run() {
        XmlParseResult result;
        if (parseDocument(result.root)) {
            result.ok = true;
        } else {
            result.root = XmlElement();
            result.error = L"line " + std::to_wstring(errorLine_) + L": " + error_;
            result.line = errorLine_;
        }
        return result;
    }

private:
    // Line of a position; positions asked for mostly grow, so the count usually resumes.
    int lineAt(size_t pos) {
        if (pos < linePos_) {
            linePos_ = 0;
            line_ = 1;
        }
        for (; linePos_ < pos && linePos_ < s_.size(); ++linePos_)
            if (s_[linePos_] == '\n') ++line_;
        return line_;
    }

    bool failAt(size_t pos, std::wstring message) {
        errorLine_ = lineAt(pos);
        error_ = std::move(message);
        return false;
    }
    bool failAtLine(int line, std::wstring message) {
        errorLine_ = line;
        error_ = std::move(message);
        return false;
    }

    bool atEnd() const { return pos_ >= s_.size(); }
    bool startsWith(std::u32string_view text) const {
        return s_.size() - pos_ >= text.size() && std::u32string_view(s_).substr(pos_, text.size()) == text;
    }
    bool skipSpace() {
        const size_t start = pos_;
        while (!atEnd() && isSpace(s_[pos_])) ++pos_;
        return pos_ != start;
    }

    static std::wstring toWide(std::u32string_view text) {
        std::wstring out;
        out.reserve(text.size());
        for (char32_t c : text) appendCodePoint(out, c);
        return out;
    }

    bool readName(std::wstring& name, const wchar_t* what) {
        if (atEnd() || !isNameStart(s_[pos_])) return failAt(pos_, std::wstring(L"expected ") + what);
        const size_t start = pos_;
        while (!atEnd() && isNameChar(s_[pos_])) ++pos_;
        name = toWide(std::u32string_view(s_).substr(start, pos_ - start));
        return true;
    }

    // Skips a construct ending in `terminator`; pos_ is just past the opener.
    bool skipUntil(std::u32string_view terminator, size_t openedAt, const wchar_t* what, std::u32string* content) {
        const size_t end = s_.find(terminator, pos_);
        if (end == std::u32string::npos) return failAt(openedAt, std::wstring(L"unterminated ") + what);
        if (content) content->assign(s_, pos_, end - pos_);
        pos_ = end + terminator.size();
        return true;
    }

    bool skipProcessingInstruction() {
        const size_t at = pos_;
        pos_ += 2;
        std::wstring target;
        if (!readName(target, L"a processing instruction name")) return false;
        return skipUntil(U"?>", at, L"processing instruction", nullptr);
    }

    bool skipComment() {
        const size_t at = pos_;
        pos_ += 4;
        return skipUntil(U"-->", at, L"comment", nullptr);
    }

    // A document type declaration without an internal subset; entity definitions are not honoured.
    bool skipDoctype() {
        const size_t at = pos_;
        pos_ += 9;
        char32_t quote = 0;
        for (; !atEnd(); ++pos_) {
            const char32_t c = s_[pos_];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                return failAt(pos_, L"document type with an internal subset is not supported");
            } else if (c == '>') {
                ++pos_;
                return true;
            }
        }
        return failAt(at, L"unterminated document type declaration");
    }

    // Comments, processing instructions and white space, as allowed outside the root element.
    bool skipMisc(bool allowDoctype, bool& sawDoctype) {
        for (;;) {
            skipSpace();
            if (startsWith(U"<?")) {
                if (!skipProcessingInstruction()) return false;
            } else if (startsWith(U"<!--")) {
                if (!skipComment()) return false;
            } else if (startsWith(U"<!DOCTYPE")) {
                if (!allowDoctype || sawDoctype) return failAt(pos_, L"misplaced document type declaration");
                sawDoctype = true;
                if (!skipDoctype()) return false;
            } else {
                return true;
            }
        }
    }

    // After '&': one of the five entities or a character reference, appended to `out`.
    bool readReference(std::wstring& out) {
        const size_t at = pos_;
        ++pos_;
        size_t end = pos_;
        while (end < s_.size() && end - pos_ <= 10 && s_[end] != ';') ++end;
        if (end >= s_.size() || s_[end] != ';') return failAt(at, L"'&' not starting a reference (write &amp;)");
        const std::u32string_view body = std::u32string_view(s_).substr(pos_, end - pos_);
        pos_ = end + 1;
        if (body == U"lt") return out.push_back(L'<'), true;
        if (body == U"gt") return out.push_back(L'>'), true;
        if (body == U"amp") return out.push_back(L'&'), true;
        if (body == U"quot") return out.push_back(L'"'), true;
        if (body == U"apos") return out.push_back(L'\''), true;
        if (body.size() >= 2 && body[0] == '#') {
            const bool hex = body[1] == 'x';
            const std::u32string_view digits = body.substr(hex ? 2 : 1);
            if (digits.empty()) return failAt(at, L"empty character reference");
            std::uint32_t value = 0;
            for (char32_t c : digits) {
                std::uint32_t digit;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                else
                    return failAt(at, L"bad digit in a character reference");
                value = value * (hex ? 16 : 10) + digit;
                if (value > 0x10FFFF) return failAt(at, L"character reference out of range");
            }
            if (!isXmlChar(value)) return failAt(at, L"character reference to a character XML does not allow");
            appendCodePoint(out, value);
            return true;
        }
        return failAt(at, L"unknown entity &" + toWide(body) + L";");
    }

    bool readAttributeValue(std::wstring& value) {
        if (atEnd() || (s_[pos_] != '"' && s_[pos_] != '\'')) return failAt(pos_, L"attribute value must be quoted");
        const char32_t quote = s_[pos_];
        const size_t at = pos_++;
        for (;;) {
            if (atEnd()) return failAt(at, L"unterminated attribute value");
            const char32_t c = s_[pos_];
            if (c == quote) {
                ++pos_;
                return true;
            }
            if (c == '<') return failAt(pos_, L"'<' inside an attribute value");
            if (c == '&') {
                if (!readReference(value)) return false;
                continue;
            }
            // Literal white space in a value reads as a space; character references keep theirs.
            appendCodePoint(value, isSpace(c) ? U' ' : c);
            ++pos_;
        }
    }

    static bool hasDuplicateNames(const std::vector<XmlAttribute>& attributes) {
        if (attributes.size() < 2) return false;
        std::vector<const std::wstring*> names;
        names.reserve(attributes.size());
        for (const auto& a : attributes) names.push_back(&a.name);
        std::sort(names.begin(), names.end(), [](auto* a, auto* b) { return *a < *b; });
        for (size_t i = 1; i < names.size(); ++i)
            if (*names[i] == *names[i - 1]) return true;
        return false;
    }

    // At '<' of a start tag: fills `element`; `selfClosing` tells whether it ended in "/>".
    bool readStartTag(XmlElement& element, bool& selfClosing) {
        const size_t at = pos_;
        element.line = lineAt(at);
        ++pos_;
        if (!readName(element.name, L"an element name after '<'")) return false;
        if (++elements_ > kXmlMaxElements) return failAt(at, L"too many elements");
        for (;;) {
            const bool spaced = skipSpace();
            if (atEnd()) return failAt(at, L"unterminated start tag <" + element.name + L">");
            if (s_[pos_] == '>') {
                ++pos_;
                selfClosing = false;
                break;
            }
            if (startsWith(U"/>")) {
                pos_ += 2;
                selfClosing = true;
                break;
            }
            if (!spaced) return failAt(pos_, L"expected white space, '>' or '/>' in <" + element.name + L">");
            XmlAttribute attribute;
            if (!readName(attribute.name, L"an attribute name")) return false;
            skipSpace();
            if (atEnd() || s_[pos_] != '=')
                return failAt(pos_, L"expected '=' after attribute " + attribute.name);
            ++pos_;
            skipSpace();
            if (!readAttributeValue(attribute.value)) return false;
            if (++attributes_ > kXmlMaxAttributes) return failAt(at, L"too many attributes");
            element.attributes.push_back(std::move(attribute));
        }
        if (hasDuplicateNames(element.attributes))
            return failAt(at, L"repeated attribute in <" + element.name + L">");
        return true;
    }

    // At "</": checks the name against the innermost open element.
    bool readEndTag(const XmlElement& open) {
        const size_t at = pos_;
        pos_ += 2;
        std::wstring name;
        if (!readName(name, L"an element name after '</'")) return false;
        skipSpace();
        if (atEnd() || s_[pos_] != '>') return failAt(at, L"unterminated end tag </" + name + L">");
        ++pos_;
        if (name != open.name)
            return failAt(at, L"end tag </" + name + L"> does not match <" + open.name + L"> opened at line " +
                                  std::to_wstring(open.line));
        return true;
    }

    bool parseDocument(XmlElement& root) {
        bool sawDoctype = false;
        if (!skipMisc(true, sawDoctype)) return false;
        if (atEnd()) return failAt(pos_, L"no root element");
        if (s_[pos_] != '<') return failAt(pos_, L"text before the root element");

        std::vector<XmlElement> open;  // the chain of unfinished elements, root first
        bool selfClosing = false;
        {
            XmlElement first;
            if (!readStartTag(first, selfClosing)) return false;
            open.push_back(std::move(first));
        }
        while (!selfClosing && !open.empty()) {
            if (atEnd()) {
                const XmlElement& last = open.back();
                return failAtLine(last.line, L"<" + last.name + L"> is never closed (input ends first)");
            }
            const char32_t c = s_[pos_];
            if (c == '&') {
                if (!readReference(open.back().text)) return false;
            } else if (c != '<') {
                appendCodePoint(open.back().text, c);
                ++pos_;
            } else if (startsWith(U"</")) {
                if (!readEndTag(open.back())) return false;
                XmlElement done = std::move(open.back());
                open.pop_back();
                if (open.empty()) {
                    root = std::move(done);
                    break;
                }
                open.back().children.push_back(std::move(done));
            } else if (startsWith(U"<!--")) {
                if (!skipComment()) return false;
            } else if (startsWith(U"<![CDATA[")) {
                const size_t at = pos_;
                pos_ += 9;
                std::u32string content;
                if (!skipUntil(U"]]>", at, L"CDATA section", &content)) return false;
                open.back().text += toWide(content);
            } else if (startsWith(U"<?")) {
                if (!skipProcessingInstruction()) return false;
            } else if (startsWith(U"<!")) {
                return failAt(pos_, L"unexpected declaration inside an element");
            } else {
                if (open.size() >= static_cast<size_t>(kXmlMaxDepth))
                    return failAt(pos_, L"elements nested deeper than " + std::to_wstring(kXmlMaxDepth));
                XmlElement child;
                bool childClosed = false;
                if (!readStartTag(child, childClosed)) return false;
                if (childClosed)
                    open.back().children.push_back(std::move(child));
                else
                    open.push_back(std::move(child));
            }
        }
        if (selfClosing) root = std::move(open.back());

        if (!skipMisc(false, sawDoctype)) return false;
        if (!atEnd()) {
            return failAt(pos_, s_[pos_] == '<' ? L"a second root element" : L"text after the root element");
        }
        return true;
    }

    std::u32string s_;
    size_t pos_ = 0;
    size_t linePos_ = 0;
    int line_ = 1;
    size_t elements_ = 0;
    size_t attributes_ = 0;
    std::wstring error_;
    int errorLine_ = 0;
};

}  // namespace

XmlParseResult ParseXml(std::span<const std::uint8_t> bytes) {
    XmlParseResult result;
    try {
        if (bytes.size() > kXmlMaxInputBytes) {
            result.error = L"document larger than " + std::to_wstring(kXmlMaxInputBytes >> 20) + L" MiB";
            return result;
        }
        Decoded decoded;
        bool decodedOk;
        if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            decodedOk = decodeUtf16le(bytes.subspan(2), decoded);
        } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
            decoded.errorLine = 1;
            decoded.error = L"line 1: big-endian UTF-16 is not supported";
            decodedOk = false;
        } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            decodedOk = decodeUtf8(bytes.subspan(3), decoded);
        } else {
            decodedOk = decodeUtf8(bytes, decoded);
        }
        if (!decodedOk) {
            result.error = decoded.error;
            result.line = decoded.errorLine;
            return result;
        }
        return Parser(std::move(decoded.text)).run();
    } catch (const std::bad_alloc&) {
        result = XmlParseResult();
        result.error = L"out of memory while reading the document";
        return result;
    }
}

}  // namespace qm::ui
