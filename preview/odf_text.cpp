// Text of OpenDocument files (text, spreadsheet, presentation, chart): their content.xml.
#include <algorithm>
#include <vector>

#include "preview/package_parts.h"
#include "preview/xml_scan.h"

namespace qm::preview {
namespace {

// Repeated cells and spaces are written out up to these counts; files repeat empty cells to
// the end of the sheet.
constexpr unsigned kMaxRepeatedCells = 256;
constexpr unsigned kMaxSpaces = 256;

unsigned countAttribute(std::string_view attributes, std::string_view name, unsigned limit) {
    const auto value = XmlAttributeValue(attributes, name);
    if (!value) return 1;
    unsigned n = 0;
    for (wchar_t c : *value) {
        if (c < L'0' || c > L'9') return 1;
        n = std::min<unsigned>(n * 10 + static_cast<unsigned>(c - L'0'), limit);
    }
    return std::max(n, 1u);
}

class ContentHandler : public XmlHandler {
public:
    explicit ContentHandler(TextOut& out) : out_(out) {}
    void start(std::string_view name, std::string_view attributes) override {
        if (name == "p" || name == "h") {
            ++inParagraph_;
            lastWasSpace_ = false;
        } else if (name == "s") {
            out_.add(std::wstring(countAttribute(attributes, "c", kMaxSpaces), L' '));
        } else if (name == "tab") {
            out_.add(L'\t');
        } else if (name == "line-break") {
            out_.newline();
        } else if (name == "table-cell" || name == "covered-table-cell") {
            cells_.push_back({out_.size(), countAttribute(attributes, "number-columns-repeated", kMaxRepeatedCells)});
        } else if (name == "note-citation" || name == "tracked-changes") {
            ++skipped_;
        }
    }
    void end(std::string_view name) override {
        if (name == "p" || name == "h") {
            inParagraph_ = std::max(0, inParagraph_ - 1);
            if (inParagraph_ == 0) cells_.empty() ? out_.newline() : out_.add(L' ');
        } else if (name == "table-cell" || name == "covered-table-cell") {
            if (cells_.empty()) return;
            const Cell cell = cells_.back();
            cells_.pop_back();
            out_.trimLineEnd(cell.start);
            const std::wstring content = out_.tail(cell.start);
            out_.add(L'\t');
            for (unsigned i = 1; i < cell.repeat && !out_.full(); ++i) {
                out_.add(content);
                out_.add(L'\t');
            }
        } else if (name == "table-row") {
            out_.trimLineEnd();
            out_.newline();
        } else if (name == "page") {
            out_.blankLine();
        } else if (name == "note-citation" || name == "tracked-changes") {
            skipped_ = std::max(0, skipped_ - 1);
        }
    }
    void text(std::wstring_view text) override {
        if (!inParagraph_ || skipped_) return;
        // Whitespace in a paragraph's markup collapses to one blank, as the format says.
        for (wchar_t c : text) {
            const bool space = c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
            if (space && lastWasSpace_) continue;
            out_.add(space ? L' ' : c);
            lastWasSpace_ = space;
        }
    }
    bool done() const override { return out_.full(); }

private:
    struct Cell {
        size_t start;
        unsigned repeat;
    };
    TextOut& out_;
    std::vector<Cell> cells_;
    int inParagraph_ = 0, skipped_ = 0;
    bool lastWasSpace_ = false;
};

}  // namespace

int OdfText(Bytes file, TextOut& out) {
    ui::ZipArchive zip;
    if (OpenPackage(file, zip) != 0) return 13;
    const std::vector<std::uint8_t> content = PackagePart(zip, L"content.xml");
    if (content.empty()) return 13;
    ContentHandler handler(out);
    return ScanXml(content, handler) ? 0 : 13;
}

}  // namespace qm::preview
