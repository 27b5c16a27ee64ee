// Boot-sector probing over arbitrary bytes: must never read out of bounds or crash.
#include <cstddef>
#include <cstdint>

#include "disk/file_system_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qm::ByteView probe(data, size);
    const qm::FileSystemKind kind = qm::ProbeFileSystem(probe);
    // The sub-tests must agree with the verdict they produced.
    if (kind == qm::FileSystemKind::Ntfs && !qm::IsNtfsBootSector(probe.sub(0, 512))) __builtin_trap();
    if (kind == qm::FileSystemKind::Fat && qm::IsEncryptedBootSector(probe.sub(0, 512))) __builtin_trap();
    return 0;
}
