#include "preview/text_dump.h"

#include <vector>

#include "platform/file.h"

namespace qm::preview {

std::wstring TextDump(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    text.reserve(bytes.size() + 2 * (bytes.size() / kTextDumpLine + 1));
    for (size_t i = 0; i < bytes.size(); ++i) {
        text += bytes[i] == 0 ? L'.' : static_cast<wchar_t>(bytes[i]);
        if ((i + 1) % kTextDumpLine == 0) text += L"\r\n";
    }
    if (bytes.size() % kTextDumpLine != 0) text += L"\r\n";
    return text;
}

std::wstring TextDumpOfFile(const std::wstring& path, size_t limit) {
    platform::File file;
    if (file.open(path, platform::OpenMode::ReadExisting) != 0) return std::wstring();
    std::vector<std::uint8_t> bytes(limit);
    size_t got = 0;
    while (got < limit) {
        uint32_t n = 0;
        if (file.read(bytes.data() + got, static_cast<uint32_t>(limit - got), n) != 0 || n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return TextDump(bytes);
}

}  // namespace qm::preview
