#pragma once
#include "cli/options.h"

namespace qm::cli {

int RunScanCommand(const CliOptions& options);
int RunListCommand(const CliOptions& options);
int RunRecoverCommand(const CliOptions& options);

}  // namespace qm::cli
