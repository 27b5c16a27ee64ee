#include "cli/recovery_report.h"

#include <cstdio>
#include <string>

#include "cli/visible_text.h"
#include "cli/xml_text.h"
#include "disk/image_layout.h"
#include "disk/source.h"
#include "engines/item_runs.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_time.h"
#include "results/md5.h"
#include "results/sha1.h"

namespace qm::cli {
namespace {

// One written (or failed) file as both reports show it.
struct ReportEntry {
    const RecoveryDetailRow* row = nullptr;
    const FoundFile* file = nullptr;  // null when the row names no item
    std::string status;               // good, damaged, partial, failed
    std::string sourcePath;           // "/"-separated, from the volume's root
    bool hashed = false;
    uint64_t writtenBytes = 0;
    std::string md5, sha1;
    int runsResult = kErrorNotSupported;
    std::vector<SourceRun> runs;
};

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : digest) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

// Digests of what the copy holds now, not of what was meant to be written.
bool HashWrittenFile(const std::wstring& path, ReportEntry& entry) {
    platform::File file;
    if (file.open(path, platform::OpenMode::ReadExisting) != 0) return false;
    Md5 md5;
    Sha1 sha1;
    std::vector<uint8_t> piece(65536);
    for (;;) {
        uint32_t got = 0;
        if (file.read(piece.data(), static_cast<uint32_t>(piece.size()), got) != 0) return false;
        if (got == 0) break;
        md5.Update(piece.data(), got);
        sha1.Update(piece.data(), got);
        entry.writtenBytes += got;
    }
    entry.md5 = Hex(md5.Finish());
    entry.sha1 = Hex(sha1.Finish());
    return true;
}

std::string SourcePathOf(const FoundFile& file) {
    std::wstring folders;
    if (file.engine) file.engine->GetItemPath(file.record, folders);
    std::wstring path = file.folder + folders + platform::fromAnsi(recordName(file.record));
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return platform::toUtf8(path);
}

ReportEntry MakeEntry(const RecoveryDetailRow& row, const std::vector<FoundFile>& files) {
    ReportEntry entry;
    entry.row = &row;
    entry.status = row.partial ? "partial" : row.error ? "failed" : row.damaged ? "damaged" : "good";
    if (row.item >= 0 && static_cast<size_t>(row.item) < files.size()) {
        entry.file = &files[static_cast<size_t>(row.item)];
        entry.sourcePath = SourcePathOf(*entry.file);
        if (auto* runs = dynamic_cast<IItemRuns*>(entry.file->engine))
            entry.runsResult = runs->ItemRuns(entry.file->record, entry.runs);
    }
    if (entry.status != "failed") entry.hashed = HashWrittenFile(row.path, entry);
    return entry;
}

// The sector size the source's offsets were counted in: a disk image's table, else the probe's.
uint32_t SourceSectorSize(const std::string& source) {
    const std::wstring path = platform::fromUtf8(source);
    if (!platform::pathExists(path) || platform::isFolder(path)) return 0;
    Source opened;
    if (OpenSource(SourceLocation::Image(path, 1), opened) != 0) return 0;
    const ImageLayout layout = ReadImageLayout(opened.reader);
    return layout.IsDisk() ? layout.table.sectorSize : opened.sectorSize;
}

// The command as the user gave it, rebuilt from the parsed options.
// The command line as given, each argument quoted when it holds a blank or a quote.
std::string CommandLine(const CliOptions& o) {
    std::string line = "quillmere";
    for (const std::string& arg : o.arguments) {
        const bool quote = arg.empty() || arg.find_first_of(" \t\"'") != std::string::npos;
        if (!quote) {
            line += " " + arg;
            continue;
        }
        line += " '";
        for (char c : arg) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += "'";
    }
    return line;
}

std::string Utf8(const std::wstring& text) {
    return platform::toUtf8(text);
}

void TimeElement(std::string& xml, const char* name, uint64_t fileTime) {
    const std::string iso = FormatFileTimeIso(fileTime);
    if (!iso.empty()) xml += std::string("    <") + name + ">" + iso + "</" + name + ">\n";
}

std::string XmlReport(const CliOptions& options, uint64_t startTime, uint32_t sectorSize,
                      const std::vector<ReportEntry>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<dfxml xmlns=\"http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML\""
           " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:qm=\"urn:quillmere\" version=\"1.0\">\n";
    xml += "  <metadata>\n    <dc:type>Recovery report</dc:type>\n  </metadata>\n";
    xml += "  <creator>\n    <program>quillmere</program>\n    <version>" QM_VERSION_TEXT "</version>\n";
    xml += "    <execution_environment>\n      <command_line>" + XmlEscape(CommandLine(options)) + "</command_line>\n";
    xml += "      <start_time>" + FormatFileTimeIso(startTime) + "</start_time>\n";
    xml += "      <qm:end_time>" + FormatFileTimeIso(platform::fileTimeNow()) + "</qm:end_time>\n";
    xml += "    </execution_environment>\n  </creator>\n";
    xml += "  <source>\n    <image_filename>" + XmlEscape(options.source) + "</image_filename>\n";
    if (sectorSize) xml += "    <sectorsize>" + std::to_string(sectorSize) + "</sectorsize>\n";
    xml += "  </source>\n";
    for (const ReportEntry& e : entries) {
        if (!e.file || !e.hashed) continue;  // only files that were written
        const ScanRecord r = e.file->record;  // a copy: the record is packed
        xml += "  <fileobject>\n    <filename>" + XmlEscape(e.sourcePath) + "</filename>\n";
        xml += "    <filesize>" + std::to_string(r.size) + "</filesize>\n";
        // Every file system record is of a deleted file; carved data may lie anywhere.
        if (r.sourceKind != kSourceCarving) xml += "    <unalloc>1</unalloc>\n";
        TimeElement(xml, "mtime", r.modified);
        TimeElement(xml, "atime", r.accessed);
        TimeElement(xml, "crtime", r.created);
        if (e.runsResult == 0) {
            xml += "    <byte_runs>\n";
            for (const SourceRun& run : e.runs)
                xml += "      <byte_run file_offset=\"" + std::to_string(run.fileOffset) + "\" img_offset=\"" +
                       std::to_string(run.offset) + "\" len=\"" + std::to_string(run.length) + "\"/>\n";
            xml += "    </byte_runs>\n";
        } else {
            xml += "    <qm:byte_runs_unknown>" + XmlEscape(Utf8(platform::errorMessage(e.runsResult))) +
                   "</qm:byte_runs_unknown>\n";
        }
        xml += "    <hashdigest type=\"md5\">" + e.md5 + "</hashdigest>\n";
        xml += "    <hashdigest type=\"sha1\">" + e.sha1 + "</hashdigest>\n";
        xml += "    <qm:recovered_to>" + XmlEscape(Utf8(e.row->path)) + "</qm:recovered_to>\n";
        xml += "    <qm:written_size>" + std::to_string(e.writtenBytes) + "</qm:written_size>\n";
        xml += "    <qm:condition>" + e.status + "</qm:condition>\n";
        xml += std::string("    <qm:engine>") + EngineName(r.sourceKind) + "</qm:engine>\n";
        xml += "  </fileobject>\n";
    }
    xml += "</dfxml>\n";
    return xml;
}

std::string TextReport(const CliOptions& options, uint64_t startTime, uint32_t sectorSize,
                       const std::vector<ReportEntry>& entries) {
    auto visible = [](const std::string& utf8) { return Utf8(VisibleText(platform::fromUtf8(utf8))); };
    std::string text = "quillmere recovery report\n";
    text += "source: " + visible(options.source) + "\n";
    if (sectorSize) text += "sector size: " + std::to_string(sectorSize) + "\n";
    text += "tool: quillmere " QM_VERSION_TEXT "\n";
    text += "command: " + visible(CommandLine(options)) + "\n";
    text += "started: " + FormatFileTimeIso(startTime) + "\n";
    text += "finished: " + FormatFileTimeIso(platform::fileTimeNow()) + "\n";
    for (const ReportEntry& e : entries) {
        text += "\n" + e.status + " " + visible(Utf8(e.row->path)) + "\n";
        if (!e.row->error && e.row->status != L"Success") text += "  note: " + visible(Utf8(e.row->status)) + "\n";
        if (e.row->error) text += "  error: " + std::to_string(e.row->error) + " " + visible(Utf8(e.row->status)) + "\n";
        if (e.file) {
            const ScanRecord r = e.file->record;
            text += "  on the source: " + visible(e.sourcePath) + "\n";
            text += "  size: " + std::to_string(r.size) + "\n";
            const std::string modified = FormatFileTimeIso(r.modified);
            text += "  modified: " + (modified.empty() ? std::string("unknown") : modified) + "\n";
            text += std::string("  engine: ") + EngineName(r.sourceKind) + "\n";
            if (e.runsResult == 0) {
                text += "  byte runs (offset+length):";
                for (const SourceRun& run : e.runs) {
                    text += ' ';
                    text += std::to_string(run.offset);
                    text += '+';
                    text += std::to_string(run.length);
                }
                text += "\n";
            } else {
                text += "  byte runs: unknown (" + Utf8(platform::errorMessage(e.runsResult)) + ")\n";
            }
        }
        if (e.hashed) {
            text += "  written: " + std::to_string(e.writtenBytes) + " bytes\n";
            text += "  md5: " + e.md5 + "\n  sha1: " + e.sha1 + "\n";
        }
    }
    return text;
}

// Our own file in the destination: an earlier report (or a link in its place) is replaced.
int WriteReportFile(const std::wstring& path, const std::string& content) {
    if (platform::pathExists(path) && !platform::isFolder(path)) platform::deleteFile(path);
    platform::File file;
    if (int rc = file.open(path, platform::OpenMode::CreateNew); rc != 0) return rc;
    if (int rc = platform::writeFully(file, content.data(), content.size()); rc != 0) return rc;
    return file.flush();
}

}  // namespace

int WriteRecoveryReports(const CliOptions& options, uint64_t startTime, const std::vector<FoundFile>& files,
                         const std::deque<RecoveryDetailRow>& details) {
    std::vector<ReportEntry> entries;
    entries.reserve(details.size());
    for (const RecoveryDetailRow& row : details) entries.push_back(MakeEntry(row, files));
    const uint32_t sectorSize = SourceSectorSize(options.source);
    const std::wstring folder = platform::fromUtf8(options.destination);
    int result = 0;
    for (const auto& [name, content] :
         {std::pair<const wchar_t*, std::string>{L"report.xml", XmlReport(options, startTime, sectorSize, entries)},
          {L"report.txt", TextReport(options, startTime, sectorSize, entries)}}) {
        const std::wstring path = platform::joinPath(folder, name);
        if (int rc = WriteReportFile(path, content); rc != 0) {
            std::fprintf(stderr, "quillmere: cannot write %s: %s\n", Utf8(path).c_str(),
                         Utf8(platform::errorMessage(rc)).c_str());
            if (result == 0) result = rc;
        }
    }
    return result;
}

}  // namespace qm::cli
