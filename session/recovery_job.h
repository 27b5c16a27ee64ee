// Copies chosen files and folders out of the scan results into a destination folder, one
// subfolder per type group, never overwriting anything. Portable: the GUI's recovery window
// and the command line both drive it and show what it reports.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engines/file_recovery_parse.h"
#include "session/text_source.h"

namespace qm {

// Where a record goes: destination\group\name, with "(n)" before the extension when that
// path is taken. Empty when no free name could be found.
std::wstring MakeUniquePath(const std::wstring& destinationFolder, const ScanRecord& record);
// Where a record goes when its name is free: destination\group\name. Empty when it cannot fit.
std::wstring PlannedPath(const std::wstring& destinationFolder, const ScanRecord& record);
// The same, remembering per name the last counter taken, so that thousands of files of one name
// (a folder chain with the same file in every folder) do not probe every taken name again.
std::wstring MakeUniquePath(const std::wstring& destinationFolder, const ScanRecord& record,
                            std::map<std::wstring, int>& lastCounter);
// The number of path separators in the destination folder, its last character not counted.
int BaseDepth(const std::wstring& destinationFolder);

struct RecoveryItem {
    IFileRecoveryParse* engine = nullptr;
    ScanRecord record{};
};

// The same in the folder an item goes to (ItemFolder).
std::wstring MakeUniquePathIn(const std::wstring& itemFolder, const std::wstring& destinationFolder,
                              const ScanRecord& record, std::map<std::wstring, int>& lastCounter);
// The folder a record goes to: `ownFolder` below the destination when given (its folders on
// the medium, "/"-separated, each part made safe; empty is the destination itself), else its
// group folder.
std::wstring ItemFolder(const std::wstring& destinationFolder, const ScanRecord& record,
                        const std::wstring* ownFolder);

struct RecoveryDetailRow {
    std::wstring path;
    std::wstring status;  // "Success", kDamagedStatus, or the system's message for the error
    int error = 0;
    // Copied, but the copy does not begin as its type begins: overwritten or misplaced data.
    bool damaged = false;
    // Failed part-way: what could be read is kept under path, a ".partial" name nobody takes
    // for a good copy.
    bool partial = false;
    // Index of the item in the list RunMany was given (0 for RunOne); -1 when none.
    int item = -1;
};

inline constexpr const wchar_t* kDamagedStatus = L"Damaged: the content does not match the file type";
inline constexpr const wchar_t* kAlreadyRecoveredStatus = L"already recovered (a copy of the same size is there)";

// What the window shows after each finished or progressing file.
struct RecoveryView {
    int percent = 0;
    std::wstring current;      // destination path of the file being copied
    std::wstring percentText;  // "MSG1101 p%"
    std::wstring countsText;   // MSG1102 with processed, total, succeeded, failed
};

class CRecoveryJob {
public:
    CRecoveryJob(const ITextSource& texts, std::wstring destinationFolder);

    // Worker: every item in order. Returns CancelCode when the user cancelled, else 0.
    int RunMany(const std::vector<RecoveryItem>& items);
    // Worker: one record (from preview).
    int RunOne(const RecoveryItem& item);

    // The ItemProgressFn handed to engines, with this job as user data.
    static int QM_STDCALL ItemCallback(void* userData, int percent, int scale, int error, const wchar_t* destination);

    // The window's critical section: the cancel question holds it so no update lands meanwhile.
    std::mutex& Lock() { return lock_; }
    void RequestCancelLocked() { cancelRequested_ = true; }
    void RequestCancel() {
        std::lock_guard<std::mutex> hold(lock_);
        cancelRequested_ = true;
    }
    // Going on with an interrupted recovery into the same folder: a file whose name is taken by
    // a copy of the same size is counted as recovered, not copied again under a new name.
    void SetResume(bool resume) { resume_ = resume; }
    // RunMany's item i goes to destination\folders[i] (see ItemFolder) instead of its group
    // folder; the folders are created one level at a time, none through a link.
    void SetItemFolders(std::vector<std::wstring> folders) { itemFolders_ = std::move(folders); }
    // Called under the lock after every update (the display).
    void SetDisplay(std::function<void(const RecoveryView&)> display) { display_ = std::move(display); }

    // Read these after the worker has finished (or under Lock()).
    int processed() const { return processed_; }
    int failed() const { return failed_; }
    // Files copied whose content does not match their type (counted among the processed).
    int damaged() const { return damaged_; }
    // Failed files whose readable part was kept as a ".partial" file (counted among the failed).
    int partial() const { return partial_; }
    int total() const { return total_; }
    bool finished() const { return finished_; }
    // The work ran to its end (the finish button shows); false after a cancel.
    bool completed() const { return completed_; }
    // Failures first (newest at the top), then successes in order.
    const std::deque<RecoveryDetailRow>& details() const { return details_; }

private:
    int OnItemProgress(int percent, int scale, int error, const wchar_t* destination);
    int RecoverOne(const RecoveryItem& item, bool& callbacksRefused);
    void FailItem(const std::wstring& path, int error);
    // After an item: one that the engine never reported as finished is counted all the same,
    // and a copied file whose content is not of its type is marked damaged.
    void SettleItem(const RecoveryItem& item, const std::wstring& path, int result, int processedBefore);
    void AddDetail(RecoveryDetailRow row);
    // A failed copy: an empty file is removed, a part-way one renamed to "name.partial.ext".
    void KeepPartialCopies();

    const ITextSource& texts_;
    std::wstring destination_;
    std::mutex lock_;
    bool cancelRequested_ = false;
    bool resume_ = false;
    std::vector<std::wstring> itemFolders_;
    // The own folder of the item RunMany is at, or null.
    const std::wstring* OwnFolderOfCurrent() const;
    bool finished_ = false;
    bool completed_ = false;
    int processed_ = 0;
    int failed_ = 0;
    int damaged_ = 0;
    int partial_ = 0;
    int total_ = 0;
    int currentItem_ = -1;
    std::deque<RecoveryDetailRow> details_;
    // Group folders this job has made (or found to be real folders): checked once, not per file.
    std::set<std::wstring> groupFolders_;
    // Destinations of the current item whose copy failed, settled once the engine is done.
    std::vector<std::wstring> failedCopies_;
    std::map<std::wstring, int> lastCounter_;
    // With resume: how many files of each planned name this run has met.
    std::map<std::wstring, int> resumeSeen_;
    std::function<void(const RecoveryView&)> display_;
};

}  // namespace qm
