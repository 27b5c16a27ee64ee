// Refuses a destination on the medium being read, before anything is written there.
#pragma once
#include <string>

#include "cli/options.h"
#include "platform/same_medium.h"

namespace qm::cli {

inline constexpr int kExitDestinationOnSource = 2;

// The medium a SOURCE argument names: a disk name (through the disk list) or an image file.
// False when a disk name does not resolve; the scan reports that itself.
bool SourceMediumOf(const std::string& sourceText, platform::SourceMedium& medium);

// 0 when options.destination may be written; otherwise reports why and returns
// kExitDestinationOnSource. The message names the destination as `kind` ("destination",
// "image") and the medium as being `done` ("recovered", "copied").
int RefuseDestinationOnSource(const CliOptions& options, const platform::SourceMedium& source, const char* kind,
                              const char* done);
// For "recover": the source as given on the command line.
int RefuseDestinationOnSource(const CliOptions& options);

}  // namespace qm::cli
