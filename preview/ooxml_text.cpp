// Text of office XML packages: word-processing, spreadsheet and presentation documents.
#include <algorithm>
#include <cwctype>
#include <vector>

#include "preview/package_parts.h"
#include "preview/xml_scan.h"

namespace qm::preview {
namespace {

// Paragraphs one per line; runs' text, tabs and breaks; table cells separated by tabs.
class WordHandler : public XmlHandler {
public:
    explicit WordHandler(TextOut& out) : out_(out) {}
    void start(std::string_view name, std::string_view) override {
        if (name == "Fallback") ++inFallback_;
        if (inFallback_) return;
        if (name == "t") ++inText_;
        else if (name == "r") ++inRun_;
        else if (name == "tc") cells_.push_back(out_.size());
        else if (inRun_ && name == "tab") out_.add(L'\t');
        else if (inRun_ && (name == "br" || name == "cr")) out_.newline();
        else if (inRun_ && name == "noBreakHyphen") out_.add(L'-');
    }
    void end(std::string_view name) override {
        if (name == "Fallback") inFallback_ = std::max(0, inFallback_ - 1);
        if (inFallback_ || name == "Fallback") return;
        if (name == "t") inText_ = std::max(0, inText_ - 1);
        else if (name == "r") inRun_ = std::max(0, inRun_ - 1);
        else if (name == "p") cells_.empty() ? out_.newline() : out_.add(L' ');
        else if (name == "tc" && !cells_.empty()) {
            out_.trimLineEnd(cells_.back());
            cells_.pop_back();
            out_.add(L'\t');
        } else if (name == "tr") {
            out_.trimLineEnd();
            out_.newline();
        }
    }
    void text(std::wstring_view text) override {
        if (inText_ && !inFallback_) out_.add(text);
    }
    bool done() const override { return out_.full(); }

private:
    TextOut& out_;
    int inText_ = 0, inRun_ = 0;
    int inFallback_ = 0;  // the older markup a file carries beside its text boxes: the same text again
    std::vector<size_t> cells_;  // where each open table cell's text begins
};

// Presentation text: paragraphs of the slide's shapes.
class SlideHandler : public XmlHandler {
public:
    explicit SlideHandler(TextOut& out) : out_(out) {}
    void start(std::string_view name, std::string_view) override {
        if (name == "t") ++inText_;
        else if (name == "br") out_.newline();
    }
    void end(std::string_view name) override {
        if (name == "t") inText_ = std::max(0, inText_ - 1);
        else if (name == "p") out_.newline();
    }
    void text(std::wstring_view text) override {
        if (inText_) out_.add(text);
    }
    bool done() const override { return out_.full(); }

private:
    TextOut& out_;
    int inText_ = 0;
};

// The shared strings: the text of each "si" (phonetic runs left out).
class SharedStringsHandler : public XmlHandler {
public:
    explicit SharedStringsHandler(std::vector<std::wstring>& strings) : strings_(strings) {}
    void start(std::string_view name, std::string_view) override {
        if (name == "si") strings_.emplace_back(), inItem_ = true;
        else if (name == "t") ++inText_;
        else if (name == "rPh") ++inPhonetic_;
    }
    void end(std::string_view name) override {
        if (name == "si") inItem_ = false;
        else if (name == "t") inText_ = std::max(0, inText_ - 1);
        else if (name == "rPh") inPhonetic_ = std::max(0, inPhonetic_ - 1);
    }
    void text(std::wstring_view text) override {
        if (inItem_ && inText_ && !inPhonetic_ && strings_.back().size() < kDocumentTextLimit) strings_.back() += text;
    }
    bool done() const override { return strings_.size() > (1u << 20); }

private:
    std::vector<std::wstring>& strings_;
    bool inItem_ = false;
    int inText_ = 0, inPhonetic_ = 0;
};

// "B3" -> 1 (zero-based column); -1 when there is no column.
int columnOf(const std::wstring& reference) {
    int column = 0;
    size_t i = 0;
    for (; i < reference.size() && i < 3 && std::iswalpha(static_cast<wint_t>(reference[i])); ++i)
        column = column * 26 + (std::towupper(static_cast<wint_t>(reference[i])) - L'A' + 1);
    return i == 0 ? -1 : column - 1;
}

// Worksheet cells row by row; a tab between cells, empty cells keep their tabs.
class SheetHandler : public XmlHandler {
public:
    SheetHandler(TextOut& out, const std::vector<std::wstring>& shared) : out_(out), shared_(shared) {}
    void start(std::string_view name, std::string_view attributes) override {
        if (name == "row") {
            nextColumn_ = tabs_ = 0;
        } else if (name == "c") {
            const auto ref = XmlAttributeValue(attributes, "r");
            const int at = ref ? columnOf(*ref) : -1;
            const int target = at >= nextColumn_ ? at : nextColumn_;
            for (; tabs_ < target; ++tabs_) out_.add(L'\t');
            nextColumn_ = target + 1;
            type_ = XmlAttributeValue(attributes, "t").value_or(L"n");
            value_.clear();
        } else if (name == "v" || name == "t") {
            ++inValue_;
        }
    }
    void end(std::string_view name) override {
        if (name == "v" || name == "t") {
            inValue_ = std::max(0, inValue_ - 1);
        } else if (name == "c") {
            if (type_ == L"s") {
                size_t index = 0;
                bool ok = !value_.empty() && value_.size() < 10;
                for (wchar_t c : value_) ok = ok && c >= L'0' && c <= L'9', index = index * 10 + (c - L'0');
                if (ok && index < shared_.size()) out_.add(shared_[index]);
            } else if (type_ == L"b") {
                out_.add(value_ == L"1" ? L"TRUE" : L"FALSE");
            } else {
                out_.add(value_);
            }
        } else if (name == "row") {
            out_.trimLineEnd();
            out_.newline();
        }
    }
    void text(std::wstring_view text) override {
        if (inValue_ && value_.size() < kDocumentTextLimit) value_ += text;
    }
    bool done() const override { return out_.full(); }

private:
    TextOut& out_;
    const std::vector<std::wstring>& shared_;
    int nextColumn_ = 0, tabs_ = 0;
    int inValue_ = 0;
    std::wstring type_, value_;
};

// The first "sheet" of the workbook, or the first presentation's slides: ids of relationships.
class IdListHandler : public XmlHandler {
public:
    explicit IdListHandler(std::string_view element) : element_(element) {}
    void start(std::string_view name, std::string_view attributes) override {
        if (name != element_) return;
        if (auto id = XmlAttributeValue(attributes, "r:id")) ids.push_back(*id);
    }
    void end(std::string_view) override {}
    void text(std::wstring_view) override {}
    bool done() const override { return ids.size() > 100000; }
    std::vector<std::wstring> ids;

private:
    std::string_view element_;
};

// The relationship targets of `source` named by `element`'s r:id attributes, in order.
std::vector<std::wstring> orderedParts(const ui::ZipArchive& zip, const std::wstring& source, std::string_view element) {
    IdListHandler handler(element);
    ScanXml(PackagePart(zip, source), handler);
    const auto rels = PartRelationships(zip, source);
    std::vector<std::wstring> parts;
    for (const std::wstring& id : handler.ids)
        if (auto it = rels.find(id); it != rels.end()) parts.push_back(it->second);
    return parts;
}

// "ppt/slides/slide12.xml" -> 12; 0 when the name is not a slide.
unsigned slideNumber(const std::wstring& name) {
    const std::wstring prefix = L"ppt/slides/slide", suffix = L".xml";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    unsigned n = 0;
    for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
        if (name[i] < L'0' || name[i] > L'9' || n > 1000000) return 0;
        n = n * 10 + static_cast<unsigned>(name[i] - L'0');
    }
    return n;
}

}  // namespace

