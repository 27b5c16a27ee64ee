#include "cli/image_command.h"

#include <cstdio>

#include "cli/console_scan_window.h"
#include "cli/destination_guard.h"
#include "cli/failure_report.h"
#include "cli/json_writer.h"
#include "cli/media_command.h"
#include "cli/scan_session.h"
#include "disk/format_text.h"
#include "disk/image_copy.h"
#include "engines/file_recovery_parse.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::cli {
namespace {

constexpr int kExitSourceError = 1;
constexpr int kExitIncomplete = 3;
constexpr int kExitInterrupted = 4;

std::string utf8(const std::wstring& text) { return platform::toUtf8(text); }

struct ImageProgress {
    bool quiet = false;
    bool terminal = false;
    bool barOpen = false;
    int lastPlainPercent = -1;
    int shownPercent = -1;
    uint64_t sectorSize = kDefaultSectorSize;
    uint64_t startTick = platform::tickCount();
    uint64_t lastDrawTick = 0;

    // The scan's progress line: forward only, ten redraws a second at most on a terminal.
    static int QM_STDCALL Fn(void* user, int percent, uint32_t doneLow, uint32_t doneHigh, uint32_t totalLow,
                             uint32_t totalHigh, int secondsLeft) {
        auto* self = static_cast<ImageProgress*>(user);
        if (g_interrupted) return CancelCode;
        if (self->quiet || percent < self->shownPercent) return 0;
        const uint64_t now = platform::tickCount();
        if (self->terminal && percent < 100 && percent == self->shownPercent && now - self->lastDrawTick < 100) return 0;
        self->shownPercent = percent;
        const uint64_t done = doneLow | (static_cast<uint64_t>(doneHigh) << 32);
        const uint64_t total = totalLow | (static_cast<uint64_t>(totalHigh) << 32);
        const double seconds = static_cast<double>(now - self->startTick) / 1000.0;
        const double rate = seconds >= 1 ? static_cast<double>(done * self->sectorSize) / seconds : 0;
        const std::wstring line = CConsoleScanWindow::ProgressLine(percent, done, total, rate, std::nullopt, secondsLeft);
        if (self->terminal) {
            if (percent < 100 && now - self->lastDrawTick < 100) return 0;
            self->lastDrawTick = now;
            constexpr int kWidth = 30;
            const int filled = percent * kWidth / 100;
            WriteText(stderr, L"\r[" + std::wstring(filled, L'#') + std::wstring(kWidth - filled, L'-') + L"] " + line +
                                  L"\x1b[K");
            self->barOpen = true;
        } else if (percent / 10 != self->lastPlainPercent / 10) {
            WriteText(stderr, line + L"\n");
            self->lastPlainPercent = percent;
        }
        std::fflush(stderr);
        return 0;
    }
};

}  // namespace

int RunImageCommand(const CliOptions& options) {
    const std::wstring imagePath = platform::fromUtf8(options.destination);
    ImageCopyJob job;
    ImageProgress progress;
    progress.quiet = options.json || options.quiet;
    progress.terminal = platform::stderrIsTerminal();
    job.progress = ImageProgress::Fn;

    // A disk name, or an image file standing in for a disk.
    std::unique_ptr<FileImageSource> source = std::make_unique<FileImageSource>();
    uint64_t first = 0, count = 0;
    int rc = 0;
    const bool fromDisk = LooksLikeMediaName(options.source);
    if (fromDisk) {
        MediaSource media;
        std::string error;
        if (!ResolveMediaSource(options.source, media, error)) {
            return ReportFailure(options, kExitSourceError, kErrorFileNotFound, error);
        }
        first = media.firstSector;
        count = media.sectorCount;
        rc = source->OpenDisk(media.diskNumber);
    } else {
        if (const std::string problem = SourceKindProblem(options.source); !problem.empty()) {
            return ReportFailure(options, kExitSourceError, kErrorInvalidParameter,
                                 "cannot open " + options.source + ": " + problem);
        }
        rc = source->OpenImageFile(platform::fromUtf8(options.source));
    }
    if (rc != 0) {
        return ReportFailure(options, kExitSourceError, rc,
                             "cannot open " + options.source + ": " + utf8(platform::errorMessage(rc)));
    }
    if (IsSameFile(source->Path(), imagePath)) {
        return ReportFailure(options, 2, kErrorInvalidParameter,
                             "the image cannot be written over its own source (" + options.destination + ")");
    }
    if (int refused = RefuseDestinationOnSource(options, {source->Path(), fromDisk}, "image", "copied"))
        return refused;
    if (!options.json && !options.quiet)
        std::fprintf(stderr, "imaging %s into %s\n", options.source.c_str(), options.destination.c_str());
    rc = CopySourceToImage(job, std::move(source), first, count, imagePath, &progress);
    if (progress.barOpen) std::fputc('\n', stderr);
    const bool interrupted = rc == CancelCode;

    if (options.json) {
        JsonWriter json;
        json.beginObject();
        json.key("source").string(options.source);
        json.key("image").string(options.destination);
        json.key("sectorSize").unsignedNumber(job.sectorSize);
        json.key("sectors").unsignedNumber(job.sectorCount);
        json.key("copied").unsignedNumber(job.sectorsCopied);
        json.key("unreadableSectors").unsignedNumber(job.unreadableSectors);
        if (job.unreadableSectors)
            json.key("badSectorMap").string(utf8(BadSectorMapPath(imagePath)));
        else
            json.key("badSectorMap").null();
        json.key("interrupted").boolean(interrupted);
        json.key("error").number(interrupted ? 0 : rc);
        json.key("message").string(rc == 0 || interrupted ? "" : utf8(platform::errorMessage(rc)));
        json.endObject();
        std::printf("%s\n", json.text().c_str());
    }
    if (interrupted) {
        if (!options.json)
            std::fprintf(stderr, "quillmere: interrupted; %s holds the first %llu sectors\n",
                         options.destination.c_str(), static_cast<unsigned long long>(job.sectorsCopied));
        return kExitInterrupted;
    }
    if (rc != 0) {
        if (!options.json)
            std::fprintf(stderr, "quillmere: imaging %s failed after %llu sectors: %s\n", options.source.c_str(),
                         static_cast<unsigned long long>(job.sectorsCopied), utf8(platform::errorMessage(rc)).c_str());
        return kExitIncomplete;
    }
    if (!options.json) {
        std::printf("%s: %llu sectors of %u bytes (%s) copied into %s\n", options.source.c_str(),
                    static_cast<unsigned long long>(job.sectorsCopied), job.sectorSize,
                    utf8(FormatSize(job.sectorsCopied * job.sectorSize)).c_str(), options.destination.c_str());
        if (job.unreadableSectors)
            std::printf("  %llu sectors could not be read and are zeros in the image; they are listed in %s\n",
                        static_cast<unsigned long long>(job.unreadableSectors),
                        utf8(BadSectorMapPath(imagePath)).c_str());
    }
    return job.unreadableSectors ? kExitIncomplete : 0;
}

}  // namespace qm::cli
