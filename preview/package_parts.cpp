#include "preview/package_parts.h"

#include "preview/xml_scan.h"

namespace qm::preview {
namespace {

class RelationshipHandler : public XmlHandler {
public:
    explicit RelationshipHandler(std::map<std::wstring, std::wstring>& out) : out_(out) {}
    void start(std::string_view name, std::string_view attributes) override {
        if (name != "Relationship") return;
        const auto id = XmlAttributeValue(attributes, "Id");
        const auto target = XmlAttributeValue(attributes, "Target");
        if (id && target) out_.emplace(*id, *target);
    }
    void end(std::string_view) override {}
    void text(std::wstring_view) override {}

private:
    std::map<std::wstring, std::wstring>& out_;
};

// `target` against `folder` ("xl/"): "/x" is from the root, ".." goes up, "." stays.
std::wstring resolvePart(const std::wstring& folder, const std::wstring& target) {
    std::vector<std::wstring> parts;
    const std::wstring joined = !target.empty() && target[0] == L'/' ? target : folder + target;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find(L'/', start);
        if (end == std::wstring::npos) end = joined.size();
        const std::wstring part = joined.substr(start, end - start);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::wstring out;
    for (const std::wstring& p : parts) out += (out.empty() ? L"" : L"/") + p;
    return out;
}

}  // namespace

int OpenPackage(Bytes file, ui::ZipArchive& zip) {
    return zip.open(std::vector<std::uint8_t>(file.begin(), file.end())) == 0 ? 0 : 13;
}

std::vector<std::uint8_t> PackagePart(const ui::ZipArchive& zip, const std::wstring& name) {
    std::vector<std::uint8_t> bytes;
    if (zip.extract(name, bytes) != 0) bytes.clear();
    return bytes;
}

std::map<std::wstring, std::wstring> PartRelationships(const ui::ZipArchive& zip, const std::wstring& source) {
    const size_t slash = source.rfind(L'/');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : source.substr(0, slash + 1);
    const std::wstring file = slash == std::wstring::npos ? source : source.substr(slash + 1);
    std::map<std::wstring, std::wstring> targets;
    RelationshipHandler handler(targets);
    ScanXml(PackagePart(zip, folder + L"_rels/" + file + L".rels"), handler);
    for (auto& [id, target] : targets) target = resolvePart(folder, target);
    return targets;
}

}  // namespace qm::preview
