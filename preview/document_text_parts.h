// Internals of ExtractDocumentText: one reader per document family over the file's bytes, and
// the text they build. Each returns 0, 13 (damaged / not that format) or 50 (no reader).
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "preview/document_text.h"

namespace qm::preview {

// Text with "\r\n" line ends that stops growing past the preview's limit.
class TextOut {
public:
    bool full() const { return text_.size() >= kDocumentTextLimit; }
    void add(wchar_t c) {
        if (!full()) text_ += c;
    }
    void add(std::wstring_view s) {
        if (!full()) text_.append(s.substr(0, kDocumentTextLimit + 2 - text_.size()));
    }
    void newline() { add(L"\r\n"); }
    // A blank line between sections (slides, pages), not at the start and not doubled.
    void blankLine();
    // Drops trailing tabs and blanks (empty cells at a row's end), none before `notBefore`.
    void trimLineEnd(size_t notBefore = 0);
    bool empty() const { return text_.empty(); }
    size_t size() const { return text_.size(); }
    std::wstring tail(size_t from) const { return from < text_.size() ? text_.substr(from) : std::wstring(); }
    // The text cut to the limit on a character boundary, trailing line ends removed.
    std::wstring finish();

private:
    std::wstring text_;
};

using Bytes = std::span<const std::uint8_t>;

int OoxmlWordText(Bytes file, TextOut& out);
int OoxmlSheetText(Bytes file, TextOut& out);
int OoxmlSlideText(Bytes file, TextOut& out);
int OdfText(Bytes file, TextOut& out);
int RtfText(Bytes file, TextOut& out);
int PlainText(Bytes file, TextOut& out);
int LegacyWordText(Bytes file, TextOut& out);
int LegacySheetText(Bytes file, TextOut& out);
int LegacySlideText(Bytes file, TextOut& out);

// A byte of Windows code page 1252 (its 0x80-0x9F letters; Latin-1 elsewhere).
wchar_t FromCp1252(std::uint8_t b);
// A number as a sheet stores it: integers without a point, others with up to 15 digits.
std::wstring NumberText(double value);

}  // namespace qm::preview
