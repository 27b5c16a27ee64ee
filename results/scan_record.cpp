#include "results/scan_record.h"

#include <cstring>

#include "platform/text.h"

namespace qm {
namespace {

unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// An extension worth keeping when a name is cut: a "." that is not the first byte, with
// room left for some of the stem.
constexpr size_t kMaxKeptExtension = 64;

}  // namespace

void setNameField(char (&field)[kRecordNameBytes], std::string_view utf8) {
    if (const size_t nul = utf8.find('\0'); nul != std::string_view::npos) utf8 = utf8.substr(0, nul);
    constexpr size_t room = kRecordNameBytes - 1;  // keep the terminating NUL
    std::string text(utf8);
    if (text.size() > room) {
        const size_t dot = text.rfind('.');
        const size_t extLength = dot == std::string::npos ? 0 : text.size() - dot;
        if (dot != std::string::npos && dot > 0 && extLength <= kMaxKeptExtension) {
            text = platform::truncateUtf8(text.substr(0, dot), room - extLength) + text.substr(dot);
        } else {
            text = platform::truncateUtf8(text, room);
        }
    }
    std::memset(field, 0, kRecordNameBytes);
    std::memcpy(field, text.data(), text.size());
}

std::string_view nameFieldView(const char (&field)[kRecordNameBytes]) {
    size_t length = 0;
    while (length < kRecordNameBytes && field[length] != '\0') ++length;
    return std::string_view(field, length);
}

std::string nameFieldText(const char (&field)[kRecordNameBytes]) { return std::string(nameFieldView(field)); }

std::string recordExtensionLower(const ScanRecord& record) {
    const std::string_view name = nameFieldView(record.name);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    for (auto& c : ext) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    return ext;
}

int compareNamesIgnoreCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool recordOrderLess(const ScanRecord& a, const ScanRecord& b) {
    const bool aFolder = a.isFolder != 0;
    const bool bFolder = b.isFolder != 0;
    if (aFolder != bFolder) return !aFolder;
    return compareNamesIgnoreCase(nameFieldView(a.name), nameFieldView(b.name)) < 0;
}

}  // namespace qm
