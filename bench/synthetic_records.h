// Found files as a big, well-used card gives them to the results page: a realistic mix of
// names, sizes and times, the same for every run.
#pragma once
#include <cstdio>
#include <iterator>
#include <random>
#include <vector>

#include "results/scan_record.h"

namespace qm {

struct Kind {
    const char* pattern;  // printf pattern of a name from a number
    int weight;           // share in a thousand
    uint64_t typicalBytes;
};

// What a well-used camera card and a document folder hold: mostly photos, then documents,
// music and video, some archives, and a tail of names without a known extension.
inline const Kind kKinds[] = {
    {"IMG_%07d.JPG", 380, 4u << 20},      {"DSC%07d.jpg", 80, 6u << 20},   {"Screenshot %d.png", 60, 400u << 10},
    {"RAW_%07d.CR2", 30, 25u << 20},      {"scan%d.tif", 10, 8u << 20},    {"Track %d.mp3", 90, 5u << 20},
    {"voice%d.m4a", 20, 1u << 20},        {"clip%d.wav", 10, 30u << 20},   {"MOV_%07d.mp4", 60, 80u << 20},
    {"VID%07d.avi", 20, 200u << 20},      {"Report %d.docx", 50, 60u << 10}, {"sheet%d.xlsx", 30, 40u << 10},
    {"paper%d.pdf", 40, 900u << 10},      {"notes%d.txt", 20, 4u << 10},   {"backup%d.zip", 30, 50u << 20},
    {"data%d.7z", 10, 20u << 20},         {"FILE%07d.CHK", 30, 32u << 10}, {"thumb%d.db", 10, 16u << 10},
    {"README%d", 10, 2u << 10},           {"setup%d.exe", 0, 1u << 20},
};

inline std::vector<ScanRecord> makeRecords(size_t count, bool onlyPhotos) {
    std::vector<int> table;
    for (size_t k = 0; k < std::size(kKinds); ++k) table.insert(table.end(), kKinds[k].weight, static_cast<int>(k));
    std::mt19937_64 random(20240203);
    std::vector<ScanRecord> records(count);
    char name[64];
    for (size_t i = 0; i < count; ++i) {
        const Kind& kind = onlyPhotos ? kKinds[0] : kKinds[table[random() % table.size()]];
        std::snprintf(name, sizeof name, kind.pattern, static_cast<int>(i));
        ScanRecord& r = records[i];
        setRecordName(r, name);
        r.driveLetter = u'E';
        r.sourceKind = kSourceFastFat;
        r.condition = (random() % 20) ? 1 : 0;
        r.recordNo = static_cast<int32_t>(i + 1);
        r.size = kind.typicalBytes / 2 + random() % kind.typicalBytes;
        r.modified = 133514067060000000ull + (random() % 1000000000ull) * 10000000ull;
        r.created = r.modified - (random() % 1000ull) * 10000000ull;
    }
    return records;
}

}  // namespace qm
