#include "cli/destination_guard.h"

#include <cstdio>

#include "cli/media_command.h"
#include "disk/destination_check.h"
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

int RefuseDestinationOnSource(const platform::SourceMedium& source, const std::string& destination,
                              const char* kind, const char* done) {
    const DestinationCheck check = CheckDestination(source, platform::fromUtf8(destination));
    if (!check.onSource) return 0;
    std::fprintf(stderr, "quillmere: the %s %s lies on the medium being %s (%s); choose a folder on another disk\n",
                 kind, destination.c_str(), done, platform::toUtf8(check.device).c_str());
    return kExitDestinationOnSource;
}

int RefuseDestinationOnSource(const std::string& sourceText, const std::string& destination) {
    platform::SourceMedium medium;
    if (!SourceMediumOf(sourceText, medium)) return 0;
    return RefuseDestinationOnSource(medium, destination, "destination", "recovered");
}

}  // namespace qm::cli
