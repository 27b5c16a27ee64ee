// One found file or folder: the unit of the scan log and of every list handed to the user
// interface. The layout is our own stored format, identical on every platform.
#pragma once
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

static_assert(std::endian::native == std::endian::little, "scan logs are stored little-endian");

// Which engine wrote a record; the deep-mode coordinator routes operations on a record by it.
enum SourceKind : int32_t {
    kSourceFastNtfs = 0,
    kSourceFastFat = 1,
    kSourceProNtfs = 2,
    kSourceProFat = 3,
    kSourceCarving = 4,
    kSourceFastExFat = 5,
    kSourceProExFat = 6,
};

inline constexpr size_t kRecordNameBytes = 260;

#pragma pack(push, 1)
struct ScanRecord {
    uint16_t driveLetter = 0;   // the source tag given when the source was opened
    int32_t sourceKind = 0;     // SourceKind
    int32_t isFolder = 0;       // 1 folder, 0 file
    uint8_t reserved[4] = {};   // [0]: deleted (or in a deleted folder) where the engine knows
    int32_t condition = 0;      // 1 recoverable, 0 damaged or overwritten
    int32_t recordNo = 0;       // 1-based ordinal in the scan log
    int32_t fsId = 0;           // FAT first cluster, MFT record number, 0 for carved files
    int32_t clusterBytes = 0;   // -1 for carved files and lost folders
    uint64_t created = 0;       // FILETIME; 0 = unknown
    uint64_t accessed = 0;
    uint64_t modified = 0;
    uint64_t size = 0;
    uint64_t dataStart = 0;     // FAT: first data sector relative to the partition start
    uint64_t location = 0;      // sector of the entry (carved: first sector of the file)
    uint64_t partitionStart = 0;
    char name[kRecordNameBytes] = {};  // UTF-8, NUL-terminated when shorter than the field
};
#pragma pack(pop)

inline constexpr size_t kScanRecordBytes = 346;
static_assert(sizeof(ScanRecord) == kScanRecordBytes);
static_assert(offsetof(ScanRecord, driveLetter) == 0);
static_assert(offsetof(ScanRecord, sourceKind) == 2);
static_assert(offsetof(ScanRecord, isFolder) == 6);
static_assert(offsetof(ScanRecord, reserved) == 10);
static_assert(offsetof(ScanRecord, condition) == 14);
static_assert(offsetof(ScanRecord, recordNo) == 18);
static_assert(offsetof(ScanRecord, fsId) == 22);
static_assert(offsetof(ScanRecord, clusterBytes) == 26);
static_assert(offsetof(ScanRecord, created) == 30);
static_assert(offsetof(ScanRecord, accessed) == 38);
static_assert(offsetof(ScanRecord, modified) == 46);
static_assert(offsetof(ScanRecord, size) == 54);
static_assert(offsetof(ScanRecord, dataStart) == 62);
static_assert(offsetof(ScanRecord, location) == 70);
static_assert(offsetof(ScanRecord, partitionStart) == 78);
static_assert(offsetof(ScanRecord, name) == 86);

// Byte position of a record in its scan log. 64-bit: logs pass 4 GiB after about 12.4
// million records, which a deep scan of a large disk reaches.
constexpr uint64_t recordOffset(int32_t recordNo) {
    return recordNo > 0 ? static_cast<uint64_t>(recordNo - 1) * kScanRecordBytes : 0;
}

// A folder as a parent: its fsId in the low 32 bits, its depth below the root in the high 32.
struct ParentKey {
    uint64_t value = 0;

    constexpr ParentKey() = default;
    constexpr explicit ParentKey(uint64_t raw) : value(raw) {}
    static constexpr ParentKey make(int32_t fsId, uint32_t depth) {
        return ParentKey((static_cast<uint64_t>(depth) << 32) | static_cast<uint32_t>(fsId));
    }
    constexpr int32_t fsId() const { return static_cast<int32_t>(static_cast<uint32_t>(value)); }
    constexpr uint32_t depth() const { return static_cast<uint32_t>(value >> 32); }

    friend constexpr auto operator<=>(const ParentKey&, const ParentKey&) = default;
};

// Name fields (records and folder-name entries): set from UTF-8, cut on a character boundary
// so that the extension survives; read back bounded by the field even without a NUL.
void setNameField(char (&field)[kRecordNameBytes], std::string_view utf8);
std::string nameFieldText(const char (&field)[kRecordNameBytes]);
std::string_view nameFieldView(const char (&field)[kRecordNameBytes]);

inline void setRecordName(ScanRecord& record, std::string_view utf8) { setNameField(record.name, utf8); }
inline std::string recordName(const ScanRecord& record) { return nameFieldText(record.name); }

// The text after the last "." of a record's name, lower-cased (ASCII); empty when none.
std::string recordExtensionLower(const ScanRecord& record);

// Record order of every sorted list: files before folders, then names compared byte by byte
// ignoring ASCII case.
int compareNamesIgnoreCase(std::string_view a, std::string_view b);
bool recordOrderLess(const ScanRecord& a, const ScanRecord& b);

}  // namespace qm
