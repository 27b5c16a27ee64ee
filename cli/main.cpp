// quillmere: the command-line front end on the recovery core.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/probe_command.h"

namespace {

void printUsage() {
    std::fputs(
        "usage: quillmere COMMAND [ARGS]\n"
        "\n"
        "commands:\n"
        "  probe IMAGE   tell the file system at the start of a disk image, its size and sector size\n"
        "\n"
        "exit codes: 0 success, 1 the source could not be read or classified, 2 bad usage\n",
        stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage();
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "probe") return qm::cli::RunProbe({args.begin() + 1, args.end()});
    std::fprintf(stderr, "quillmere: unknown command '%s' (see quillmere --help)\n", args[0].c_str());
    return 2;
}
