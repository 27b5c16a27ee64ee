// tool "PDF" [-f FIRST] [-l LAST] "PREFIX": renders pages FIRST..LAST (default the first) of a
// PDF file to PREFIX-NNNNNN.png, numbered by page. Exit 0 when every page was written.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tools/pdf_render/page_painter_win.h"
#include "tools/pdf_render/pdf_page_model.h"
#include "tools/pdf_render/png_writer.h"

namespace {

constexpr int kMaxPagesPerRun = 1000;
constexpr double kTargetWidthPixels = 900;
constexpr double kMaxHeightPixels = 5000;

int usage() {
    std::fwprintf(stderr, L"usage: tool PDF [-f first-page] [-l last-page] OUTPUT-PREFIX\n");
    return 2;
}

bool parsePage(const wchar_t* text, int& page) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    if (!*text || *end || value < 1 || value > 1000000) return false;
    page = static_cast<int>(value);
    return true;
}

bool readFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes.size() <= qm::pdf::kMaxFileSize)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return true;
}

bool writeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !ok) {
        _wremove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring input, prefix;
    int first = 1, last = 0;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"-f" || arg == L"-l") {
            if (i + 1 >= argc || !parsePage(argv[++i], arg == L"-f" ? first : last)) return usage();
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return usage();
        } else if (input.empty()) {
            input = arg;
        } else if (prefix.empty()) {
            prefix = arg;
        } else {
            return usage();
        }
    }
    if (last == 0) last = first;
    if (input.empty() || prefix.empty() || last < first || last - first >= kMaxPagesPerRun) return usage();

    std::vector<uint8_t> bytes;
    if (!readFile(input, bytes)) {
        std::fwprintf(stderr, L"tool: cannot read %ls\n", input.c_str());
        return 1;
    }
    for (int page = first; page <= last; ++page) {
        qm::pdf::PageModel model;
        const qm::pdf::Status status = qm::pdf::BuildPageModel(bytes, page, model);
        if (status != qm::pdf::Status::Ok) {
            std::fprintf(stderr, "tool: page %d: %s\n", page, qm::pdf::StatusText(status));
            return 1;
        }
        double scale = kTargetWidthPixels / model.width;
        if (model.height * scale > kMaxHeightPixels) scale = kMaxHeightPixels / model.height;
        qm::pdf::PagePicture picture;
        if (!qm::pdf::PaintPage(model, scale, picture)) {
            std::fprintf(stderr, "tool: page %d: cannot paint the page\n", page);
            return 1;
        }
        wchar_t suffix[32];
        std::swprintf(suffix, 32, L"-%06d.png", page);
        const std::vector<uint8_t> png = qm::pdf::EncodePng(picture.pixels.data(), picture.width, picture.height);
        if (png.empty() || !writeFile(prefix + suffix, png)) {
            std::fwprintf(stderr, L"tool: cannot write %ls%ls\n", prefix.c_str(), suffix);
            return 1;
        }
    }
    return 0;
}
