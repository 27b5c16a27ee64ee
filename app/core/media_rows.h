// The media list of the main window ("DiskList"): the texts and icons of its rows (disks, their
// partitions and gaps, image files), the details panel of a selected entry, which entry is
// preselected, and the tags of image files.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "disk/volume_entry.h"

namespace qm {

// Message lookup: MSG key -> text of the current language.
using MessageText = std::function<std::wstring(const std::wstring& key)>;

struct MediaRow {
    int height = 0;        // 30 for disk and image rows; 0 leaves the list's default
    std::wstring columns[3];
    std::wstring icon;     // the row's icon image; empty for none
};

// MSG0202 for a removable disk, else MSG0201.
std::wstring DiskRowMessageKey(bool removable);
// A disk's row; diskWord is the text of DiskRowMessageKey, diskNumber counted from 0 (shown from 1).
MediaRow DiskRow(const std::wstring& diskWord, int diskNumber, bool removable);
// A partition, gap or bare disk below its disk's row.
MediaRow EntryRow(const VolumeEntry& entry, bool onRemovableDisk);
// The "ImageFile" row above the image files.
MediaRow ImageRootRow();
// An image file's row: its name and its size.
MediaRow ImageRow(const std::wstring& path, uint64_t fileBytes);
// The part of a path after its last "\" or "/".
std::wstring FileNameOfPath(const std::wstring& path);

// "Label1" .. "Label6" of the details panel; an empty text clears the label.
struct MediumDetails {
    std::wstring labels[6];
};
MediumDetails EntryDetails(const VolumeEntry& entry, const MessageText& messages);
MediumDetails ImageDetails(const std::wstring& path, uint64_t fileBytes, const MessageText& messages);

// ImagePartition: a partition of a whole-disk image file, a child of its image's row.
enum class MediaRowKind { Disk, Entry, ImageRoot, Image, ImagePartition };
struct MediaListRow {
    MediaRowKind kind = MediaRowKind::Entry;
    bool onRemovableDisk = false;  // for Entry rows
    bool hidden = false;           // image rows in image-creation mode
};
// The row to select after a fill: the first entry on a removable disk; without one, the second
// row of the list when it has two or more; -1 for none. Hidden rows are not counted.
int PreselectedRow(const std::vector<MediaListRow>& rows);

// Image files take 16-bit tags 1001, 1002, ... in the order they are added; the engines write
// the tag into the records' driveLetter field.
class ImageTagCounter {
public:
    uint16_t Next() { return ++last_; }
    uint16_t Last() const { return last_; }

private:
    uint16_t last_ = 1000;
};

}  // namespace qm
