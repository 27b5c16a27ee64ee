#include "cli/commands.h"

#include <cstdio>
#include <map>
#include <set>

#include "cli/console_scan_window.h"
#include "cli/destination_guard.h"
#include "cli/failure_report.h"
#include "cli/found_files.h"
#include "cli/recovery_report.h"
#include "cli/selection.h"
#include "cli/json_writer.h"
#include "cli/scan_session.h"
#include "cli/visible_text.h"
#include "engines/item_runs.h"
#include "disk/format_text.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_time.h"
#include "results/type_classification.h"
#include "session/recovery_job.h"

namespace qm::cli {
namespace {

constexpr int kExitSomeFailed = 3;
// firstSector counts 512-byte sectors from the medium's start, whatever the device's sector.
constexpr uint64_t kRunSectorBytes = 512;
constexpr int kExitInterrupted = 4;

std::string utf8(const std::wstring& text) {
    return platform::toUtf8(text);
}

std::string groupOf(const ScanRecord& record) {
    return utf8(GroupFolderName(GroupOfExtension(ExtensionOf(platform::fromAnsi(recordName(record))))));
}

// Scans and reports a failure to the user; false when there is nothing to list.
bool scanSource(const CliOptions& options, CScanSession& session, ScanOutcome& outcome) {
    for (const std::string& type : UnknownTypes(options))
        std::fprintf(stderr, "quillmere: warning: no file type '%s' is known; only names ending in .%s are listed\n",
                     type.c_str(), type.c_str());
    outcome = session.Run(options.json || options.quiet);
    if (outcome.exitCode != 0) {
        ReportFailure(options, outcome.exitCode, outcome.errorCode, "cannot scan " + options.source + ": " + outcome.error);
        return false;
    }
    if (outcome.cancelled) std::fprintf(stderr, "quillmere: interrupted; showing what was found so far\n");
    if (!outcome.note.empty() && !options.quiet) std::fprintf(stderr, "quillmere: note: %s\n", outcome.note.c_str());
    for (const ScannedPart& part : outcome.parts)
        if (part.reused && !options.quiet && !options.json)
            std::fprintf(stderr, "quillmere: %s: the results of the earlier deep scan of this unchanged source "
                                 "(--rescan scans it again)\n", part.name.c_str());
    return true;
}

void writeHeader(JsonWriter& json, const CliOptions& options, const ScanOutcome& outcome) {
    json.key("source").string(options.source);
    json.key("mode").string(options.deep ? "deep" : "fast");
    json.key("fileSystem").string(utf8(outcome.fileSystem));
    json.key("interrupted").boolean(outcome.cancelled);
    if (!outcome.partitionTable.empty()) json.key("partitionTable").string(outcome.partitionTable);
    if (!outcome.note.empty()) json.key("note").string(outcome.note);
    bool reused = !outcome.parts.empty();
    for (const ScannedPart& part : outcome.parts) reused = reused && (part.reused || !part.engine);
    json.key("reusedScan").boolean(reused);
}

void writeTime(JsonWriter& json, const char* name, uint64_t fileTime) {
    const std::string text = FormatFileTimeIso(fileTime);
    if (text.empty())
        json.key(name).null();
    else
        json.key(name).string(text);
}

void writeFile(JsonWriter& json, const FoundFile& file) {
    const ScanRecord& r = file.record;
    json.beginObject();
    json.key("name").string(recordName(r));
    json.key("folder").string(utf8(file.folder));
    json.key("isFolder").boolean(r.isFolder != 0);
    json.key("size").unsignedNumber(r.size);
    json.key("group").string(r.isFolder ? "folder" : groupOf(r));
    writeTime(json, "created", r.created);
    writeTime(json, "modified", r.modified);
    writeTime(json, "accessed", r.accessed);
    json.key("condition").string(r.condition ? "good" : "damaged");
    json.key("engine").string(EngineName(r.sourceKind));
    if (const int deleted = DeletedState(r); deleted >= 0)
        json.key("deleted").boolean(deleted == 1);
    else
        json.key("deleted").null();  // a carved file cannot tell
    // The MFT record number on NTFS, the first cluster on FAT and exFAT; none for carved files.
    if (r.sourceKind == kSourceCarving)
        json.key("id").null();
    else
        json.key("id").number(r.fsId);
    std::vector<SourceRun> runs;
    auto* placed = dynamic_cast<IItemRuns*>(file.engine);
    if (!r.isFolder && placed && placed->ItemRuns(r, runs) == 0 && !runs.empty()) {
        json.key("firstSector").unsignedNumber(runs.front().offset / kRunSectorBytes);
        json.key("runs").beginArray();
        for (const SourceRun& run : runs) {
            json.beginObject();
            json.key("offset").unsignedNumber(run.offset);
            json.key("length").unsignedNumber(run.length);
            json.key("fileOffset").unsignedNumber(run.fileOffset);
            json.endObject();
        }
        json.endArray();
    } else {
        json.key("firstSector").null();
        json.key("runs").null();
    }
    json.endObject();
}

// "2024-03-09 08:05:07Z" with --utc, else local time with its offset ("2024-03-09 09:05:07
// +01:00"); "unknown" for a time the medium does not tell.
std::wstring timeText(uint64_t fileTime, bool utc) {
    const std::string iso = FormatFileTimeIso(fileTime);  // "2024-03-09T08:05:07Z"
    if (iso.size() < 20) return L"unknown";
    const int offset = utc ? 0 : platform::utcOffsetMinutesAt(fileTime);
    std::string text = offset == 0 ? iso : FormatFileTimeIso(fileTime + static_cast<int64_t>(offset) * 600000000);
    if (text.size() < 20) return L"unknown";
    text[10] = ' ';
    text.pop_back();  // the "Z"
    if (utc) return platform::fromUtf8(text + "Z");
    char zone[16];
    const int magnitude = offset < 0 ? -offset : offset;
    std::snprintf(zone, sizeof zone, " %c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return platform::fromUtf8(text + zone);
}

// "DCIM/IMG_1.JPG  size 15.97 KB  modified 2024-03-09 09:05:07 +01:00": each value labelled.
void printFileLine(const FoundFile& file, bool tree, bool utc) {
    const ScanRecord& r = file.record;
    const std::wstring name = VisibleText(platform::fromAnsi(recordName(r)));
    std::wstring line;
    if (tree) {
        line = std::wstring(static_cast<size_t>(file.depth) * 2, L' ') + name + (r.isFolder ? L"/" : L"");
    } else {
        line = VisibleText(file.folder) + name;
    }
    if (!r.isFolder) {
        line += L"  size " + FormatSize(r.size) + L"  modified " + timeText(r.modified, utc);
        if (!r.condition) line += L"  [damaged]";
    }
    WriteText(stdout, line + L"\n");
}

// Every scanned part's files; on a whole-disk image a partition's folders are prefixed with
// its own ("p2/DCIM/"), and in a tree it is a folder of its own. With `select`, the --path,
// size and damaged choices apply; a tree shows exactly the files the flat listing shows.
SelectionCounts collectParts(const ScanOutcome& outcome, const CliOptions& options, std::vector<FoundFile>& files,
                             bool withFolders, TreeCut* cut, bool select = true) {
    SelectionCounts counts;
    for (const ScannedPart& part : outcome.parts) {
        if (!part.engine) continue;
        std::vector<FoundFile> found;
        CollectByType(*part.engine, options, found, withFolders || !options.paths.empty());
        if (select) {
            for (FoundFile& f : found) f.folder = platform::fromUtf8(part.prefix) + f.folder;
            counts.damagedHidden += ApplySelection(options, found).damagedHidden;
        }
        if (cut) {
            std::set<std::pair<int32_t, int32_t>> keep;
            for (const FoundFile& f : found) keep.insert({+f.record.sourceKind, +f.record.recordNo});  // copies: the record is packed
            TreeCut partCut;
            CollectTree(*part.engine, found, partCut);
            PruneTree(found, keep);
            if (cut->folders == 0 && partCut.folders > 0) cut->firstBelow = platform::fromUtf8(part.prefix) + partCut.firstBelow;
            cut->folders += partCut.folders;
        } else if (select) {
            for (FoundFile& f : found) f.folder.erase(0, platform::fromUtf8(part.prefix).size());
        }
        if (cut && !part.prefix.empty()) {
            FoundFile folder;
            setRecordName(folder.record, part.prefix.substr(0, part.prefix.size() - 1));
            folder.record.isFolder = 1;
            folder.engine = part.engine;
            files.push_back(folder);
        }
        for (FoundFile& f : found) {
            f.folder = platform::fromUtf8(part.prefix) + f.folder;
            if (cut && !part.prefix.empty()) ++f.depth;
            f.engine = part.engine;
            files.push_back(std::move(f));
        }
    }
    return counts;
}

struct PartSummary {
    const ScannedPart* part = nullptr;
    uint64_t entries = 0;
    size_t files = 0;
    uint64_t bytes = 0;
};

std::vector<PartSummary> summarize(const ScanOutcome& outcome, const CliOptions& everything) {
    std::vector<PartSummary> out;
    for (const ScannedPart& part : outcome.parts) {
        PartSummary summary;
        summary.part = &part;
        if (part.engine) {
            std::vector<FoundFile> files;
            CollectByType(*part.engine, everything, files, false);
            summary.entries = part.engine->GetFoundCount();
            summary.files = files.size();
            for (const FoundFile& f : files) summary.bytes += f.record.size;
        }
        out.push_back(summary);
    }
    return out;
}

uint64_t entriesFound(const ScanOutcome& outcome) {
    uint64_t entries = 0;
    for (const ScannedPart& part : outcome.parts)
        if (part.engine) entries += part.engine->GetFoundCount();
    return entries;
}

int exitFor(const ScanOutcome& outcome, int code) {
    return outcome.cancelled ? kExitInterrupted : code;
}

}  // namespace

int RunScanCommand(const CliOptions& options) {
    CScanSession session(options);
    ScanOutcome outcome;
    if (!scanSource(options, session, outcome)) return outcome.exitCode;
    CliOptions everything = options;
    everything.types.clear();
    everything.groups.clear();
    std::vector<FoundFile> files;
    collectParts(outcome, everything, files, false, nullptr, false);  // counts need no paths
    std::map<std::string, uint64_t> groups{{"photo", 0},    {"audio", 0},   {"video", 0},
                                           {"document", 0}, {"archive", 0}, {"others", 0}};
    uint64_t bytes = 0, damaged = 0;
    for (const FoundFile& f : files) {
        ++groups[groupOf(f.record)];
        bytes += f.record.size;
        if (!f.record.condition) ++damaged;
    }
    if (options.json) {
        JsonWriter json;
        json.beginObject();
        writeHeader(json, options, outcome);
        json.key("entries").unsignedNumber(entriesFound(outcome));
        json.key("files").unsignedNumber(files.size());
        json.key("bytes").unsignedNumber(bytes);
        json.key("damaged").unsignedNumber(damaged);
        json.key("groups").beginObject();
        for (const auto& [name, count] : groups) json.key(name).unsignedNumber(count);
        json.endObject();
        if (!outcome.partitionTable.empty()) {
            json.key("partitions").beginArray();
            for (const PartSummary& part : summarize(outcome, everything)) {
                json.beginObject();
                json.key("id").string(part.part->name);
                json.key("fileSystem").string(utf8(part.part->fileSystem));
                json.key("scanned").boolean(part.part->engine != nullptr);
                if (!part.part->error.empty()) json.key("error").string(part.part->error);
                if (!part.part->note.empty()) json.key("note").string(part.part->note);
                json.key("entries").unsignedNumber(part.entries);
                json.key("files").unsignedNumber(part.files);
                json.key("bytes").unsignedNumber(part.bytes);
                json.endObject();
            }
            json.endArray();
        }
        json.endObject();
        std::printf("%s\n", json.text().c_str());
    } else {
        // Files as list and recover count them: every copy found twice counted once, folders not.
        std::printf("%s: %s file system: %zu files, %s\n", options.source.c_str(), utf8(outcome.fileSystem).c_str(),
                    files.size(), utf8(FormatSize(bytes)).c_str());
        for (const char* name : {"photo", "audio", "video", "document", "archive", "others"})
            std::printf("  %-9s %llu\n", name, static_cast<unsigned long long>(groups[name]));
        if (damaged) std::printf("  (%llu judged damaged or overwritten)\n", static_cast<unsigned long long>(damaged));
        if (!outcome.partitionTable.empty()) {
            std::printf("%s partition table, %zu partition(s):\n", outcome.partitionTable.c_str(), outcome.parts.size());
            for (const PartSummary& part : summarize(outcome, everything)) {
                if (!part.part->engine) {
                    std::printf("  %s  not scanned: %s\n", part.part->name.c_str(), part.part->error.c_str());
                    continue;
                }
                std::printf("  %s  %s: %zu files, %s\n", part.part->name.c_str(), utf8(part.part->fileSystem).c_str(),
                            part.files, utf8(FormatSize(part.bytes)).c_str());
            }
        }
    }
    return exitFor(outcome, 0);
}

int RunListCommand(const CliOptions& options) {
    CScanSession session(options);
    ScanOutcome outcome;
    if (!scanSource(options, session, outcome)) return outcome.exitCode;
    std::vector<FoundFile> files;
    TreeCut cut;
    const SelectionCounts selected = collectParts(outcome, options, files, true, options.tree ? &cut : nullptr);
    if (options.json) {
        JsonWriter json;
        json.beginObject();
        writeHeader(json, options, outcome);
        json.key("files").beginArray();
        for (const FoundFile& f : files) writeFile(json, f);
        json.endArray();
        if (cut.folders > 0) {
            json.key("treeDepthLimit").number(kMaxTreeDepth);
            json.key("foldersNotExpanded").unsignedNumber(cut.folders);
            json.key("firstNotExpanded").string(utf8(cut.firstBelow));
        }
        json.endObject();
        std::printf("%s\n", json.text().c_str());
    } else {
        for (const FoundFile& f : files) printFileLine(f, options.tree, options.utc);
        if (!options.quiet) {
            size_t shown = 0;
            for (const FoundFile& f : files) shown += f.record.isFolder ? 0 : 1;
            std::fprintf(stderr, "%zu files\n", shown);
            if (selected.damagedHidden)
                std::fprintf(stderr, "%zu files judged damaged or overwritten are not shown (--include-damaged shows them)\n",
                             selected.damagedHidden);
        }
        if (cut.folders > 0)
            WriteText(stderr, L"The tree is shown " + std::to_wstring(kMaxTreeDepth) +
                                  L" levels deep; the contents of " + std::to_wstring(cut.folders) +
                                  L" deeper folder(s) are not, the first being " + VisibleText(cut.firstBelow) +
                                  L" (list without --tree shows every file)\n");
    }
    return exitFor(outcome, 0);
}

// --dry-run: where each selected file would go and how much would be written; nothing is.
int reportDryRun(const CliOptions& options, const ScanOutcome& outcome, const std::vector<FoundFile>& files) {
    const std::wstring destination = platform::fromUtf8(options.destination);
    std::map<std::wstring, int> lastCounter;
    std::set<std::wstring> planned;
    // The name the recovery would take: free on disk and not planned for an earlier file.
    const auto plan = [&](const FoundFile& file) {
        const ScanRecord& record = file.record;
        const std::wstring folder = ItemFolder(destination, record, options.keepPaths ? &file.folder : nullptr);
        const std::wstring base = MakeUniquePathIn(folder, destination, record, lastCounter);
        const size_t slash = base.find_last_of(L"/\\");
        const size_t dot = base.rfind(L'.');
        const size_t cut = dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? base.size() : dot;
        std::wstring path = base;
        for (int n = 1; !path.empty() && (planned.count(path) || (n > 1 && platform::pathExists(path))); ++n)
            path = base.substr(0, cut) + L"(" + std::to_wstring(n) + L")" + base.substr(cut);
        planned.insert(path);
        return path;
    };
    uint64_t bytes = 0;
    JsonWriter json;
    if (options.json) {
        json.beginObject();
        writeHeader(json, options, outcome);
        json.key("dryRun").boolean(true);
        json.key("destination").string(options.destination);
        json.key("planned").beginArray();
    }
    for (const FoundFile& f : files) {
        const std::wstring path = plan(f);
        const uint64_t size = f.record.size;
        bytes += size;
        if (options.json) {
            json.beginObject();
            json.key("path").string(utf8(path));
            json.key("from").string(utf8(f.folder) + recordName(f.record));
            json.key("size").unsignedNumber(size);
            json.endObject();
        } else {
            WriteText(stdout, L"would write " + VisibleText(path) + L"  " + FormatSize(size) + L"\n");
        }
    }
    if (options.json) {
        json.endArray();
        json.key("summary").beginObject();
        json.key("selected").unsignedNumber(files.size());
        json.key("bytes").unsignedNumber(bytes);
        json.endObject();
        json.endObject();
        std::printf("%s\n", json.text().c_str());
    } else {
        std::printf("%zu files, %s in all, would be written into %s (nothing was written)\n", files.size(),
                    utf8(FormatSize(bytes)).c_str(), options.destination.c_str());
    }
    return exitFor(outcome, 0);
}

int RunRecoverCommand(const CliOptions& options) {
    const uint64_t started = platform::fileTimeNow();  // for the recovery report
    const std::wstring destination = platform::fromUtf8(options.destination);
    if (int rc = RefuseDestinationOnSource(options); rc != 0) return rc;
    if (options.dryRun) {
        CScanSession session(options);
        ScanOutcome outcome;
        if (!scanSource(options, session, outcome)) return outcome.exitCode;
        std::vector<FoundFile> files;
        collectParts(outcome, options, files, true, nullptr);
        return reportDryRun(options, outcome, files);
    }
    if (int rc = platform::createFolderTree(destination); rc != 0) {
        // The system says "File exists" for a file in the way; the user reads what it is.
        const std::string why = platform::pathExists(destination) && !platform::isFolder(destination)
                                    ? "it is a file, not a folder"
                                    : utf8(platform::errorMessage(rc));
        return ReportFailure(options, kExitSomeFailed, rc, "cannot use " + options.destination + " as the destination: " + why);
    }
    CScanSession session(options);
    ScanOutcome outcome;
    if (!scanSource(options, session, outcome)) return outcome.exitCode;
    std::vector<FoundFile> files;
    // Copies go to group folders, flat, unless --keep-paths wants their folders.
    collectParts(outcome, options, files, options.keepPaths, nullptr);

    std::vector<RecoveryItem> items;
    items.reserve(files.size());
    for (const FoundFile& f : files) items.push_back({f.engine, f.record});
    CDefaultTexts texts;
    CRecoveryJob job(texts, destination);
    job.SetResume(options.resume);
    if (options.keepPaths) {
        // Each file under its folders on the medium, not in a group folder.
        std::vector<std::wstring> folders;
        for (const FoundFile& f : files) folders.push_back(f.folder);
        job.SetItemFolders(std::move(folders));
    }
    // A running count on a terminal; logs get the result lines only.
    const bool live = !options.json && !options.quiet && platform::stderrIsTerminal();
    job.SetDisplay([&job, live](const RecoveryView& view) {
        if (g_interrupted) job.RequestCancelLocked();
        if (live && view.percent == 100) WriteText(stderr, L"\r  " + view.countsText + L"\x1b[K");
    });
    const bool cancelled = job.RunMany(items) == CancelCode || outcome.cancelled;
    if (live) std::fputc('\n', stderr);
    WriteRecoveryReports(options, started, files, job.details());

    const int failed = job.failed();
    if (options.json) {
        JsonWriter json;
        json.beginObject();
        writeHeader(json, options, outcome);
        json.key("destination").string(options.destination);
        json.key("recovered").beginArray();
        for (const RecoveryDetailRow& row : job.details()) {
            json.beginObject();
            json.key("path").string(utf8(row.path));
            json.key("ok").boolean(row.error == 0);
            json.key("damaged").boolean(row.damaged);
            json.key("partial").boolean(row.partial);
            json.key("error").number(row.error);
            json.key("message").string(utf8(row.status));
            json.endObject();
        }
        json.endArray();
        json.key("summary").beginObject();
        json.key("selected").number(static_cast<int64_t>(items.size()));
        json.key("succeeded").number(job.processed() - failed);
        json.key("failed").number(failed);
        json.key("damaged").number(job.damaged());
        json.key("partial").number(job.partial());
        json.key("cancelled").boolean(cancelled);
        json.endObject();
        json.endObject();
        std::printf("%s\n", json.text().c_str());
    } else {
        for (const RecoveryDetailRow& row : job.details()) {
            const wchar_t* mark = row.partial   ? L"PARTIAL "
                                  : row.error   ? L"FAILED  "
                                  : row.damaged ? L"DAMAGED "
                                                : L"ok      ";
            const bool remark = row.error || row.damaged || row.status != L"Success";
            WriteText(stdout, mark + VisibleText(row.path) + (remark ? L"  (" + row.status + L")" : L"") + L"\n");
        }
        std::printf("%d recovered, %d failed%s, into %s\n", job.processed() - failed, failed,
                    cancelled ? " (interrupted)" : "", options.destination.c_str());
        if (job.damaged())
            std::printf("%d of the recovered files do not hold what their type says (overwritten or damaged)\n",
                        job.damaged());
        if (job.partial())
            std::printf("%d failed files could be read only in part; that part is kept as a .partial file\n",
                        job.partial());
    }
    if (cancelled) return kExitInterrupted;
    // A damaged copy is not the file the user lost: the run did not fully succeed.
    return failed > 0 || job.damaged() > 0 ? kExitSomeFailed : 0;
}

}  // namespace qm::cli
