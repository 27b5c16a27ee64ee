#include "cli/scan_session.h"

#include "cli/console_scan_window.h"
#include "cli/image_media.h"
#include "cli/media_command.h"
#include "disk/image_layout.h"
#include "disk/file_system_probe.h"
#include "engines/professional/professional_recovery.h"
#include "session/engine_factory.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "session/scan_progress.h"

namespace qm::cli {

std::atomic<bool> g_interrupted{false};

namespace {
void onCtrlC() {
    g_interrupted = true;
}

struct ProgressBridge {
    CScanProgressSink* sink;
    static int QM_STDCALL Fn(void* user, int step, int scale, int secondsLeft, uint64_t sectorsDone,
                             uint64_t totalSectors, uint64_t filesFound, int reserved) {
        auto* self = static_cast<ProgressBridge*>(user);
        if (g_interrupted) self->sink->Cancel();
        return CScanProgressSink::Callback(self->sink, step, scale, secondsLeft, sectorsDone, totalSectors, filesFound,
                                           reserved);
    }
};
}  // namespace

void InstallInterruptHandler() {
    platform::onInterrupt(onCtrlC);
}

namespace {

// Why a source gave no engine, in the user's words.
std::string refusalText(const EngineRefusal& refusal) {
    const std::string kind = platform::toUtf8(FileSystemKindName(refusal.kind));
    if (!refusal.problem.empty())
        return "its " + kind + " file system cannot be used: " + refusal.problem + " (--deep searches it by content)";
    if (refusal.error == kErrorReadFault) return "it is too short to hold a file system";
    if (refusal.error != 0) return platform::toUtf8(platform::errorMessage(refusal.error));
    return "no FAT, exFAT or NTFS file system was found at its start (--deep searches it by content)";
}

}  // namespace

CScanHistory& CScanSession::History() {
    if (options_.stateDir.empty()) return CScanHistory::Instance();
    if (!history_) {
        history_ = std::make_unique<CScanHistory>(platform::fromUtf8(options_.stateDir));
        history_->Load();
    }
    return *history_;
}

bool CScanSession::AddPartitions(const ImageLayout& layout, const ScanSource& whole, const std::string& name,
                                 std::vector<std::string>& names, std::vector<std::string>& prefixes) {
    const size_t before = sources_.size();
    for (size_t i = 1; i <= layout.entries.size(); ++i) {
        ScanSource part;
        part.isImage = whole.isImage;
        part.imagePath = whole.imagePath;
        part.diskNumber = whole.diskNumber;
        part.sourceTag = static_cast<uint16_t>(i);
        part.driveLetter = static_cast<uint16_t>(i);
        if (!layout.PartitionArea(i, part.firstSector, part.sectorCount)) continue;
        sources_.push_back(std::move(part));
        // Entries named as `media IMAGE` lists them; a disk's own partitions by their place in its table.
        const std::string number = std::to_string(i);
        names.push_back(name + (whole.isImage ? ":" : " partition ") + number);
        std::string prefix = "p";
        prefix.append(number).push_back('/');
        prefixes.push_back(prefix);
    }
    return sources_.size() > before;
}

bool CScanSession::ResolveSources(ScanOutcome& outcome, std::vector<std::string>& names,
                                  std::vector<std::string>& prefixes) {
    sources_.clear();
    ScanSource source;
    source.isImage = true;
    source.imagePath = platform::fromUtf8(options_.source);
    source.sourceTag = 1;
    if (LooksLikeMediaName(options_.source)) {
        MediaSource media;
        if (!ResolveMediaSource(options_.source, media, outcome.error)) return false;
        source.isImage = false;
        source.imagePath.clear();
        source.diskNumber = media.diskNumber;
        source.firstSector = media.firstSector;
        // A whole disk runs to its end; the source learns its length when it is opened.
        source.sectorCount = media.wholeDisk ? 0 : media.sectorCount;
        source.driveLetter = media.tag;
        source.sourceTag = media.tag;
        // A whole disk is read as its own partition table describes it, partition by
        // partition, as a whole-disk image is.
        SectorReader disk;
        const ImageLayout layout =
            media.wholeDisk && disk.OpenDisk(media.diskNumber) == 0 ? ReadImageLayout(disk) : ImageLayout{};
        return AddWholeOrPartitions(std::move(source), layout, outcome, names, prefixes);
    }
    std::wstring imagePath;
    size_t number = 0;
    if (SplitImagePartitionName(source.imagePath, imagePath, number)) {
        // "card.img:2": one entry of a whole-disk image, as "disk1:2" names a disk's.
        ImageLayout layout;
        if (ReadImageLayout(imagePath, layout) == 0 &&
            layout.PartitionArea(number, source.firstSector, source.sectorCount)) {
            source.imagePath = imagePath;
            source.sourceTag = static_cast<uint16_t>(number);
            return AddWholeOrPartitions(std::move(source), ImageLayout{}, outcome, names, prefixes);
        }
        outcome.error = "there is no partition " + std::to_string(number) + " in " + platform::toUtf8(imagePath) +
                        " (see 'quillmere media " + platform::toUtf8(imagePath) + "')";
        return false;
    }
    outcome.error = SourceKindProblem(options_.source);
    if (!outcome.error.empty()) {
        outcome.errorCode = kErrorInvalidFunction;  // not a file or disk that can be read
        return false;
    }
    ImageLayout layout;
    ReadImageLayout(source.imagePath, layout);
    return AddWholeOrPartitions(std::move(source), layout, outcome, names, prefixes);
}

bool CScanSession::AddWholeOrPartitions(ScanSource source, const ImageLayout& layout, ScanOutcome& outcome,
                                        std::vector<std::string>& names, std::vector<std::string>& prefixes) {
    // A table that lists nothing (wiped or damaged) leaves the medium to be read whole.
    if (layout.IsDisk() && AddPartitions(layout, source, options_.source, names, prefixes)) {
        outcome.partitionTable = SchemeName(layout.table.scheme);
        return true;
    }
    sources_.push_back(std::move(source));
    names.push_back(options_.source);
    prefixes.emplace_back();
    return true;
}

void CScanSession::ScanPart(ScanSource& source, const std::string& name, const std::string& prefix, bool quiet,
                            ScanOutcome& outcome) {
    ScannedPart part;
    part.name = name;
    part.prefix = prefix;
    CConsoleScanWindow window(quiet, options_.resume);
    CScanProgressSink sink(texts_);
    sink.SetDisplay([&window](const ScanProgressView& view) { window.Show(view); });
    ProgressBridge bridge{&sink};
    // A finished deep scan of the same, unchanged source is reused unless --rescan.
    CScanDriver driver(window, texts_, &History(), [this](ScanSource& s, bool professional) {
        auto engine = CreateEngine(s.Location(), professional, &s.refusal, &History());
        if (auto* deep = dynamic_cast<CProfessionalRecovery*>(engine.get())) deep->AllowReuse(!options_.rescan);
        return engine;
    });
    std::vector<ScanSource> one;
    one.push_back(std::move(source));
    const int code = driver.Run(one, options_.deep, ProgressBridge::Fn, &bridge, nullptr);
    window.Finish();
    source = std::move(one[0]);
    part.fileSystem = FileSystemKindName(source.refusal.kind);
    if (code == kScanWindowNoEngine) {
        part.error = refusalText(source.refusal);
        part.errorCode = source.refusal.error != 0 ? source.refusal.error : kErrorUnrecognizedVolume;
        outcome.parts.push_back(part);
        return;
    }
    part.engine = source.engine.get();
    outcome.cancelled = outcome.cancelled || sink.Cancelled();
    if (auto* deep = dynamic_cast<CProfessionalRecovery*>(part.engine)) part.reused = deep->ReusedEarlierScan();
    if (auto* deep = dynamic_cast<CProfessionalRecovery*>(part.engine); deep && !deep->FileSystemProblem().empty())
        part.note = "the " + platform::toUtf8(FileSystemKindName(deep->ProbedKind())) +
                    " file system's own structures could not be used (" + deep->FileSystemProblem() +
                    "); every sector was searched for files and folders";
    if (!options_.deep && source.scanResult != 0 && source.scanResult != CancelCode) {
        const std::string why = "its " + platform::toUtf8(part.fileSystem) + " file system could not be read: " +
                                platform::toUtf8(platform::errorMessage(source.scanResult));
        // What was found before the failure is still shown; with nothing found it is a failure.
        if (part.engine->GetFoundCount() == 0) {
            part.error = why + " (--deep searches it by content)";
            part.errorCode = source.scanResult;
            part.engine = nullptr;
        } else {
            part.note = why + "; showing what was found before";
        }
    }
    outcome.parts.push_back(part);
}

ScanOutcome CScanSession::Run(bool quiet) {
    ScanOutcome outcome;
    std::vector<std::string> names, prefixes;
    if (!ResolveSources(outcome, names, prefixes)) {
        outcome.exitCode = 1;
        if (outcome.errorCode == 0) outcome.errorCode = kErrorFileNotFound;
        return outcome;
    }
    for (size_t i = 0; i < sources_.size() && !outcome.cancelled; ++i)
        ScanPart(sources_[i], names[i], prefixes[i], quiet, outcome);

    // One source reports as before; the partitions of a disk image each say theirs.
    const bool whole = outcome.parts.size() == 1 && outcome.partitionTable.empty();
    size_t scanned = 0;
    for (const ScannedPart& part : outcome.parts) {
        if (part.engine) ++scanned;
        const std::string& text = part.error.empty() ? part.note : part.error;
        if (text.empty()) continue;
        const std::string line = whole ? text : part.name + ": " + text;
        outcome.note += (outcome.note.empty() ? "" : "; ") + line;
    }
    if (whole) {
        outcome.fileSystem = outcome.parts[0].fileSystem;
        outcome.note = outcome.parts[0].engine ? outcome.parts[0].note : "";
    } else {
        for (const ScannedPart& part : outcome.parts)
            outcome.fileSystem += (outcome.fileSystem.empty() ? L"" : L"+") + part.fileSystem;
    }
    if (scanned == 0) {
        outcome.exitCode = 1;
        outcome.error = whole ? outcome.parts[0].error : outcome.note;
        for (const ScannedPart& part : outcome.parts)
            if (outcome.errorCode == 0) outcome.errorCode = part.errorCode;
        if (outcome.errorCode == 0) outcome.errorCode = kErrorUnrecognizedVolume;
        outcome.note.clear();
    }
    return outcome;
}

}  // namespace qm::cli
