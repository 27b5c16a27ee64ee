// A small DOM for skin files: elements, attributes and text, nothing more.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm::ui {

struct XmlAttribute {
    std::wstring name;
    std::wstring value;
};

struct XmlElement {
    std::wstring name;
    std::vector<XmlAttribute> attributes;  // document order
    std::vector<XmlElement> children;      // document order
    std::wstring text;                     // character data and CDATA directly inside, concatenated
    int line = 0;                          // where the start tag begins, for the builder's messages

    // nullptr when absent; names compare exactly.
    const std::wstring* attribute(std::wstring_view name) const;
};

struct XmlParseResult {
    bool ok = false;
    XmlElement root;
    std::wstring error;  // "line N: what is wrong"
    int line = 0;        // the line of the fault; 0 when the fault has no place (input too large)
};

// Bounds that keep hostile input from exhausting the stack or memory.
inline constexpr size_t kXmlMaxInputBytes = 16u << 20;
inline constexpr int kXmlMaxDepth = 256;
inline constexpr size_t kXmlMaxElements = 1u << 18;
inline constexpr size_t kXmlMaxAttributes = 1u << 20;

// Bytes as stored: UTF-8 (with or without BOM) or UTF-16LE with BOM. Entities, &#n; &#xh;, comments,
// <?xml ... ?>, CDATA. Malformed input -> ok=false with a message naming the line. Depth and size bounded.
XmlParseResult ParseXml(std::span<const std::uint8_t> bytes);

}  // namespace qm::ui
