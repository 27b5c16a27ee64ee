#include "cli/options.h"

#include <algorithm>
#include <cctype>

namespace qm::cli {
namespace {

const char* const kGroups[] = {"photo", "audio", "video", "document", "archive", "other"};

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    for (char c : text + ",") {
        if (c == ',') {
            while (!item.empty() && item.front() == '.') item.erase(item.begin());
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else if (c != ' ') {
            item += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return items;
}

bool takesSource(const std::string& command) {
    return command == "scan" || command == "list" || command == "recover" || command == "probe" ||
           command == "image";
}

}  // namespace

int ParseOptions(const std::vector<std::string>& args, CliOptions& out, std::string& error) {
    out = CliOptions{};
    if (args.empty()) {
        error = "no command given";
        return 2;
    }
    out.command = args[0];
    if (out.command == "--help" || out.command == "-h" || out.command == "help") {
        out.help = true;
        out.command = args.size() > 1 ? args[1] : "";
        return 0;
    }
    if (!takesSource(out.command) && out.command != "media") {
        error = "unknown command '" + out.command + "'";
        return 2;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            target = args[++i];
            return true;
        };
        std::string list;
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--fast") {
            out.deep = false;
        } else if (a == "--deep") {
            out.deep = true;
        } else if (a == "--resume") {
            out.resume = true;
            out.deep = true;
        } else if (a == "--json") {
            out.json = true;
        } else if (a == "--tree") {
            out.tree = true;
        } else if (a == "--type") {
            if (!value(list)) return 2;
            for (auto& t : splitList(list)) out.types.push_back(t);
        } else if (a == "--group") {
            if (!value(list)) return 2;
            for (auto& g : splitList(list)) {
                if (g == "others") g = "other";
                if (std::find(std::begin(kGroups), std::end(kGroups), g) == std::end(kGroups)) {
                    error = "unknown group '" + g + "' (photo, audio, video, document, archive, other)";
                    return 2;
                }
                out.groups.push_back(g);
            }
        } else if (a == "--to") {
            if (!value(out.destination)) return 2;
        } else if (a == "--state-dir") {
            if (!value(out.stateDir)) return 2;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return 2;
        } else if (out.source.empty()) {
            out.source = a;
        } else {
            error = "more than one source given ('" + out.source + "' and '" + a + "')";
            return 2;
        }
    }
    if (out.help) return 0;
    if (out.command == "media") {
        if (!out.source.empty()) {
            error = "media takes no source";
            return 2;
        }
        return 0;
    }
    if (out.source.empty()) {
        error = "no source given";
        return 2;
    }
    if (out.command == "recover" && out.destination.empty()) {
        error = "recover needs --to DIR";
        return 2;
    }
    if (out.command == "image" && out.destination.empty()) {
        error = "image needs --to FILE.img";
        return 2;
    }
    return 0;
}

std::string HelpText(const std::string& command) {
    const std::string exits =
        "\nexit codes:\n"
        "  0  success\n"
        "  1  the source could not be read, or holds no file system this mode knows\n"
        "  2  bad usage\n"
        "  3  some files could not be recovered, or the destination could not be used\n"
        "  4  interrupted with Ctrl-C (what was found so far is still reported)\n";
    const std::string common =
        "  --deep            (default) read the file system's own records, then every free\n"
        "                    sector: files of formatted or damaged volumes, and files found by\n"
        "                    their content alone\n"
        "  --fast            read the file system's own records for deleted files only\n"
        "  --resume          continue an interrupted deep scan of the same, unchanged source\n"
        "                    (without it, an interrupted deep scan is discarded and started afresh);\n"
        "                    with recover, also an interrupted recovery into the same --to folder:\n"
        "                    files already there with their size are not copied again\n"
        "  --state-dir DIR   keep scan logs and the scan history in DIR\n";
    const std::string filters =
        "  --type EXT,...    only files with these extensions (jpg,pdf,...)\n"
        "  --group G,...     only these groups: photo, audio, video, document, archive, other\n"
        "  --json            one JSON document on standard output (schema in the README)\n";
    if (command == "scan")
        return "usage: quillmere scan SOURCE [--fast|--deep|--resume] [--json] [--state-dir DIR]\n"
               "Scans SOURCE (a disk image, or a disk or partition named by 'quillmere media') and prints how many files of each group were found.\n\n" +
               common + "  --json            one JSON document on standard output\n" + exits;
    if (command == "list")
        return "usage: quillmere list SOURCE [--fast|--deep|--resume] [--type EXT,...] [--group G,...] [--tree] [--json]\n"
               "Scans SOURCE and lists what was found: name, folder, size, times, condition, engine.\n\n" +
               common + filters + "  --tree            list folders and files as a tree instead of by type\n" + exits;
    if (command == "recover")
        return "usage: quillmere recover SOURCE --to DIR [--fast|--deep|--resume] [--type EXT,...] [--group G,...] [--json]\n"
               "Scans SOURCE and copies the files found into DIR/<group>/, never overwriting anything\n"
               "(a taken name gets a counter: IMG_1(1).JPG). SOURCE itself is only read.\n\n"
               "  --to DIR          where recovered files go; must not lie on the scanned medium\n" +
               common + filters + exits;
    if (command == "media")
        return "usage: quillmere media [--json]\n"
               "Lists the disks with their partitions and the unpartitioned gaps between them: the name to\n"
               "give as SOURCE (disk1 for a whole disk, disk1:2 for its second entry), tag, file system,\n"
               "label, sizes and position in sectors, and whether the disk is removable. Reading a disk's\n"
               "sectors needs the rights for raw disk access (root, or the disk group, on Linux).\n\n"
               "  --json            one JSON document on standard output (schema in the README)\n" +
               exits;
    if (command == "image")
        return "usage: quillmere image SOURCE --to FILE.img [--json]\n"
               "Copies a disk, partition or gap (a name from 'quillmere media', or an image file) sector by\n"
               "sector into FILE.img, which can then be scanned in its place. SOURCE is only read.\n"
               "Sectors that cannot be read are written as zeros and listed in FILE.img.badsectors\n"
               "(one 'first count' line per run, counted from the image's start); the copy goes on.\n\n"
               "  --to FILE.img     the image; an existing file is overwritten and cut to the copy's length;\n"
               "                    it must not lie on the disk being copied\n"
               "  --json            one JSON document on standard output\n" +
               exits;
    if (command == "probe")
        return "usage: quillmere probe IMAGE\n"
               "Reads the first 16 KiB of IMAGE and tells its file system (FAT, NTFS, ext or unknown),\n"
               "its size and its sector size.\n" +
               exits;
    return "usage: quillmere COMMAND SOURCE [options]    (quillmere --help COMMAND for details)\n"
           "\n"
           "Finds deleted and lost files on disk images and copies them to safety. The source is only read.\n"
           "\n"
           "commands:\n"
           "  scan      scan a source and summarise what was found by type group\n"
           "  list      list the files found\n"
           "  recover   copy the files found into a folder\n"
           "  probe     tell the file system, size and sector size of an image\n"
           "  media     list the disks, partitions and gaps that can be scanned or imaged\n"
           "  image     copy a disk or partition into an image file\n"
           "\n"
           "SOURCE is an image file, or a disk name from 'quillmere media' (disk1, disk1:2; on Windows\n"
           "also a drive letter such as E:).\n" +
           exits;
}

}  // namespace qm::cli
