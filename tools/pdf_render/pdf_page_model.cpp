#include "tools/pdf_render/pdf_page_model.h"

#include "tools/pdf_render/pdf_content.h"
#include "tools/pdf_render/pdf_page_tree.h"

namespace qm::pdf {

namespace {

// User space onto top-left based points of the page as displayed (after /Rotate).
Matrix deviceMatrix(const PageRef& page, double& width, double& height) {
    const double w = page.box[2] - page.box[0], h = page.box[3] - page.box[1];
    const Matrix flip{1, 0, 0, -1, -page.box[0], page.box[3]};
    width = w;
    height = h;
    switch (page.rotate) {
    case 90:
        width = h, height = w;
        return flip.times(Matrix{0, 1, -1, 0, h, 0});
    case 180:
        return flip.times(Matrix{-1, 0, 0, -1, w, h});
    case 270:
        width = h, height = w;
        return flip.times(Matrix{0, -1, 1, 0, 0, w});
    default:
        return flip;
    }
}

}  // namespace

Status BuildPageModel(std::vector<uint8_t> bytes, int pageNumber, PageModel& model) {
    model = PageModel();
    Document document;
    const Status status = document.open(std::move(bytes));
    if (status != Status::Ok) return status;
    PageRef page;
    if (!FindPage(document, pageNumber, page)) return Status::NoPage;

    // The page's content: one stream or an array of them, joined; streams we cannot decode are left out.
    const Object& contents = document.get(*page.page, "Contents");
    std::vector<const Object*> streams;
    if (contents.type == Object::Type::Stream) streams.push_back(&contents);
    if (contents.isArray())
        for (size_t i = 0; i < contents.array.size() && i < 10000; ++i) streams.push_back(&document.resolve(contents.array[i]));
    std::vector<uint8_t> content;
    bool decodedAny = false;
    for (const Object* stream : streams) {
        std::vector<uint8_t> part;
        if (!document.decodeStream(*stream, part)) continue;
        decodedAny = true;
        content.insert(content.end(), part.begin(), part.end());
        content.push_back('\n');
    }
    if (!decodedAny) return Status::NoContent;

    const Matrix device = deviceMatrix(page, model.width, model.height);
    ContentInterpreter interpreter(document, model, device);
    interpreter.run(content, page.resources);
    return Status::Ok;
}

}  // namespace qm::pdf
