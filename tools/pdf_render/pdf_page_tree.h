// Finding a page: a bounded, loop-safe walk of the page tree, with the attributes a page
// inherits from its ancestors.
#pragma once
#include "tools/pdf_render/pdf_document.h"

namespace qm::pdf {

struct PageRef {
    const Object* page = nullptr;       // the /Page dictionary
    const Object* resources = nullptr;  // inherited when the page has none
    double box[4] = {0, 0, 612, 792};   // CropBox, else MediaBox (normalised: x0 < x1, y0 < y1)
    int rotate = 0;                     // 0, 90, 180 or 270
};

// The page with 1-based number `index`; false when the document has no such page. When the tree
// is broken, the first page dictionary found among the objects stands in for page 1.
bool FindPage(Document& document, int index, PageRef& out);

}  // namespace qm::pdf
