#include "cli/scan_session.h"

#include "cli/console_scan_window.h"
#include "cli/media_command.h"
#include "disk/file_system_probe.h"
#include "disk/sector_reader.h"
#include "engines/scan_progress.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"
#include "results/scan_history.h"

namespace qm::cli {

std::atomic<bool> g_interrupted{false};

namespace {
void onCtrlC() { g_interrupted = true; }

struct ProgressBridge {
    CScanProgressSink* sink;
    static int QM_STDCALL Fn(void* user, int step, int scale, int secondsLeft, uint64_t sectorsDone,
                             uint64_t totalSectors, uint64_t filesFound, int reserved) {
        auto* self = static_cast<ProgressBridge*>(user);
        if (g_interrupted) self->sink->Cancel();
        return CScanProgressSink::Callback(self->sink, step, scale, secondsLeft, sectorsDone, totalSectors,
                                           filesFound, reserved);
    }
};
}  // namespace

void InstallInterruptHandler() { platform::onInterrupt(onCtrlC); }

ScanOutcome CScanSession::Run(bool quiet) {
    ScanOutcome outcome;
    const std::wstring path = platform::fromUtf8(options_.source);
    ScanSource source;
    source.isImage = true;
    source.imagePath = path;
    source.sourceTag = 1;
    // Say precisely why a source cannot be scanned before the driver only learns "no engine".
    std::vector<uint8_t> probe;
    int rc = 0;
    if (LooksLikeMediaName(options_.source)) {
        MediaSource media;
        if (!ResolveMediaSource(options_.source, media, outcome.error)) {
            outcome.exitCode = 1;
            return outcome;
        }
        if (media.wholeDisk) {
            SectorReader disk;
            rc = disk.OpenDisk(media.diskNumber);
            media.sectorCount = disk.totalSectors;
        }
        if (rc == 0) rc = ReadProbeFromDisk(media.diskNumber, media.firstSector, probe);
        source.isImage = false;
        source.imagePath.clear();
        source.diskNumber = media.diskNumber;
        source.firstSector = media.firstSector;
        source.sectorCount = media.sectorCount;
        source.driveLetter = media.tag;
        source.sourceTag = media.tag;
    } else {
        outcome.error = SourceKindProblem(options_.source);
        if (!outcome.error.empty()) {
            outcome.exitCode = 1;
            return outcome;
        }
        rc = ReadProbeFromImage(path, probe);
    }
    if (rc != 0) {
        outcome.exitCode = 1;
        outcome.error = rc == kErrorReadFault ? "it is too short to hold a file system"
                                              : platform::toUtf8(platform::errorMessage(rc));
        return outcome;
    }
    const FileSystemKind kind = ProbeFileSystem(ByteView(probe.data(), probe.size()));
    outcome.fileSystem = FileSystemKindName(kind);

    if (!options_.stateDir.empty()) platform::setEnvironment("QUILLMERE_APPDATA", platform::fromUtf8(options_.stateDir));
    sources_.clear();
    sources_.push_back(std::move(source));

    CConsoleScanWindow window(quiet, options_.resume);
    CScanProgressSink sink(texts_);
    sink.SetDisplay([&window](const ScanProgressView& view) { window.Show(view); });
    ProgressBridge bridge{&sink};
    CScanDriver driver(window, texts_, &CScanHistory::Instance());
    const int code = driver.Run(sources_, options_.deep, ProgressBridge::Fn, &bridge, nullptr);
    window.Finish();
    if (code == kScanWindowNoEngine) {
        outcome.exitCode = 1;
        outcome.error = kind == FileSystemKind::Unknown
                            ? "no FAT or NTFS file system was found at its start (--deep searches it by content)"
                                                        : "it could not be opened";
        return outcome;
    }
    outcome.cancelled = sink.Cancelled();
    return outcome;
}

}  // namespace qm::cli
