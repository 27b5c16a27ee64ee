// PDF pages: building the page model of arbitrary bytes must never crash, hang, read out of
// bounds or grow without bound; whatever it returns must be drawable.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/pdf_render/pdf_page_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qm::pdf::PageModel model;
    const qm::pdf::Status status = qm::pdf::BuildPageModel(std::vector<uint8_t>(data, data + size), 1, model);
    if (status != qm::pdf::Status::Ok) {
        if (!model.runs.empty() || !model.images.empty()) __builtin_trap();  // a refused page draws nothing
        return 0;
    }
    if (!(model.width >= 1 && model.height >= 1)) __builtin_trap();
    for (const auto& run : model.runs) {
        if (run.text.empty() || !std::isfinite(run.x) || !std::isfinite(run.y) || !std::isfinite(run.size))
            __builtin_trap();
    }
    for (const auto& image : model.images)
        if (image.jpeg.size() > size) __builtin_trap();  // picture bytes come from the file itself
    return 0;
}
