#include "tools/pdf_render/pdf_font.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/pdf_render/pdf_parser.h"

namespace qm::pdf {

namespace {

constexpr size_t kMaxMappedCodes = 1u << 17;

std::string lowerCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

uint32_t codeOf(const std::string& bytes) {
    uint32_t code = 0;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i) code = (code << 8) | static_cast<uint8_t>(bytes[i]);
    return code;
}

// UTF-16BE bytes of a CMap destination to a wide string.
std::wstring utf16be(const std::string& bytes) {
    std::wstring out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = (static_cast<uint8_t>(bytes[i]) << 8) | static_cast<uint8_t>(bytes[i + 1]);
        if constexpr (sizeof(wchar_t) == 4) {
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
                const uint32_t low = (static_cast<uint8_t>(bytes[i + 2]) << 8) | static_cast<uint8_t>(bytes[i + 3]);
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
        }
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

}  // namespace

void Font::load(Document& document, const Object& fontDict) {
    std::string baseName = document.get(fontDict, "BaseFont").text;
    if (baseName.size() > 7 && baseName[6] == '+') baseName = baseName.substr(7);  // subset tag
    const std::string subtype = document.get(fontDict, "Subtype").text;
    twoByte_ = subtype == "Type0";
    const Object* descendant = &fontDict;
    if (twoByte_) {
        const Object& descendants = document.get(fontDict, "DescendantFonts");
        if (descendants.isArray() && !descendants.array.empty()) descendant = &document.resolve(descendants.array[0]);
    }
    const Object& descriptor = document.get(*descendant, "FontDescriptor");
    const int flags = document.get(descriptor, "Flags").asInt(0);
    if (baseName.empty()) baseName = document.get(descriptor, "FontName").text;

    const std::string lower = lowerCase(baseName);
    if (contains(lower, "courier") || contains(lower, "mono") || contains(lower, "consol") || (flags & 1))
        family = FontFamily::Mono;
    else if (contains(lower, "sans") || contains(lower, "arial") || contains(lower, "helvetica"))
        family = FontFamily::Sans;
    else if (contains(lower, "times") || contains(lower, "serif") || contains(lower, "roman") ||
             contains(lower, "georgia") || contains(lower, "garamond") || contains(lower, "cambria") ||
             contains(lower, "palatino") || contains(lower, "minion") || (flags & 2))
        family = FontFamily::Serif;
    bold = contains(lower, "bold") || contains(lower, "black") || contains(lower, "heavy") ||
           contains(lower, "demi") || document.get(descriptor, "FontWeight").asNumber(400) >= 600 ||
           (flags & 0x40000);
    italic = contains(lower, "italic") || contains(lower, "oblique") || (flags & 0x40);

    const Object& toUnicode = document.get(fontDict, "ToUnicode");
    if (toUnicode.type == Object::Type::Stream) loadToUnicode(document, toUnicode);

    if (twoByte_) {
        loadCidWidths(document, *descendant);
        return;
    }
    const Object& encoding = document.get(fontDict, "Encoding");
    std::string baseEncoding = subtype == "TrueType" ? "WinAnsiEncoding" : "StandardEncoding";
    if (encoding.isName()) baseEncoding = encoding.text;
    const Object& namedBase = document.get(encoding, "BaseEncoding");
    if (namedBase.isName()) baseEncoding = namedBase.text;
    encoding_ = BaseEncoding(baseEncoding);
    const Object& differences = document.get(encoding, "Differences");
    if (differences.isArray()) {
        int code = 0;
        for (const Object& item : differences.array) {
            const Object& value = document.resolve(item);
            if (value.isNumber()) {
                code = value.asInt(0);
            } else if (value.isName()) {
                if (code >= 0 && code < 256) encoding_[code] = GlyphNameToUnicode(value.text);
                ++code;
            }
        }
    }
    const Object& fontMatrix = document.get(fontDict, "FontMatrix");
    if (subtype == "Type3" && fontMatrix.isArray() && !fontMatrix.array.empty())
        widthScale_ = std::fabs(document.resolve(fontMatrix.array[0]).asNumber(0.001)) * 1000;
    loadSimpleWidths(document, fontDict);
}

void Font::loadSimpleWidths(Document& document, const Object& fontDict) {
    // Fonts without /Widths (the standard ones) advance by a typical width of their family.
    defaultWidth_ = family == FontFamily::Mono ? 600 : family == FontFamily::Serif ? 480 : 540;
    const int first = document.get(fontDict, "FirstChar").asInt(0);
    const Object& widths = document.get(fontDict, "Widths");
    if (!widths.isArray() || first < 0 || first > 255) return;
    for (size_t i = 0; i < widths.array.size() && i < 256; ++i) {
        const Object& w = document.resolve(widths.array[i]);
        if (w.isNumber()) widths_[static_cast<uint32_t>(first + static_cast<int>(i))] = w.number * widthScale_;
    }
}

void Font::loadCidWidths(Document& document, const Object& descendant) {
    defaultWidth_ = document.get(descendant, "DW").asNumber(1000);
    const Object& w = document.get(descendant, "W");
    if (!w.isArray()) return;
    const auto& items = w.array;
    for (size_t i = 0; i + 1 < items.size() && widths_.size() < kMaxMappedCodes;) {
        const Object& first = document.resolve(items[i]);
        const Object& second = document.resolve(items[i + 1]);
        if (!first.isNumber()) break;
        const uint32_t start = static_cast<uint32_t>(std::max(0, first.asInt(0)));
        if (second.isArray()) {
            for (size_t k = 0; k < second.array.size() && widths_.size() < kMaxMappedCodes; ++k)
                widths_[start + static_cast<uint32_t>(k)] = document.resolve(second.array[k]).asNumber(defaultWidth_);
            i += 2;
        } else if (i + 2 < items.size()) {
            const int last = second.asInt(0);
            const double width = document.resolve(items[i + 2]).asNumber(defaultWidth_);
            for (int64_t c = start; c <= last && widths_.size() < kMaxMappedCodes; ++c)
                widths_[static_cast<uint32_t>(c)] = width;
            i += 3;
        } else {
            break;
        }
    }
}

void Font::loadToUnicode(Document& document, const Object& stream) {
    std::vector<uint8_t> data;
    if (!document.decodeStream(stream, data)) return;
    Parser parser(ByteView(data.data(), data.size()));
    enum { None, Char, Range } section = None;
    std::vector<Object> operands;
    while (!parser.atEnd() && toUnicode_.size() < kMaxMappedCodes) {
        Object token = parser.next();
        if (token.type != Object::Type::Keyword) {
            if (section != None) operands.push_back(std::move(token));
            if (operands.size() > 3) operands.erase(operands.begin());
            if (section == Char && operands.size() == 2) {
                if (operands[0].isString() && operands[1].isString())
                    toUnicode_[codeOf(operands[0].text)] = utf16be(operands[1].text);
                operands.clear();
            } else if (section == Range && operands.size() == 3) {
                const Object &lo = operands[0], &hi = operands[1], &dst = operands[2];
                if (lo.isString() && hi.isString()) {
                    const uint32_t from = codeOf(lo.text), to = codeOf(hi.text);
                    for (uint32_t c = from; c <= to && c - from < 65536 && toUnicode_.size() < kMaxMappedCodes; ++c) {
                        const uint32_t k = c - from;
                        if (dst.isString() && !dst.text.empty()) {
                            std::wstring text = utf16be(dst.text);
                            if (!text.empty()) text.back() = static_cast<wchar_t>(text.back() + k);
                            toUnicode_[c] = text;
                        } else if (dst.isArray() && k < dst.array.size() && dst.array[k].isString()) {
                            toUnicode_[c] = utf16be(dst.array[k].text);
                        }
                    }
                }
                operands.clear();
            }
            continue;
        }
        operands.clear();
        if (token.text == "beginbfchar") section = Char;
        else if (token.text == "beginbfrange") section = Range;
        else if (token.text == "endbfchar" || token.text == "endbfrange") section = None;
    }
}

double Font::widthOf(uint32_t code) const {
    const auto found = widths_.find(code);
    return found != widths_.end() ? found->second : defaultWidth_;
}

void Font::decode(const std::string& bytes, std::vector<Glyph>& out) const {
    out.clear();
    const size_t step = twoByte_ ? 2 : 1;
    for (size_t i = 0; i + step <= bytes.size(); i += step) {
        const uint32_t code = codeOf(bytes.substr(i, step));
        Glyph glyph;
        glyph.width = widthOf(code);
        glyph.wordSpace = !twoByte_ && code == 32;
        const auto mapped = toUnicode_.find(code);
        if (mapped != toUnicode_.end())
            glyph.text = mapped->second;
        else if (!twoByte_ && encoding_[code])
            glyph.text.assign(1, static_cast<wchar_t>(encoding_[code]));
        out.push_back(std::move(glyph));
    }
}

}  // namespace qm::pdf
