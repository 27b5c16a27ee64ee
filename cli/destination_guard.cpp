#include "cli/destination_guard.h"

#include "cli/failure_report.h"
#include "cli/media_command.h"
#include "disk/destination_check.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::cli {

bool SourceMediumOf(const std::string& sourceText, platform::SourceMedium& medium) {
    if (!LooksLikeMediaName(sourceText)) {
        medium = ImageFileMedium(platform::fromUtf8(sourceText));
        return true;
    }
    MediaSource media;
    std::string error;
    if (!ResolveMediaSource(sourceText, media, error)) return false;
    // A partition stands for its whole disk: a neighbouring partition leaves its sectors alone,
    // but a failing disk or a wrong partition table is best not written at all.
    medium = DiskMedium(media.diskNumber);
    return true;
}

int RefuseDestinationOnSource(const CliOptions& options, const platform::SourceMedium& source, const char* kind,
                              const char* done) {
    const DestinationCheck check = CheckDestination(source, platform::fromUtf8(options.destination));
    if (!check.onSource) return 0;
    return ReportFailure(options, kExitDestinationOnSource, kErrorAccessDenied,
                         std::string("the ") + kind + " " + options.destination + " lies on the medium being " + done +
                             " (" + platform::toUtf8(check.device) + "); choose a folder on another disk");
}

int RefuseDestinationOnSource(const CliOptions& options) {
    platform::SourceMedium medium;
    if (!SourceMediumOf(options.source, medium)) return 0;
    return RefuseDestinationOnSource(options, medium, "destination", "recovered");
}

}  // namespace qm::cli
