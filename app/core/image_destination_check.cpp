#include "app/core/image_destination_check.h"

#include "disk/format_text.h"

namespace qm {

namespace {

wchar_t upperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text) c = upperAscii(c);
    return text;
}

bool isLetter(uint16_t tag) { return (tag >= u'A' && tag <= u'Z') || (tag >= u'a' && tag <= u'z'); }

}  // namespace

std::wstring CheckImageDestination(const ImageDestination& destination, uint16_t sourceDriveLetter,
                                   uint64_t imageBytes) {
    // "e:\disk.img" lies on partition E as much as "E:\disk.img" does.
    if (isLetter(sourceDriveLetter) && !destination.path.empty() &&
        upperAscii(destination.path.front()) == upperAscii(static_cast<wchar_t>(sourceDriveLetter))) {
        return L"MSG0218";
    }
    const std::wstring fileSystem = upperAscii(destination.fileSystem);
    if (fileSystem.find(L"FAT32") != std::wstring::npos) {
        if (imageBytes > kFat32LargestFile) return L"MSG0220";
    } else if (fileSystem.find(L"FAT") != std::wstring::npos) {
        if (imageBytes > kFatLargestFile) return L"MSG0219";
    }
    if (destination.freeBytes && *destination.freeBytes <= imageBytes) return L"MSG0221";
    return {};
}

std::wstring ProposedImageName(const VolumeEntry& entry) {
    const std::wstring tag = HasDriveLetter(entry) ? std::wstring(1, upperAscii(static_cast<wchar_t>(entry.tag)))
                                                   : std::to_wstring(entry.tag);
    return tag + L" (" + entry.fsName + L", " + FormatSize(entry.totalBytes) + L")";
}

std::wstring ProposedDiskImageName(int diskNumber) { return L"Physical Disk " + std::to_wstring(diskNumber + 1); }

}  // namespace qm