int OoxmlWordText(Bytes file, TextOut& out) {
    ui::ZipArchive zip;
    if (OpenPackage(file, zip) != 0) return 13;
    const std::vector<std::uint8_t> body = PackagePart(zip, L"word/document.xml");
    if (body.empty()) return 13;
    WordHandler handler(out);
    return ScanXml(body, handler) ? 0 : 13;
}

int OoxmlSheetText(Bytes file, TextOut& out) {
    ui::ZipArchive zip;
    if (OpenPackage(file, zip) != 0) return 13;
    std::vector<std::wstring> shared;
    SharedStringsHandler strings(shared);
    ScanXml(PackagePart(zip, L"xl/sharedStrings.xml"), strings);
    const std::vector<std::wstring> sheets = orderedParts(zip, L"xl/workbook.xml", "sheet");
    std::vector<std::uint8_t> sheet;
    if (!sheets.empty()) sheet = PackagePart(zip, sheets.front());
    if (sheet.empty()) sheet = PackagePart(zip, L"xl/worksheets/sheet1.xml");
    if (sheet.empty()) return 13;
    SheetHandler handler(out, shared);
    return ScanXml(sheet, handler) ? 0 : 13;
}

int OoxmlSlideText(Bytes file, TextOut& out) {
    ui::ZipArchive zip;
    if (OpenPackage(file, zip) != 0) return 13;
    std::vector<std::wstring> slides = orderedParts(zip, L"ppt/presentation.xml", "sldId");
    if (slides.empty()) {
        std::vector<std::pair<unsigned, std::wstring>> numbered;
        for (const std::wstring& name : zip.names())
            if (unsigned n = slideNumber(name)) numbered.emplace_back(n, name);
        std::sort(numbered.begin(), numbered.end());
        for (auto& [n, name] : numbered) slides.push_back(name);
    }
    if (slides.empty()) return zip.contains(L"ppt/presentation.xml") ? 0 : 13;
    for (const std::wstring& name : slides) {
        if (out.full()) break;
        out.blankLine();
        SlideHandler handler(out);
        ScanXml(PackagePart(zip, name), handler);  // a damaged slide leaves the others
    }
    return 0;
}

}  // namespace qm::preview
