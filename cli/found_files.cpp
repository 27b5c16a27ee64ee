#include "cli/found_files.h"

#include <algorithm>

#include "platform/text.h"
#include "results/file_type_lists.h"
#include "results/type_classification.h"

namespace qm::cli {
namespace {


std::wstring slashed(std::wstring path) {
    for (auto& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

void appendItem(std::wstring& pattern, const std::wstring& item) {
    if (!pattern.empty()) pattern += L'|';
    pattern += item;
}

int walk(IFileRecoveryParse& engine, const ScanRecord* folder, int level, const std::wstring& path,
         std::vector<FoundFile>& out, TreeCut& cut) {
    std::vector<ScanRecord> children;
    int rc = engine.ListFolder(folder, level, children);
    for (const ScanRecord& child : children) {
        out.push_back({child, path, level});
        if (!child.isFolder) continue;
        const std::wstring below = path + platform::fromAnsi(recordName(child)) + L"/";
        if (level + 1 < kMaxTreeDepth) {
            if (int sub = walk(engine, &child, level + 1, below, out, cut); sub != 0 && rc == 0) rc = sub;
            continue;
        }
        // Deeper than any tree a listing can indent: said, not silently dropped.
        std::vector<ScanRecord> hidden;
        engine.ListFolder(&child, level + 1, hidden);
        if (hidden.empty()) continue;
        if (cut.folders++ == 0) cut.firstBelow = below;
    }
    return rc;
}

}  // namespace

std::wstring PatternFor(const CliOptions& options) {
    if (options.types.empty() && options.groups.empty())
        return BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other";
    std::wstring pattern;
    for (const std::string& type : options.types) appendItem(pattern, L"*." + platform::fromUtf8(type));
    for (const std::string& group : options.groups) {
        if (group == "photo") appendItem(pattern, kPhotoList);
        if (group == "audio") appendItem(pattern, kAudioList);
        if (group == "video") appendItem(pattern, kVideoList);
        if (group == "document") appendItem(pattern, kDocumentList);
        if (group == "archive") appendItem(pattern, kArchiveList);
        if (group == "other") appendItem(pattern, L"*.other");
    }
    return pattern;
}

int CollectByType(IFileRecoveryParse& engine, const CliOptions& options, std::vector<FoundFile>& out,
                  bool withFolders) {
    out.clear();
    std::vector<ScanRecord> records;
    const int rc = engine.ListByType(PatternFor(options), records);
    out.reserve(records.size());
    for (const ScanRecord& record : records) {
        FoundFile file;
        file.record = record;
        if (!withFolders) {
            out.push_back(std::move(file));
            continue;
        }
        std::wstring path;
        engine.GetItemPath(record, path);
        file.folder = slashed(path);
        out.push_back(std::move(file));
    }
    return rc;
}

int CollectTree(IFileRecoveryParse& engine, std::vector<FoundFile>& out, TreeCut& cut) {
    out.clear();
    cut = TreeCut{};
    return walk(engine, nullptr, 0, L"", out, cut);
}

void PruneTree(std::vector<FoundFile>& tree, const std::set<std::pair<int32_t, int32_t>>& keep) {
    // Backwards, a folder comes after everything below it: keptBelow[d] says whether
    // something kept was met at depth d since the last folder at depth d - 1.
    std::vector<bool> kept(tree.size(), false);
    std::vector<bool> keptBelow(static_cast<size_t>(kMaxTreeDepth) + 2, false);
    for (size_t i = tree.size(); i-- > 0;) {
        const FoundFile& f = tree[i];
        const size_t d = static_cast<size_t>(std::clamp(f.depth, 0, kMaxTreeDepth));
        if (f.record.isFolder) {
            kept[i] = keptBelow[d + 1];
            keptBelow[d + 1] = false;
        } else {
            kept[i] = keep.count({+f.record.sourceKind, +f.record.recordNo}) != 0;
        }
        if (kept[i]) keptBelow[d] = true;
    }
    size_t out = 0;
    for (size_t i = 0; i < tree.size(); ++i)
        if (kept[i]) tree[out++] = std::move(tree[i]);
    tree.resize(out);
}

int DeletedState(const ScanRecord& record) {
    switch (record.sourceKind) {
        case kSourceFastFat:
        case kSourceFastNtfs:
        case kSourceFastExFat: return 1;
        case kSourceProFat:
        case kSourceProNtfs:
        case kSourceProExFat: return record.reserved[0] != 0 ? 1 : 0;
        default: return -1;
    }
}

const char* EngineName(int32_t sourceKind) {
    switch (sourceKind) {
        case kSourceFastNtfs: return "fast-ntfs";
        case kSourceFastFat: return "fast-fat";
        case kSourceProNtfs: return "deep-ntfs";
        case kSourceProFat: return "deep-fat";
        case kSourceFastExFat: return "fast-exfat";
        case kSourceProExFat: return "deep-exfat";
        case kSourceCarving: return "carving";
        default: return "unknown";
    }
}

}  // namespace qm::cli
