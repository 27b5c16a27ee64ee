// An engine whose every operation succeeds and does nothing: the base of engines that
// implement only some slots.
#pragma once
#include "engines/file_recovery_parse.h"

namespace qm {

class CNullEngine : public IFileRecoveryParse {
public:
    int OpenImage(const std::wstring&, uint16_t) override { return 0; }
    int OpenPartition(int, uint64_t, uint64_t, uint16_t) override { return 0; }
    int SetCallbacks(ScanProgressFn, ItemProgressFn, void*, int) override { return 0; }
    int Scan(const wchar_t*) override { return 0; }
    int ListFolder(const ScanRecord*, int, std::vector<ScanRecord>&) override { return 0; }
    int CountFiles(const ScanRecord*, int, uint32_t&) override { return 0; }
    uint64_t GetFoundCount() override { return 0; }
    int GetItemPath(const ScanRecord&, std::wstring&) override { return 0; }
    int RecoverItem(const ScanRecord*, const std::wstring&, int) override { return 0; }
    int NextFreeExtent(uint64_t&, uint64_t&) override { return 0; }
    int SetListCallback(ListProgressFn, void*) override { return 0; }
    int ListByType(const std::wstring&, std::vector<ScanRecord>&) override { return 0; }
    int BuildFreeMap() override { return 0; }
    int ExtractItem(const ScanRecord*, std::wstring&, uint8_t*, uint64_t&, ExtractProgressFn, void*) override {
        return 0;
    }
};

}  // namespace qm
