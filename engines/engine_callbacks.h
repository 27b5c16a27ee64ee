// The caller's callbacks as an engine keeps them between calls.
#pragma once
#include "engines/file_recovery_parse.h"

namespace qm {

struct EngineCallbacks {
    ScanProgressFn scanProgress = nullptr;
    ItemProgressFn itemProgress = nullptr;
    void* userData = nullptr;
    int scale = 100;
    ListProgressFn listProgress = nullptr;
    void* listUser = nullptr;

    // What the SetCallbacks slot sets; the list callback stays as it was.
    void SetScan(ScanProgressFn scan, ItemProgressFn item, void* user, int newScale) {
        scanProgress = scan;
        itemProgress = item;
        userData = user;
        scale = newScale;
    }
    void SetList(ListProgressFn list, void* user) {
        listProgress = list;
        listUser = user;
    }
};

}  // namespace qm
