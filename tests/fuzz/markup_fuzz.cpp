// Label and list-cell markup from language files and from names on damaged volumes: the tokeniser must
// never crash or hang, every element it opens it closes, and escaped text always reads back as itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/core/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two bytes per character, so the tokeniser sees any UTF-16 code unit, surrogates included.
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

    const qm::ui::MarkupParseResult r = qm::ui::ParseMarkup(text);
    if (!r.ok && r.error.empty()) __builtin_trap();
    int depth = 0;
    bool lastWasText = false;
    for (const auto& t : r.tokens) {
        const bool isText = t.kind == qm::ui::MarkupToken::Kind::Text;
        if (isText && (t.text.empty() || lastWasText)) __builtin_trap();  // texts merged, none empty
        lastWasText = isText;
        if (t.kind == qm::ui::MarkupToken::Kind::Open) ++depth;
        if (t.kind == qm::ui::MarkupToken::Kind::Close && --depth < 0) __builtin_trap();
    }
    if (depth != 0) __builtin_trap();
    qm::ui::StripMarkup(text);

    const std::wstring escaped = qm::ui::EscapeMarkup(text);
    if (qm::ui::StripMarkup(escaped) != text || !qm::ui::ParseMarkup(escaped).ok) __builtin_trap();
    return 0;
}
