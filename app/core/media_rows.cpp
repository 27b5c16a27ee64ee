#include "app/core/media_rows.h"

#include "disk/format_text.h"

namespace qm {

namespace {

// The tag as the first column and the details show it: "E" for a drive letter, "3" for a number.
std::wstring tagText(const VolumeEntry& entry) {
    if (HasDriveLetter(entry)) return std::wstring(1, static_cast<wchar_t>(entry.tag));
    return std::to_wstring(entry.tag);
}

std::wstring labelled(const std::wstring& caption, const std::wstring& value) { return caption + L" " + value; }

}  // namespace

std::wstring DiskRowMessageKey(bool removable) { return removable ? L"MSG0202" : L"MSG0201"; }

MediaRow DiskRow(const std::wstring& diskWord, int diskNumber, bool removable) {
    MediaRow row;
    row.height = 30;
    row.columns[0] = std::wstring(L"{f 5}{x 5}{i ") + (removable ? L"removable_drive.png" : L"physical_drive.png") +
                     L" 1 0}{x 2}" + diskWord + L" " + std::to_wstring(diskNumber + 1) + L"{/5}";
    return row;
}

MediaRow EntryRow(const VolumeEntry& entry, bool onRemovableDisk) {
    MediaRow row;
    // A negative free count marks an entry the system could not measure.
    if (static_cast<int64_t>(entry.freeBytes) < 0) {
        row.columns[0] = L"{f 45}{x 2}*:\\{/f}";
    } else {
        row.columns[0] = L"{f 4}{x 2}" + tagText(entry) + L":\\ " + entry.label + L"{/f}";
    }
    row.columns[1] = L"{f 4}" + entry.fsName + L"{/f}";
    row.columns[2] = FormatSize(entry.totalBytes);
    row.icon = onRemovableDisk ? L"file='drive_usb.png' dest='28,0,50,24'" : L"file='drive.png' dest='28,0,50,24'";
    return row;
}

MediaRow ImageRootRow() {
    MediaRow row;
    row.height = 30;
    row.columns[0] = L"{f 7}{x 5}{i image_files.png 1 0}{x 2}Image File{/f}";
    return row;
}

MediaRow ImageRow(const std::wstring& path, uint64_t fileBytes) {
    MediaRow row;
    row.height = 30;
    row.icon = L"file='image_file.png' dest='26,0,50,24'";
    row.columns[0] = L"{f 5}" + FileNameOfPath(path) + L"{/f}";
    row.columns[2] = L"{f 5}" + FormatSize(fileBytes) + L"{/f}";
    return row;
}

std::wstring FileNameOfPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

MediumDetails EntryDetails(const VolumeEntry& entry, const MessageText& messages) {
    MediumDetails details;
    details.labels[0] = labelled(messages(L"MSG0203"), tagText(entry));
    details.labels[1] = entry.label.empty() ? messages(L"MSG0204") : labelled(messages(L"MSG0204"), entry.label);
    details.labels[2] = labelled(messages(L"MSG0205"), entry.fsName);
    details.labels[3] = labelled(messages(L"MSG0206"), FormatSize(entry.totalBytes));
    details.labels[4] = labelled(messages(L"MSG0207"), FormatSize(entry.usedBytes));
    details.labels[5] = labelled(messages(L"MSG0208"), FormatSize(entry.freeBytes));
    return details;
}

MediumDetails ImageDetails(const std::wstring& path, uint64_t fileBytes, const MessageText& messages) {
    MediumDetails details;
    details.labels[0] = labelled(messages(L"MSG0209"), path);
    details.labels[1] = labelled(messages(L"MSG0210"), FormatSize(fileBytes));
    return details;
}

int PreselectedRow(const std::vector<MediaListRow>& rows) {
    int shown = 0;
    int second = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].hidden) continue;
        if (rows[i].kind == MediaRowKind::Entry && rows[i].onRemovableDisk) return static_cast<int>(i);
        if (++shown == 2 && second < 0) second = static_cast<int>(i);
    }
    return second;
}

}  // namespace qm
