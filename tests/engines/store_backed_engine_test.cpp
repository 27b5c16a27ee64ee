#include <gtest/gtest.h>

#include "engines/store_backed_engine.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

// An engine that files a small tree straight into its store: root key 5 holds folder
// "Photos" (fsId 40) and file "a.txt"; Photos holds "b.jpg" and a damaged "c.jpg".
class TreeEngine : public CStoreBackedEngine {
public:
    int Build(const std::wstring& folder) {
        if (int rc = OpenStoreIn(folder, L"Fast_0_20261271 0"); rc != 0) return rc;
        add(ParentKey::make(5, 0), "Photos", true, 40, 1);
        add(ParentKey::make(5, 0), "a.txt", false, 41, 1);
        add(ParentKey::make(40, 1), "b.jpg", false, 42, 1);
        add(ParentKey::make(40, 1), "c.jpg", false, 43, 0);
        return 0;
    }

private:
    void add(ParentKey parent, const char* name, bool isFolder, int32_t fsId, int32_t condition) {
        ScanRecord* r = store_->appendRecord();
        *r = ScanRecord{};
        r->isFolder = isFolder ? 1 : 0;
        r->fsId = fsId;
        r->condition = condition;
        r->recordNo = store_->count();
        setRecordName(*r, name);
        store_->addChild(parent, r->recordNo, fsId, isFolder ? name : nullptr);
    }
};

int QM_STDCALL StopListing(void* user, int, int) {
    ++*static_cast<int*>(user);
    return CancelCode;
}

TEST(StoreBackedEngine, ListsCountsAndPathsFromTheStore) {
    test::TempDir dir;
    TreeEngine engine;
    ASSERT_EQ(0, engine.Build(dir.path()));
    EXPECT_EQ(4u, engine.GetFoundCount());

    std::vector<ScanRecord> root;
    ASSERT_EQ(0, engine.ListFolder(nullptr, 0, root));
    ASSERT_EQ(2u, root.size());
    EXPECT_EQ("a.txt", recordName(root[0]));  // files before folders
    EXPECT_EQ("Photos", recordName(root[1]));

    std::vector<ScanRecord> photos;
    ASSERT_EQ(0, engine.ListFolder(&root[1], 1, photos));
    ASSERT_EQ(1u, photos.size());  // the damaged photo is hidden
    EXPECT_EQ("b.jpg", recordName(photos[0]));

    uint32_t count = 0;
    EXPECT_EQ(0, engine.CountFiles(nullptr, 0, count));
    EXPECT_EQ(3u, count);  // ...but counted
    EXPECT_EQ(0, engine.CountFiles(&root[1], 1, count));
    EXPECT_EQ(2u, count);

    std::wstring path;
    EXPECT_EQ(0, engine.GetItemPath(photos[0], path));
    EXPECT_EQ(std::wstring(L"Photos") + platform::kPathSeparator, path);
    EXPECT_EQ(0, engine.GetItemPath(root[0], path));
    EXPECT_EQ(L"", path);

    std::vector<ScanRecord> byType;
    EXPECT_EQ(0, engine.ListByType(L"*.jpg|*.txt", byType));
    EXPECT_EQ(2u, byType.size());
}

TEST(StoreBackedEngine, NullRecordRules) {
    test::TempDir dir;
    TreeEngine engine;
    std::vector<ScanRecord> list;
    uint32_t count = 7;
    // Without a store everything is empty, and the list callback has nowhere to go.
    EXPECT_EQ(0, engine.ListFolder(nullptr, 0, list));
    EXPECT_EQ(0u, engine.GetFoundCount());
    EXPECT_EQ(kErrorInvalidParameter, engine.SetListCallback(StopListing, nullptr));
    ASSERT_EQ(0, engine.Build(dir.path()));
    EXPECT_EQ(kErrorInvalidParameter, engine.ListFolder(nullptr, 2, list));
    EXPECT_EQ(kErrorInvalidParameter, engine.CountFiles(nullptr, 1, count));
    EXPECT_EQ(0u, count);
}

TEST(StoreBackedEngine, ListCallbackCanStopTheListing) {
    test::TempDir dir;
    TreeEngine engine;
    ASSERT_EQ(0, engine.Build(dir.path()));
    int calls = 0;
    EXPECT_EQ(0, engine.SetListCallback(StopListing, &calls));
    std::vector<ScanRecord> byType;
    EXPECT_EQ(CancelCode, engine.ListByType(L"*.jpg|*.txt", byType));
    EXPECT_EQ(1, calls);
}

}  // namespace
}  // namespace qm
