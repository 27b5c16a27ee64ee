// Skin files as they come out of the archive: the XML reader, and the attribute syntax readers over
// every attribute value it returns, must never crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ui/core/markup.h"
#include "ui/core/skin_values.h"
#include "ui/core/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qm::ui::XmlParseResult r = qm::ui::ParseXml(std::span<const std::uint8_t>(data, size));
    if (!r.ok) {
        if (r.error.empty()) __builtin_trap();  // a refusal always says why
        return 0;
    }
    std::vector<const qm::ui::XmlElement*> pending{&r.root};
    while (!pending.empty()) {
        const qm::ui::XmlElement* e = pending.back();
        pending.pop_back();
        for (const auto& a : e->attributes) {
            if (e->attribute(a.name) == nullptr) __builtin_trap();
            std::uint32_t argb;
            qm::ui::UiRect rect;
            int cx, cy;
            bool flag;
            qm::ui::ImageAttributes image;
            std::wstring error;
            qm::ui::ParseColor(a.value, argb);
            qm::ui::ParseRect(a.value, rect);
            qm::ui::ParseSize(a.value, cx, cy);
            qm::ui::ParseBool(a.value, flag);
            if (!qm::ui::ParseImageAttributes(a.value, image, &error) && error.empty()) __builtin_trap();
            qm::ui::StripMarkup(a.value);
        }
        for (const auto& child : e->children) pending.push_back(&child);
    }
    return 0;
}
