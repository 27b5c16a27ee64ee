#include "cli/probe_command.h"

#include <cstdio>

#include "cli/image_media.h"
#include "cli/media_command.h"
#include "disk/file_system_probe.h"
#include "disk/format_text.h"
#include "disk/source.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::cli {

int RunProbe(const std::string& image) {
    const std::wstring path = platform::fromUtf8(image);
    if (const std::string problem = SourceKindProblem(image); !problem.empty()) {
        std::fprintf(stderr, "quillmere: cannot open %s: %s\n", image.c_str(), problem.c_str());
        return 1;
    }
    Source source;
    if (int rc = OpenSource(SourceLocation::Image(path, 1), source); rc != 0) {
        std::fprintf(stderr, "quillmere: cannot open %s: %s\n", image.c_str(),
                     platform::toUtf8(platform::errorMessage(rc)).c_str());
        return 1;
    }
    if (source.probeResult != 0) {
        std::fprintf(stderr, "quillmere: cannot read the first 16 KiB of %s: %s\n", image.c_str(),
                     platform::toUtf8(platform::errorMessage(source.probeResult)).c_str());
        return 1;
    }
    const ProbeVerdict& verdict = source.probe;
    std::printf("%s\n  file system: %s\n  size: %s\n  sector size: %u bytes\n", image.c_str(),
                platform::toUtf8(FileSystemKindName(verdict.kind)).c_str(),
                platform::toUtf8(FormatSize(source.reader.totalSectors * kDefaultSectorSize)).c_str(),
                source.sectorSize);
    if (!verdict.problem.empty()) std::printf("  cannot be used: %s\n", verdict.problem.c_str());
    const ImageLayout layout = ReadImageLayout(source.reader);
    if (layout.IsDisk()) {
        std::printf("  partition table: %s, %u-byte sectors\n", SchemeName(layout.table.scheme), layout.table.sectorSize);
        PrintImageEntries(image, layout);
    }
    return 0;
}

}  // namespace qm::cli
