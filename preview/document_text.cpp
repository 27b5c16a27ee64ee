#include "preview/document_text.h"

#include <cstdio>
#include <new>
#include <vector>

#include "platform/file.h"
#include "preview/document_text_parts.h"
#include "preview/preview_kind.h"

namespace qm::preview {
namespace {

// Larger files are not documents we can hold in memory to show a page of text.
constexpr std::uint64_t kMaxDocumentBytes = 256u << 20;

using Reader = int (*)(Bytes, TextOut&);

Reader readerFor(std::wstring_view extension) {
    struct Choice {
        const wchar_t* list;
        Reader reader;
    };
    static constexpr Choice kReaders[] = {
        {L"*.docx|*.docm|*.dotx|*.dotm", OoxmlWordText},
        {L"*.xlsx|*.xlsm", OoxmlSheetText},
        {L"*.pptx|*.ppsx|*.pptm|*.ppsm", OoxmlSlideText},
        {L"*.odt|*.ods|*.odp|*.odc", OdfText},
        {L"*.rtf", RtfText},
        {L"*.csv|*.ics|*.vcf", PlainText},
        {L"*.doc|*.dot", LegacyWordText},
        {L"*.xls|*.xlt", LegacySheetText},
        {L"*.ppt|*.pps", LegacySlideText},
    };
    for (const Choice& choice : kReaders)
        if (InExtensionList(choice.list, extension)) return choice.reader;
    return nullptr;
}

int readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    platform::File file;
    if (file.open(path, platform::OpenMode::ReadExisting) != 0) return 2;
    std::uint64_t size = 0;
    if (file.size(size) != 0) return 2;
    if (size > kMaxDocumentBytes) return 13;
    bytes.resize(static_cast<size_t>(size));
    size_t got = 0;
    if (platform::readFully(file, bytes.data(), bytes.size(), got) != 0) return 2;
    bytes.resize(got);
    return 0;
}

}  // namespace

void TextOut::blankLine() {
    if (text_.empty() || text_.ends_with(L"\r\n\r\n")) return;
    if (!text_.ends_with(L"\r\n")) newline();
    newline();
}

void TextOut::trimLineEnd(size_t notBefore) {
    while (text_.size() > notBefore && (text_.back() == L'\t' || text_.back() == L' ')) text_.pop_back();
}

std::wstring TextOut::finish() {
    if (text_.size() > kDocumentTextLimit) {
        size_t cut = kDocumentTextLimit;
        // Neither half of a line end nor of a surrogate pair is left behind.
        if (text_[cut - 1] == L'\r' && text_[cut] == L'\n') --cut;
        if (text_[cut - 1] >= 0xD800 && text_[cut - 1] <= 0xDBFF) --cut;
        text_.resize(cut);
    }
    while (text_.ends_with(L"\r\n")) text_.resize(text_.size() - 2);
    return std::move(text_);
}

wchar_t FromCp1252(std::uint8_t b) {
    static constexpr char16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                         0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? static_cast<wchar_t>(k80[b - 0x80]) : static_cast<wchar_t>(b);
}

std::wstring NumberText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return std::wstring(buffer, buffer + std::char_traits<char>::length(buffer));
}

int ExtractDocumentText(const std::wstring& path, std::wstring_view extension, std::wstring& text) {
    text.clear();
    try {
        const Reader reader = readerFor(extension);
        if (!reader) return 50;
        std::vector<std::uint8_t> bytes;
        if (int rc = readWholeFile(path, bytes); rc != 0) return rc;
        TextOut out;
        if (int rc = reader(bytes, out); rc != 0) return rc;
        text = out.finish();
        return 0;
    } catch (const std::bad_alloc&) {
        text.clear();
        return 8;  // not enough memory
    } catch (...) {
        text.clear();
        return 13;
    }
}

}  // namespace qm::preview
