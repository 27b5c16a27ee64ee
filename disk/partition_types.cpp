// Names of partition types, as a user knows them.
#include <cstdio>

#include "disk/partition_table.h"
#include "disk/partition_table_readers.h"

namespace qm {
namespace {

struct MbrTypeNameEntry {
    uint8_t type;
    const wchar_t* name;
};

constexpr MbrTypeNameEntry kMbrTypes[] = {
    {0x01, L"FAT12"},
    {0x04, L"FAT16 (<32 MB)"},
    {0x05, L"Extended"},
    {0x06, L"FAT16"},
    {0x07, L"NTFS/exFAT"},
    {0x0B, L"FAT32 (CHS)"},
    {0x0C, L"FAT32 (LBA)"},
    {0x0E, L"FAT16 (LBA)"},
    {0x0F, L"Extended (LBA)"},
    {0x11, L"Hidden FAT12"},
    {0x14, L"Hidden FAT16 (<32 MB)"},
    {0x16, L"Hidden FAT16"},
    {0x17, L"Hidden NTFS/exFAT"},
    {0x1B, L"Hidden FAT32 (CHS)"},
    {0x1C, L"Hidden FAT32 (LBA)"},
    {0x1E, L"Hidden FAT16 (LBA)"},
    {0x27, L"Recovery"},
    {0x42, L"Dynamic disk"},
    {0x82, L"Linux swap"},
    {0x83, L"Linux"},
    {0x85, L"Linux extended"},
    {0x8E, L"Linux LVM"},
    {0xA5, L"FreeBSD"},
    {0xA6, L"OpenBSD"},
    {0xA9, L"NetBSD"},
    {0xAF, L"Apple HFS/HFS+"},
    {0xEE, L"GPT protective"},
    {0xEF, L"EFI system"},
    {0xFD, L"Linux RAID"},
};

struct GptTypeNameEntry {
    const wchar_t* guid;
    const wchar_t* name;
};

constexpr GptTypeNameEntry kGptTypes[] = {
    {L"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", L"EFI system"},
    {L"21686148-6449-6E6F-744E-656564454649", L"BIOS boot"},
    {L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", L"Microsoft basic data"},
    {L"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", L"Microsoft reserved"},
    {L"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", L"Windows recovery"},
    {L"5808C8AA-7E8F-42E0-85D2-E1E90434CFB3", L"Windows LDM metadata"},
    {L"AF9B60A0-1431-4F62-BC68-3311714A69AD", L"Windows LDM data"},
    {L"0FC63DAF-8483-4772-8E79-3D69D8477DE4", L"Linux filesystem"},
    {L"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", L"Linux swap"},
    {L"E6D6D379-F507-44C2-A23C-238F2A3DF928", L"Linux LVM"},
    {L"A19D880F-05FC-4D3B-A006-743F0F84911E", L"Linux RAID"},
    {L"933AC7E1-2EB4-4F13-B844-0E14E2AEF915", L"Linux home"},
    {L"48465300-0000-11AA-AA11-00306543ECAC", L"Apple HFS+"},
    {L"7C3457EF-0000-11AA-AA11-00306543ECAC", L"Apple APFS"},
};

}  // namespace

bool IsExtendedMbrType(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

std::wstring MbrTypeName(uint8_t type) {
    for (const MbrTypeNameEntry& entry : kMbrTypes)
        if (entry.type == type) return entry.name;
    wchar_t text[16];
    std::swprintf(text, 16, L"type 0x%02X", static_cast<unsigned>(type));
    return text;
}

std::wstring GuidText(const std::array<uint8_t, 16>& guid) {
    const ByteView b(guid.data(), guid.size());
    wchar_t text[40];
    // The first three fields are stored little-endian, the last two as bytes in order.
    std::swprintf(text, 40, L"%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(b.u32(0)),
                  static_cast<unsigned>(b.u16(4)), static_cast<unsigned>(b.u16(6)), guid[8], guid[9], guid[10],
                  guid[11], guid[12], guid[13], guid[14], guid[15]);
    return text;
}

std::wstring GptTypeName(const std::array<uint8_t, 16>& guid) {
    const std::wstring text = GuidText(guid);
    for (const GptTypeNameEntry& entry : kGptTypes)
        if (text == entry.guid) return entry.name;
    return text;
}

}  // namespace qm
