#include "cli/xml_text.h"

#include "platform/text.h"

namespace qm::cli {

std::string XmlEscape(const std::string& utf8) {
    // The round trip through wide text replaces invalid sequences.
    const std::string text = platform::toUtf8(platform::fromUtf8(utf8));
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '&': out += "&amp;"; continue;
            case '<': out += "&lt;"; continue;
            case '>': out += "&gt;"; continue;
            case '"': out += "&quot;"; continue;
            case '\'': out += "&apos;"; continue;
            case '\t': out += "&#9;"; continue;
            case '\n': out += "&#10;"; continue;
            case '\r': out += "&#13;"; continue;
            default: break;
        }
        if (c < 0x20) {
            out += kReplacement;
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
            out += kReplacement;  // U+FFFE and U+FFFF are not characters
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace qm::cli
