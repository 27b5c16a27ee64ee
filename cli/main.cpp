// quillmere: the command-line front end on the recovery core.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/failure_report.h"
#include "cli/image_command.h"
#include "cli/media_command.h"
#include "cli/options.h"
#include "cli/probe_command.h"
#include "cli/scan_session.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    qm::platform::prepareConsole();
    const std::vector<std::string> args(argv + 1, argv + argc);
    qm::cli::CliOptions options;
    std::string error;
    if (qm::cli::ParseOptions(args, options, error) != 0)
        return qm::cli::ReportUsageError(args, qm::cli::FindCommand(options.command) ? options.command : "", error);
    if (options.version) {
        std::printf("quillmere %s (built %s%s%s)\n", QM_VERSION_TEXT, QM_BUILD_DATE, *QM_COMMIT ? ", commit " : "",
                    QM_COMMIT);
        return 0;
    }
    if (options.help) {
        std::fputs(qm::cli::HelpText(options.command).c_str(), stdout);
        return 0;
    }
    qm::cli::InstallInterruptHandler();
    if (options.command == "probe") return qm::cli::RunProbe(options.source);
    if (options.command == "media") return qm::cli::RunMediaCommand(options);
    if (options.command == "image") return qm::cli::RunImageCommand(options);
    if (options.command == "scan") return qm::cli::RunScanCommand(options);
    if (options.command == "list") return qm::cli::RunListCommand(options);
    return qm::cli::RunRecoverCommand(options);
}
