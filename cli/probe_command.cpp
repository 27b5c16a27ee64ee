#include "cli/probe_command.h"

#include <cstdio>

#include "cli/media_command.h"
#include "disk/file_system_probe.h"
#include "disk/format_text.h"
#include "disk/sector_reader.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::cli {

int RunProbe(const std::string& image) {
    const std::wstring path = platform::fromUtf8(image);
    if (const std::string problem = SourceKindProblem(image); !problem.empty()) {
        std::fprintf(stderr, "quillmere: cannot open %s: %s\n", image.c_str(), problem.c_str());
        return 1;
    }
    SectorReader reader;
    if (int rc = reader.OpenImageFile(path); rc != 0) {
        std::fprintf(stderr, "quillmere: cannot open %s: %s\n", image.c_str(),
                     platform::toUtf8(platform::errorMessage(rc)).c_str());
        return 1;
    }
    const uint32_t sectorSize = QuerySectorSize(reader.handle);
    std::vector<uint8_t> probe;
    if (int rc = ReadProbeFromImage(path, probe); rc != 0) {
        std::fprintf(stderr, "quillmere: cannot read the first 16 KiB of %s: %s\n", image.c_str(),
                     platform::toUtf8(platform::errorMessage(rc)).c_str());
        return 1;
    }
    const FileSystemKind kind = ProbeFileSystem(ByteView(probe.data(), probe.size()));
    std::printf("%s\n  file system: %s\n  size: %s\n  sector size: %u bytes\n", image.c_str(),
                platform::toUtf8(FileSystemKindName(kind)).c_str(),
                platform::toUtf8(FormatSize(reader.totalSectors * kDefaultSectorSize)).c_str(), sectorSize);
    return 0;
}

}  // namespace qm::cli
