#include "disk/volume_file_system.h"

#include <cwctype>

#include "disk/fat_boot_sector.h"
#include "disk/file_system_probe.h"
#include "disk/volume_entry.h"

namespace qm {
namespace {

// Boot-sector labels are blank-padded OEM text; anything outside printable ASCII is shown as '?'.
std::wstring paddedLabel(ByteView bytes, size_t offset, size_t length) {
    std::wstring text;
    for (size_t i = 0; i < length && bytes.has(offset + i, 1); ++i) {
        const uint8_t c = bytes.u8(offset + i);
        if (c == 0) break;
        text += (c >= 0x20 && c < 0x7F) ? static_cast<wchar_t>(c) : L'?';
    }
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (text == L"NO NAME") text.clear();
    return text;
}

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

}  // namespace

uint8_t DescribeVolumeFileSystem(ByteView probe, std::wstring& name, std::wstring& label) {
    name.clear();
    label.clear();
    const ByteView boot = probe.sub(0, 512);
    // What the boot sector names, usable or not: the scan explains what cannot be used.
    switch (ExamineFileSystem(probe).kind) {
        case FileSystemKind::Ntfs:
            name = L"NTFS";  // the label lives in a file of the volume, not in its boot sector
            return kFsTypeNtfs;
        case FileSystemKind::Fat:
            if (boot.u16(fatboot::kSectorsPerFat16) == 0) {
                name = L"FAT32";
                if (boot.u8(fatboot::kExtendedSignature32) == 0x29) label = paddedLabel(boot, fatboot::kLabel32, 11);
                return kFsTypeFat32;
            }
            name = L"FAT";
            if (boot.u8(fatboot::kExtendedSignature16) == 0x29) label = paddedLabel(boot, fatboot::kLabel16, 11);
            return kFsTypeFat;
        case FileSystemKind::Ext:
            name = L"ext";
            label = paddedLabel(probe.sub(1024, 1024), 0x78, 16);
            return kFsTypeLinux;
        case FileSystemKind::ExFat:
            // Its label is an entry of the root folder; the partition type byte is NTFS's.
            name = L"exFAT";
            return kFsTypeExFat;
        case FileSystemKind::Unknown: break;
    }
    return 0;
}

uint8_t FsTypeFromName(const std::wstring& name) {
    const std::wstring n = lower(name);
    if (n == L"ntfs" || n == L"ntfs3") return kFsTypeNtfs;
    if (n == L"fat32") return kFsTypeFat32;
    if (n == L"exfat") return kFsTypeExFat;
    if (n == L"fat" || n == L"vfat" || n == L"msdos") return kFsTypeFat;
    if (n == L"ext2" || n == L"ext3" || n == L"ext4") return kFsTypeLinux;
    return 0;
}

}  // namespace qm
