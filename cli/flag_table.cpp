#include "cli/flag_table.h"

#include <algorithm>
#include <cctype>

#include "cli/selection.h"
#include "results/type_classification.h"

namespace qm::cli {
namespace {

// "JPG, .pdf" -> jpg, pdf: lower-case, leading dots and spaces dropped, empty items skipped.
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

std::string groupNamesText() {
    std::string text;
    for (const std::string& name : GroupNames()) text += (text.empty() ? "" : ", ") + name;
    return text;
}

bool addGroups(const std::string& value, CliOptions& out, std::string& error) {
    const std::vector<std::string>& known = GroupNames();
    for (std::string& group : splitList(value)) {
        if (group == "others") group = "other";  // the name of its recovery folder
        if (std::find(known.begin(), known.end(), group) == known.end()) {
            error = "unknown group '" + group + "' (" + groupNamesText() + ")";
            return false;
        }
        out.groups.push_back(group);
    }
    return true;
}

}  // namespace

bool FlagDef::TakenBy(const std::string& command) const {
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

std::string FlagDef::Label() const {
    return argument.empty() ? name : name + " " + argument;
}

const std::vector<std::string>& GroupNames() {
    // The catch-all group is "other" on the command line; its folder is "others".
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (int g = static_cast<int>(FileGroup::Photo); g <= static_cast<int>(FileGroup::Other); ++g) {
            const auto group = static_cast<FileGroup>(g);
            std::string name;
            for (const wchar_t* c = GroupFolderName(group); *c; ++c) name += static_cast<char>(*c);  // ASCII
            out.push_back(group == FileGroup::Other ? "other" : name);
        }
        return out;
    }();
    return names;
}

const std::vector<FlagDef>& Flags() {
    using E = std::string;
    const std::vector<std::string> scanning = {"scan", "list", "recover"};
    const std::vector<std::string> filtering = {"list", "recover"};
    static const std::vector<FlagDef> flags = {
        {"--to",
         "DIR",
         {"recover"},
         "where recovered files go; must not lie on the scanned medium",
         nullptr,
         true,
         [](const E& v, CliOptions& o, E&) {
             o.destination = v;
             return true;
         }},
        {"--to",
         "FILE.img",
         {"image"},
         "the image; an existing file is overwritten and cut to the copy's length;\n"
         "it must not lie on the disk being copied",
         nullptr,
         true,
         [](const E& v, CliOptions& o, E&) {
             o.destination = v;
             return true;
         }},
        {"--fast", "", scanning, "read the file system's own records for deleted files only", "mode", false,
         [](const E&, CliOptions& o, E&) {
             o.deep = false;
             return true;
         }},
        {"--deep", "", scanning,
         "(default) read the file system's own records, then every free\n"
         "sector: files of formatted or damaged volumes, and files found by\n"
         "their content alone",
         "mode", false,
         [](const E&, CliOptions& o, E&) {
             o.deep = true;
             return true;
         }},
        {"--resume", "", scanning,
         "continue an interrupted deep scan of the same, unchanged source\n"
         "(without it, an interrupted deep scan is discarded and started afresh);\n"
         "with recover, also an interrupted recovery into the same --to folder:\n"
         "files already there with their size are not copied again",
         "mode", false,
         [](const E&, CliOptions& o, E&) {
             o.resume = o.deep = true;  // only a deep scan can be resumed
             return true;
         }},
        {"--rescan", "", scanning,
         "scan again even when a finished deep scan of the same, unchanged source\n"
         "could be reused (its results are, without --rescan)",
         nullptr, false,
         [](const E&, CliOptions& o, E&) {
             o.rescan = true;
             return true;
         }},
        {"--type", "EXT,...", filtering, "only files with these extensions (jpg,pdf,...)", nullptr, false,
         [](const E& v, CliOptions& o, E&) {
             for (std::string& type : splitList(v)) o.types.push_back(type);
             return true;
         }},
        {"--group", "G,...", filtering, "only these groups: " + groupNamesText(), nullptr, false, addGroups},
        {"--path", "GLOB", filtering,
         "only files whose folder/name matches (may be given again): * and ? within\n"
         "a folder, ** across folders ('DCIM/**'); without / the name alone",
         nullptr, false,
         [](const E& v, CliOptions& o, E&) {
             o.paths.push_back(v);
             return true;
         }},
        {"--min-size", "SIZE", filtering, "only files of at least SIZE bytes (k, M, G suffixes)", nullptr, false,
         [](const E& v, CliOptions& o, E& error) {
             if (ParseSize(v, o.minSize)) return true;
             error = "--min-size takes a size such as 100k or 2M, not '" + v + "'";
             return false;
         }},
        {"--max-size", "SIZE", filtering, "only files of at most SIZE bytes", nullptr, false,
         [](const E& v, CliOptions& o, E& error) {
             if (ParseSize(v, o.maxSize)) return true;
             error = "--max-size takes a size such as 100k or 2M, not '" + v + "'";
             return false;
         }},
        {"--deleted-only", "", filtering,
         "leave out files known to be live (the deep mode lists those of formatted\n"
         "volumes too); carved files, which cannot tell, stay",
         "state", false,
         [](const E&, CliOptions& o, E&) {
             o.deletedOnly = true;
             return true;
         }},
        {"--all", "", filtering, "(default) live files too, where the mode lists them", "state", false,
         [](const E&, CliOptions& o, E&) {
             o.deletedOnly = false;
             return true;
         }},
        {"--include-damaged", "", filtering,
         "also files judged damaged or overwritten (marked so; hidden by default)", nullptr, false,
         [](const E&, CliOptions& o, E&) {
             o.includeDamaged = true;
             return true;
         }},
        {"--dry-run", "", {"recover"}, "say what would be written where, and the total size; write nothing", nullptr,
         false,
         [](const E&, CliOptions& o, E&) {
             o.dryRun = true;
             return true;
         }},
        {"--keep-paths", "", {"recover"},
         "recover into DIR/<the file's folders on the medium> instead of group folders", nullptr, false,
         [](const E&, CliOptions& o, E&) {
             o.keepPaths = true;
             return true;
         }},
        {"--utc", "", {"list"}, "times in UTC (\"2024-03-09 08:05:07Z\"); local time with its offset by default",
         nullptr, false,
         [](const E&, CliOptions& o, E&) {
             o.utc = true;
             return true;
         }},
        {"--tree",
         "",
         {"list"},
         "list folders and files as a tree instead of by type",
         nullptr,
         false,
         [](const E&, CliOptions& o, E&) {
             o.tree = true;
             return true;
         }},
        {"--json",
         "",
         {"scan", "list", "recover", "media", "image"},
         "one JSON document on standard output (schema in the README)",
         nullptr,
         false,
         [](const E&, CliOptions& o, E&) {
             o.json = true;
             return true;
         }},
        {"--state-dir", "DIR", scanning, "keep scan logs and the scan history in DIR", nullptr, false,
         [](const E& v, CliOptions& o, E&) {
             o.stateDir = v;
             return true;
         }},
        {"--quiet", "", {"scan", "list", "recover", "image"},
         "no progress, notes or counts on standard error; failures are still said", nullptr, false,
         [](const E&, CliOptions& o, E&) {
             o.quiet = true;
             return true;
         }},
    };
    return flags;
}

const FlagDef* FindFlag(const std::string& name, const std::string& command) {
    for (const FlagDef& flag : Flags())
        if (flag.name == name && flag.TakenBy(command)) return &flag;
    return nullptr;
}

bool IsKnownFlag(const std::string& name) {
    return std::any_of(Flags().begin(), Flags().end(), [&](const FlagDef& flag) { return flag.name == name; });
}

}  // namespace qm::cli
