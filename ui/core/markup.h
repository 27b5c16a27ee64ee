// The inline text markup of labels and list cells, in brace form ("{f 7}..{/f}") and angle form ("<x 6>").
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qm::ui {

// Elements: {b}..{/b} bold, {i}..{/i} italic, {u}..{/u} underline, {f N}..{/f} font N (also closed by
// "{/<digits>}", as in "{f 5}...{/5}"), {c #AARRGGBB}..{/c} colour, {x N} horizontal spacing, {y N} vertical
// spacing, {i name [frames] [index]} image (not italic when it has an argument), {a [arg]}..{/a} link,
// {n} new line, {p}..{/p} paragraph, {s}..{/s} selected. The same letters in <...> form the angle form.
// "{{" and "<<" stand for a literal '{' and '<'.
struct MarkupToken {
    enum class Kind { Text, Open, Close, Single } kind = Kind::Text;
    wchar_t tag = 0;        // 'b','i','u','f','c','x','y','a','n','p','s' ; 'I' for an image element
    std::wstring argument;  // raw argument text after the tag letter, trimmed
    std::wstring text;      // for Kind::Text: the literal text (escapes undone)
};

struct MarkupParseResult {
    bool ok = true;
    std::vector<MarkupToken> tokens;  // adjacent texts merged; every Open has its Close
    std::wstring error;               // the first problem found
};

// Never fails hard: unknown or unbalanced elements come out as literal text and ok=false with a message.
MarkupParseResult ParseMarkup(std::wstring_view text);
std::wstring StripMarkup(std::wstring_view text);  // the plain text a user reads; {n} becomes a line break
// Text that ParseMarkup reads back as exactly `text` (for file names and other outside text).
std::wstring EscapeMarkup(std::wstring_view text);
// The argument of an image element, "name [frames] [index]": frames defaults to 1, index to 0.
// false when it is not of that form, frames is below 1 or index is outside 0..frames-1.
bool ParseMarkupImage(std::wstring_view argument, std::wstring& file, int& frames, int& index);

}  // namespace qm::ui
