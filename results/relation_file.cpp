#include "results/relation_file.h"

#include <limits>

namespace qm {
namespace {

constexpr std::string_view kItemStart = " | ";
constexpr std::string_view kListStart = "- [";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Unsigned decimal at pos; false when there is no digit or the value does not fit.
bool parseKey(std::string_view text, size_t& pos, uint64_t& value) {
    value = 0;
    const size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        const uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
        ++pos;
    }
    return pos > start;
}

}  // namespace

void appendRelationItem(std::string& text, ParentKey key, const std::vector<int32_t>& children) {
    text += kItemStart;
    text += std::to_string(key.value);
    text += " - [";
    for (size_t i = 0; i < children.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(children[i]);
    }
    text += ']';
}

std::string formatRelations(const RelationMap& relations) {
    std::string text;
    for (const auto& [key, children] : relations) appendRelationItem(text, key, children);
    return text;
}

void parseRelations(std::string_view text, RelationMap& out) {
    size_t pos = 0;
    while ((pos = text.find(kItemStart, pos)) != std::string_view::npos) {
        size_t p = pos + kItemStart.size();
        uint64_t key = 0;
        if (!parseKey(text, p, key)) {
            pos = p;
            continue;
        }
        const size_t list = text.find(kListStart, p);
        const size_t next = text.find(kItemStart, p);
        if (list == std::string_view::npos || (next != std::string_view::npos && next < list)) {
            pos = p;  // no child list before the next item: not an item
            continue;
        }
        // A number counts only once a "," or "]" ends it, so a cut-off last number is dropped.
        std::vector<int32_t> children;
        uint64_t number = 0;
        bool digits = false, bad = false;
        auto take = [&] {
            if (digits && !bad && number <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
                children.push_back(static_cast<int32_t>(number));
            number = 0;
            digits = bad = false;
        };
        size_t i = list + kListStart.size();
        size_t resume = text.size();
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (isDigit(c)) {
                if (number <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
                    number = number * 10 + static_cast<uint64_t>(c - '0');
                else
                    bad = true;
                digits = true;
            } else if (c == ',') {
                take();
            } else if (c == ']') {
                take();
                resume = i;
                break;
            } else if (c == '|') {
                resume = i > 0 ? i - 1 : i;  // the next item begins: this one was cut short
                break;
            } else {
                bad = true;
            }
        }
        out[ParentKey(key)] = std::move(children);
        pos = resume;
    }
}

}  // namespace qm
