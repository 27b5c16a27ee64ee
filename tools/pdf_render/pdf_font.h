// A page font as the text reader needs it: how its string bytes become characters and advances,
// and which system family, weight and slant stand in for it when painting.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/pdf_render/pdf_document.h"
#include "tools/pdf_render/pdf_page_model.h"
#include "tools/pdf_render/pdf_text_encoding.h"

namespace qm::pdf {

struct Glyph {
    std::wstring text;     // empty when the code has no known character
    double width = 0;      // advance in thousandths of the font size
    bool wordSpace = false;  // a single-byte code 32: word spacing applies
};

class Font {
public:
    void load(Document& document, const Object& fontDict);
    void decode(const std::string& bytes, std::vector<Glyph>& out) const;

    FontFamily family = FontFamily::Sans;
    bool bold = false, italic = false;

private:
    void loadToUnicode(Document& document, const Object& stream);
    void loadSimpleWidths(Document& document, const Object& fontDict);
    void loadCidWidths(Document& document, const Object& descendant);
    double widthOf(uint32_t code) const;

    bool twoByte_ = false;
    CodeTable encoding_{};
    std::map<uint32_t, std::wstring> toUnicode_;
    std::map<uint32_t, double> widths_;
    double defaultWidth_ = 500;
    double widthScale_ = 1;  // Type3 glyph space to thousandths of an em
};

}  // namespace qm::pdf
