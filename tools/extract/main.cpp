// Extract l "ARCHIVE": prints the archive's entries as a table.
// Exit codes: 0 listed, 1 usage error or not a readable archive, 2 the file cannot be opened.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "platform/console.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "tools/extract/archive_lister.h"

namespace {

void Write(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

int Run(const std::wstring& command, const std::wstring& path) {
    using namespace qm;
    if (command != L"l") {
        Write(stderr, "Usage: Extract l ARCHIVE\n");
        return 1;
    }
    extract::FileSource source;
    if (const int rc = source.open(path); rc != 0) {
        Write(stderr, "cannot open " + platform::toUtf8(path) + ": " + platform::toUtf8(platform::errorMessage(rc)) + "\n");
        return 2;
    }
    const std::wstring::size_type slash = path.find_last_of(L"/\\");
    const std::string name = platform::toUtf8(slash == std::wstring::npos ? path : path.substr(slash + 1));
    extract::ArchiveListing listing;
    std::string error;
    if (extract::ListArchive(source, name, listing, error) != extract::ListStatus::Listed) {
        Write(stderr, name + ": " + error + "\n");
        return 1;
    }
    Write(stdout, extract::FormatListingTable(listing, name));
    return 0;
}

int RunArguments(int argc, const std::wstring* argv) {
    qm::platform::prepareConsole();
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 bytes and "\n" exactly as formatted
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc != 3) {
        Write(stderr, "Usage: Extract l ARCHIVE\n");
        return 1;
    }
    return Run(argv[1], argv[2]);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::wstring args[3];
    for (int i = 0; i < argc && i < 3; ++i) args[i] = argv[i];
    return RunArguments(argc, args);
}
#else
int main(int argc, char** argv) {
    std::wstring args[3];
    for (int i = 0; i < argc && i < 3; ++i) args[i] = qm::platform::fromUtf8(argv[i]);
    return RunArguments(argc, args);
}
#endif
