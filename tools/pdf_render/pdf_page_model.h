// What a page shows, in a form any painter can draw: the page size, text runs placed at their
// baselines and JPEG pictures placed by their transform. Coordinates are points with the origin
// at the top-left corner of the (rotated) page and y growing downwards.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/pdf_render/pdf_document.h"

namespace qm::pdf {

enum class FontFamily { Sans, Serif, Mono };

struct TextRun {
    double x = 0, y = 0;  // start of the baseline
    double size = 0;      // em size in points
    double width = 0;     // length of the run along its baseline in the document's own font
    double angle = 0;     // degrees, counter-clockwise, of the baseline
    FontFamily family = FontFamily::Sans;
    bool bold = false, italic = false;
    std::wstring text;
};

struct ImagePlacement {
    std::vector<uint8_t> jpeg;  // empty: an image we do not decode, drawn as a grey box
    // Maps the unit square (u, v) to (a*u + c*v + e, b*u + d*v + f) on the page; v = 1 is the
    // top row of the picture.
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

struct PageModel {
    double width = 0, height = 0;  // points
    std::vector<TextRun> runs;
    std::vector<ImagePlacement> images;
};

// Reads page `pageNumber` (1-based) of a PDF file's bytes into `model`.
Status BuildPageModel(std::vector<uint8_t> bytes, int pageNumber, PageModel& model);

}  // namespace qm::pdf
