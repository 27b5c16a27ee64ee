#include "preview/xml_scan.h"

#include <cstdint>

#include "platform/text.h"

namespace qm::preview {
namespace {

constexpr size_t kMaxDepth = 4096;  // deeper markup is not a document we can show


// Character data with its references resolved; an unknown reference stays as written.
std::wstring decodeText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += '&';
            continue;
        }
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        if (ref == "lt") out += '<';
        else if (ref == "gt") out += '>';
        else if (ref == "amp") out += '&';
        else if (ref == "quot") out += '"';
        else if (ref == "apos") out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x' || ref[1] == 'X';
            std::uint32_t cp = 0;
            bool ok = ref.size() > (hex ? 2u : 1u);
            for (char c : ref.substr(hex ? 2 : 1)) {
                int digit = -1;
                if (c >= '0' && c <= '9') digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
                if (digit < 0 || cp > 0x10FFFF) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (!ok) {
                out += '&';
                continue;
            }
            platform::appendUtf8(out, cp == 0 ? char32_t{0xFFFD} : char32_t{cp});
        } else {
            out += '&';
            continue;
        }
        i = semi;
    }
    return platform::fromUtf8(out);
}

bool isNameEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>'; }

}  // namespace

std::optional<std::wstring> XmlAttributeValue(std::string_view attributes, std::string_view wanted) {
    const bool qualified = wanted.find(':') != std::string_view::npos;
    size_t i = 0;
    while (i < attributes.size()) {
        while (i < attributes.size() && (attributes[i] == ' ' || attributes[i] == '\t' || attributes[i] == '\r' ||
                                         attributes[i] == '\n'))
            ++i;
        const size_t eq = attributes.find('=', i);
        if (eq == std::string_view::npos) return std::nullopt;
        std::string_view name = attributes.substr(i, eq - i);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r' || name.back() == '\n'))
            name.remove_suffix(1);
        size_t q = eq + 1;
        while (q < attributes.size() && attributes[q] != '"' && attributes[q] != '\'') ++q;
        if (q >= attributes.size()) return std::nullopt;
        const size_t close = attributes.find(attributes[q], q + 1);
        if (close == std::string_view::npos) return std::nullopt;
        if ((qualified ? name : LocalName(name)) == wanted) return decodeText(attributes.substr(q + 1, close - q - 1));
        i = close + 1;
    }
    return std::nullopt;
}

bool ScanXml(std::span<const std::uint8_t> xml, XmlHandler& handler) {
    std::string_view s(reinterpret_cast<const char*>(xml.data()), xml.size());
    if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
    size_t depth = 0;
    bool sawElement = false;
    size_t i = 0;
    while (i < s.size() && !handler.done()) {
        if (s[i] != '<') {
            const size_t next = s.find('<', i);
            const size_t end = next == std::string_view::npos ? s.size() : next;
            if (depth > 0) handler.text(decodeText(s.substr(i, end - i)));
            i = end;
            continue;
        }
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("<!--")) {
            const size_t end = s.find("-->", i + 4);
            if (end == std::string_view::npos) return false;
            i = end + 3;
        } else if (rest.starts_with("<![CDATA[")) {
            const size_t end = s.find("]]>", i + 9);
            if (end == std::string_view::npos) return false;
            if (depth > 0) handler.text(platform::fromUtf8(std::string(s.substr(i + 9, end - i - 9))));
            i = end + 3;
        } else if (rest.starts_with("<?")) {
            const size_t end = s.find("?>", i + 2);
            if (end == std::string_view::npos) return false;
            i = end + 2;
        } else if (rest.starts_with("<!")) {
            const size_t end = s.find('>', i + 2);  // a document type without an internal subset
            if (end == std::string_view::npos) return false;
            i = end + 1;
        } else {
            // A tag: find its end outside quoted attribute values.
            size_t j = i + 1;
            char quote = 0;
            while (j < s.size() && (quote || s[j] != '>')) {
                if (quote) {
                    if (s[j] == quote) quote = 0;
                } else if (s[j] == '"' || s[j] == '\'') {
                    quote = s[j];
                }
                ++j;
            }
            if (j >= s.size()) return false;
            std::string_view tag = s.substr(i + 1, j - i - 1);
            i = j + 1;
            if (tag.starts_with('/')) {
                if (depth == 0) return false;
                --depth;
                tag.remove_prefix(1);
                while (!tag.empty() && isNameEnd(tag.back())) tag.remove_suffix(1);
                handler.end(LocalName(tag));
                continue;
            }
            const bool empty = tag.ends_with('/');
            if (empty) tag.remove_suffix(1);
            size_t n = 0;
            while (n < tag.size() && !isNameEnd(tag[n])) ++n;
            if (n == 0) return false;
            const std::string_view name = LocalName(tag.substr(0, n));
            handler.start(name, tag.substr(n));
            sawElement = true;
            if (empty) handler.end(name);
            else if (++depth > kMaxDepth) return false;
        }
    }
    return sawElement && (depth == 0 || handler.done());
}

}  // namespace qm::preview
