#include "cli/scan_session.h"

#include "cli/console_scan_window.h"
#include "cli/media_command.h"
#include "disk/file_system_probe.h"
#include "engines/professional/professional_recovery.h"
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
    return "no FAT or NTFS file system was found at its start (--deep searches it by content)";
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

ScanOutcome CScanSession::Run(bool quiet) {
    ScanOutcome outcome;
    ScanSource source;
    source.isImage = true;
    source.imagePath = platform::fromUtf8(options_.source);
    source.sourceTag = 1;
    if (LooksLikeMediaName(options_.source)) {
        MediaSource media;
        if (!ResolveMediaSource(options_.source, media, outcome.error)) {
            outcome.exitCode = 1;
            return outcome;
        }
        source.isImage = false;
        source.imagePath.clear();
        source.diskNumber = media.diskNumber;
        source.firstSector = media.firstSector;
        // A whole disk runs to its end; the source learns its length when it is opened.
        source.sectorCount = media.wholeDisk ? 0 : media.sectorCount;
        source.driveLetter = media.tag;
        source.sourceTag = media.tag;
    } else {
        outcome.error = SourceKindProblem(options_.source);
        if (!outcome.error.empty()) {
            outcome.exitCode = 1;
            return outcome;
        }
    }
    sources_.clear();
    sources_.push_back(std::move(source));

    CConsoleScanWindow window(quiet, options_.resume);
    CScanProgressSink sink(texts_);
    sink.SetDisplay([&window](const ScanProgressView& view) { window.Show(view); });
    ProgressBridge bridge{&sink};
    CScanDriver driver(window, texts_, &History());
    const int code = driver.Run(sources_, options_.deep, ProgressBridge::Fn, &bridge, nullptr);
    window.Finish();
    const ScanSource& scanned = sources_[0];
    outcome.fileSystem = FileSystemKindName(scanned.refusal.kind);
    if (code == kScanWindowNoEngine) {
        outcome.exitCode = 1;
        outcome.error = refusalText(scanned.refusal);
        return outcome;
    }
    outcome.cancelled = sink.Cancelled();
    if (auto* deep = dynamic_cast<CProfessionalRecovery*>(scanned.engine.get());
        deep && !deep->FileSystemProblem().empty())
        outcome.note = "the " + platform::toUtf8(FileSystemKindName(deep->ProbedKind())) +
                       " file system's own structures could not be used (" + deep->FileSystemProblem() +
                       "); every sector was searched for files and folders";
    if (!options_.deep && scanned.scanResult != 0 && scanned.scanResult != CancelCode) {
        const std::string why = "its " + platform::toUtf8(outcome.fileSystem) + " file system could not be read: " +
                                platform::toUtf8(platform::errorMessage(scanned.scanResult));
        // What was found before the failure is still shown; with nothing found it is a failure.
        if (scanned.engine->GetFoundCount() == 0) {
            outcome.exitCode = 1;
            outcome.error = why + " (--deep searches it by content)";
        } else {
            outcome.note = why + "; showing what was found before";
        }
    }
    return outcome;
}

}  // namespace qm::cli
