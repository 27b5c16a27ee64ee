#include "cli/failure_report.h"

#include <algorithm>
#include <cstdio>

#include "cli/json_writer.h"
#include "platform/errors.h"

namespace qm::cli {
namespace {

void printDocument(const std::string& source, const char* mode, int exitCode, int error, const std::string& message) {
    JsonWriter json;
    json.beginObject();
    json.key("source").string(source);
    if (mode)
        json.key("mode").string(mode);
    else
        json.key("mode").null();
    json.key("exitCode").number(exitCode);
    json.key("error").number(error);
    json.key("message").string(message);
    json.endObject();
    std::printf("%s\n", json.text().c_str());
}

}  // namespace

int ReportFailure(const CliOptions& options, int exitCode, int error, const std::string& message) {
    std::fprintf(stderr, "quillmere: %s\n", message.c_str());
    if (options.json) printDocument(options.source, options.deep ? "deep" : "fast", exitCode, error, message);
    return exitCode;
}

int ReportUsageError(const std::vector<std::string>& args, const std::string& command, const std::string& message) {
    constexpr int kExitUsage = 2;
    std::fprintf(stderr, "quillmere: %s (see 'quillmere --help%s%s')\n", message.c_str(), command.empty() ? "" : " ",
                 command.c_str());
    if (std::find(args.begin(), args.end(), "--json") != args.end())
        printDocument("", nullptr, kExitUsage, kErrorInvalidParameter, message);
    return kExitUsage;
}

}  // namespace qm::cli
