// A streaming reader of the XML inside office documents: start tags, end tags and text in
// document order. The skin DOM keeps an element's text apart from its children, which loses
// the order of mixed content ("a<span>b</span>c") that document text depends on, and caps the
// element count well below what a long document holds.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qm::preview {

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // `name` is the local name (prefix removed); `attributes` the raw attribute text of the tag.
    virtual void start(std::string_view name, std::string_view attributes) = 0;
    virtual void end(std::string_view name) = 0;
    // Character data with entities resolved, UTF-8 decoded.
    virtual void text(std::wstring_view text) = 0;
    // True stops the scan (the text is full).
    virtual bool done() const { return false; }
};

// Scans UTF-8 XML (a BOM is skipped). False when the markup is broken (unclosed tags and such,
// or no element at all); what was scanned before has been handed to the handler.
bool ScanXml(std::span<const std::uint8_t> xml, XmlHandler& handler);

// An attribute of a tag, entities resolved; nullopt when absent. A plain name matches by local
// name (any prefix); a name with a prefix ("r:id") only that exact name.
std::optional<std::wstring> XmlAttributeValue(std::string_view attributes, std::string_view name);

// The local part of a qualified name ("w:p" -> "p").
inline std::string_view LocalName(std::string_view name) {
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace qm::preview
