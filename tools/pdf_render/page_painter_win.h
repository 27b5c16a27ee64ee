// Paints a page model on a white page: text with GDI in the nearest system font, JPEG pictures
// with GDI+, pictures we cannot decode as light grey boxes.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/pdf_render/pdf_page_model.h"

namespace qm::pdf {

struct PagePicture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// `scale` is pixels per point. False when the picture could not be made.
bool PaintPage(const PageModel& model, double scale, PagePicture& out);

}  // namespace qm::pdf
