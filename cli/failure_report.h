// How a command says it failed: one line on standard error, and with --json one JSON document
// on standard output with the error's number and message, so a script always gets a document.
#pragma once
#include <string>

#include "cli/options.h"

namespace qm::cli {

// Reports the failure and returns exitCode. error: a Windows error number (0 when none fits).
int ReportFailure(const CliOptions& options, int exitCode, int error, const std::string& message);

// The same for arguments that could not be parsed (exit 2): with --json among them, the
// document; the line points at the command's help instead of printing it.
int ReportUsageError(const std::vector<std::string>& args, const std::string& command, const std::string& message);

}  // namespace qm::cli
