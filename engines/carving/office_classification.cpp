#include "engines/carving/office_classification.h"

#include <cstring>

#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint8_t kWordClass[16] = {0x06, 0x09, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint8_t kWorkbookClass[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint8_t kWorkbook5Class[16] = {0x10, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint8_t kPowerPointClass[16] = {0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11,
                                          0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};

struct StreamName {
    const char* name;
    int code;
};
// "Workbook" is the stream every BIFF8 workbook has; "Wordbook" is kept as well.
constexpr StreamName kStreamNames[] = {
    {"WordDocument", kTypeDoc},
    {"Wordbook", kTypeXls},
    {"Workbook", kTypeXls},
    {"PowerPoint Document", kTypePpt},
};

// A directory entry's UTF-16 name equals `name` exactly, ignoring ASCII case.
bool EntryNameIs(ByteView entry, const char* name) {
    const size_t length = std::strlen(name);
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = entry.u8(2 * i);
        if (entry.u8(2 * i + 1) != 0) return false;
        uint8_t want = static_cast<uint8_t>(name[i]);
        if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
        if (want >= 'a' && want <= 'z') want = static_cast<uint8_t>(want - 32);
        if (c != want) return false;
    }
    return entry.has(2 * length, 2) && entry.u16(2 * length) == 0;
}

}  // namespace

uint32_t CompoundSectorSize(ByteView header) {
    const uint16_t shift = header.u16(30);
    return shift == 9 || shift == 12 ? 1u << shift : 0;
}

int ClassifyCompoundFile(CarveContext& ctx, ByteView header) {
    // Sector n of a compound file lies at byte (n + 1) * its own sector size.
    uint32_t size = CompoundSectorSize(header);
    if (size == 0) size = 512;
    uint8_t sector[4096];
    if (!ReadFileBytes(ctx, ctx.currentSector, size, size, sector, true)) return kTypeOle;
    const ByteView first(sector, size);
    if (HasText(first, 0, "\xEC\xA5")) return kTypeDoc;                  // Word file information block
    if (HasText(first, 0, "\x09\x08\x10\x00\x00\x06")) return kTypeXls;  // a workbook's BOF record

    const uint64_t directory = (static_cast<uint64_t>(header.u32(48)) + 1) * size;
    if (!ReadFileBytes(ctx, ctx.currentSector, directory, size, sector, true)) return kTypeOle;
    const ByteView dir(sector, size);
    if (dir.equals(80, kWordClass, 16)) return kTypeDoc;
    if (dir.equals(80, kWorkbookClass, 16) || dir.equals(80, kWorkbook5Class, 16)) return kTypeXls;
    if (dir.equals(80, kPowerPointClass, 16)) return kTypePpt;
    for (size_t entry = 0; entry + 128 <= size; entry += 128) {
        const ByteView e = dir.sub(entry, 64);
        for (const StreamName& s : kStreamNames)
            if (EntryNameIs(e, s.name)) return s.code;
    }
    return kTypeOle;
}

}  // namespace qm
