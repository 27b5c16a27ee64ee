// One MFT record of arbitrary bytes through every decoder of the NTFS structures: no read
// may leave the record, no walk may loop. The first byte picks the sector size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engines/ntfs/lznt1.h"
#include "engines/ntfs/ntfs_attribute_list.h"
#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_record_decode.h"
#include "engines/ntfs/ntfs_runs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    qm::NtfsVolumeGeometry g;
    static const int32_t sectorSizes[] = {512, 1024, 2048, 4096};
    qm::setRecordLayout(g, sectorSizes[data[0] & 3]);
    g.sectorsPerCluster = 8;
    g.clusterBytes = 8 * g.bytesPerSector;
    // Exactly the record's bytes, in a buffer of their own so that any overrun is caught.
    std::vector<uint8_t> record(data + 1, data + size);
    qm::decodeFileRecord(record.data(), record.size(), g);
    const qm::ByteView view(record.data(), record.size());
    for (const qm::NtfsRecordRules& rules : {qm::kDeepRecordRules, qm::kDeepParentRules}) {
        const qm::NtfsRecordSummary s = qm::decodeRecord(view, record.size(), g, rules);
        if (s.hasFileName && s.names.empty()) __builtin_trap();  // a name taken is a name read
        const uint8_t* data = s.residentData.data();
        if (data && (data < record.data() || data + s.residentData.size() > record.data() + record.size()))
            __builtin_trap();
    }

    for (const qm::AttributeWalkRules& rules : {qm::kRecordParseRules, qm::kLookupRules}) {
        size_t visits = 0;
        qm::walkAttributes(view, qm::recordFirstAttribute(view), qm::recordWalkEnd(view, record.size()), rules,
                           [&](const qm::NtfsAttribute& a) {
                               if (++visits > record.size()) __builtin_trap();  // each step moves forward
                               qm::RunList runs;
                               qm::decodeRuns(a.bytes, g, runs);
                               qm::runStartClusters(runs);
                               qm::NtfsFileName name;
                               qm::parseFileName(a.bytes, name);
                               if (name.name.size() > 255) __builtin_trap();
                               qm::parseAttributeList(a.residentContent());
                               std::vector<uint8_t> unit(16 * 1024);
                               qm::decompressLznt1(a.residentContent(), unit.data(), unit.size());
                               return true;
                           });
    }
    return 0;
}
