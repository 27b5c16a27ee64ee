#include "tools/pdf_render/pdf_page_tree.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace qm::pdf {

namespace {

constexpr int kMaxTreeDepth = 64;
constexpr int kMaxTreeNodes = 200000;

bool readBox(Document& document, const Object& value, double box[4]) {
    const Object& array = document.resolve(value);
    if (!array.isArray() || array.array.size() < 4) return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const Object& n = document.resolve(array.array[i]);
        if (!n.isNumber()) return false;
        v[i] = n.number;
    }
    const double normal[4] = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
    if (!(normal[2] - normal[0] >= 1 && normal[3] - normal[1] >= 1 && normal[2] - normal[0] < 1e6 &&
          normal[3] - normal[1] < 1e6))
        return false;
    std::copy(normal, normal + 4, box);
    return true;
}

// Attributes from the page and, where it lacks them, from its /Parent chain.
void inheritAttributes(Document& document, const Object& page, PageRef& out) {
    double media[4] = {0, 0, 612, 792}, crop[4];
    bool haveMedia = false, haveCrop = false, haveRotate = false;
    std::set<const Object*> seen;
    const Object* node = &page;
    for (int depth = 0; depth < kMaxTreeDepth && node->isDict() && seen.insert(node).second; ++depth) {
        if (!haveMedia) haveMedia = readBox(document, node->get("MediaBox"), media);
        if (!haveCrop) haveCrop = readBox(document, node->get("CropBox"), crop);
        if (!out.resources) {
            const Object& resources = document.get(*node, "Resources");
            if (resources.isDict()) out.resources = &resources;
        }
        const Object& rotate = document.get(*node, "Rotate");
        if (!haveRotate && rotate.isNumber()) {
            haveRotate = true;
            out.rotate = ((rotate.asInt() % 360) + 360) % 360 / 90 * 90;
        }
        node = &document.get(*node, "Parent");
    }
    const double* chosen = media;
    if (haveCrop) {  // the crop box is clipped to the media box
        crop[0] = std::max(crop[0], media[0]);
        crop[1] = std::max(crop[1], media[1]);
        crop[2] = std::min(crop[2], media[2]);
        crop[3] = std::min(crop[3], media[3]);
        if (crop[2] - crop[0] >= 1 && crop[3] - crop[1] >= 1) chosen = crop;
    }
    std::copy(chosen, chosen + 4, out.box);
}

}  // namespace

bool FindPage(Document& document, int index, PageRef& out) {
    out = PageRef();
    if (index < 1) return false;
    const Object& root = document.root();
    std::vector<std::pair<const Object*, int>> stack;  // node, depth
    std::set<const Object*> visited;
    const Object& pages = document.get(root, "Pages");
    if (pages.isDict()) stack.emplace_back(&pages, 0);
    int seenPages = 0, nodes = 0;
    while (!stack.empty() && ++nodes < kMaxTreeNodes) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (!visited.insert(node).second) continue;
        const Object& kids = document.get(*node, "Kids");
        if (kids.isArray() && !document.get(*node, "Type").isName("Page")) {
            if (depth >= kMaxTreeDepth) continue;
            for (size_t i = kids.array.size(); i-- > 0;) {
                const Object& kid = document.resolve(kids.array[i]);
                if (kid.isDict()) stack.emplace_back(&kid, depth + 1);
            }
        } else if (node != &pages || document.get(*node, "Type").isName("Page")) {
            if (++seenPages == index) {
                out.page = node;
                break;
            }
        }
    }
    if (!out.page && index == 1) {
        for (const int num : document.objectNumbers()) {
            const Object& candidate = document.object(num);
            if (candidate.isDict() && candidate.get("Type").isName("Page")) {
                out.page = &candidate;
                break;
            }
        }
    }
    if (!out.page) return false;
    inheritAttributes(document, *out.page, out);
    return true;
}

}  // namespace qm::pdf
