// Turn a previewed document or archive into something the preview box can show: text (office
// documents through the installed office program or our own reader, archives as the lister's
// table) or a picture (the first page of a PDF).
#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace qm::app {

class CDocumentConverter {
public:
    virtual ~CDocumentConverter() = default;
    // 0 and the text (or, for a picture, its path) on success; nonzero otherwise.
    virtual int Convert(const std::wstring& source, std::wstring& out) = 0;
};

// Word-processor documents: the first 2048 characters.
class CWord : public CDocumentConverter {
public:
    static constexpr long kTextChars = 2048;
    int Convert(const std::wstring& source, std::wstring& out) override;
};

// Spreadsheets: the cells of the active sheet, tab between cells, a line per row.
class CExcel : public CDocumentConverter {
public:
    int Convert(const std::wstring& source, std::wstring& out) override;
};

// Presentations: the text of every shape, slide by slide, a line per shape.
class CPPT : public CDocumentConverter {
public:
    int Convert(const std::wstring& source, std::wstring& out) override;
};

// The first page rendered by tool.exe, moved over tmp.jpg of the preview folder; out is that path.
class CPDF : public CDocumentConverter {
public:
    static constexpr unsigned kTimeoutMs = 20000;
    int Convert(const std::wstring& source, std::wstring& out) override;
};

// The table Extract.exe lists of the archive.
class CZIP : public CDocumentConverter {
public:
    static constexpr unsigned kTimeoutMs = 20000;
    int Convert(const std::wstring& source, std::wstring& out) override;
};

// By the lower-case extension without its dot; nullptr when the file needs no converter.
std::unique_ptr<CDocumentConverter> CreateConverter(std::wstring_view extension);

}  // namespace qm::app
