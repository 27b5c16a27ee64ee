// The content stream interpreter: runs a page's (or form's) operators with the graphics and
// text state and records text runs and picture placements into a page model.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/pdf_render/pdf_document.h"
#include "tools/pdf_render/pdf_font.h"
#include "tools/pdf_render/pdf_page_model.h"

namespace qm::pdf {

constexpr long kMaxOperators = 2000000;
constexpr int kMaxFormDepth = 8;

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    // This transform followed by `then`.
    Matrix times(const Matrix& then) const;
};

class ContentInterpreter {
public:
    // `device` maps the page's user space onto the model's top-left based points.
    ContentInterpreter(Document& document, PageModel& model, const Matrix& device)
        : document_(document), model_(model), device_(device) {}

    void run(const std::vector<uint8_t>& content, const Object* resources, int formDepth = 0);

private:
    struct State {
        Matrix ctm;
        const Font* font = nullptr;
        double fontSize = 0, charSpacing = 0, wordSpacing = 0, scale = 1, leading = 0, rise = 0;
        int renderMode = 0;
    };

    void execute(const std::string& op, std::vector<Object>& operands, const Object* resources, int formDepth);
    void show(const std::string& bytes, bool continueRun);
    void moveText(double tx, double ty);
    void drawXObject(const std::string& name, const Object* resources, int formDepth);
    const Font* font(const std::string& name, const Object* resources);

    Document& document_;
    PageModel& model_;
    Matrix device_;
    State state_;
    std::vector<State> stack_;
    Matrix textMatrix_, lineMatrix_;
    std::map<const Object*, std::unique_ptr<Font>> fonts_;
    std::map<const Object*, std::vector<uint8_t>> forms_;
    long operators_ = 0;
    bool runOpen_ = false;
    Matrix penEnd_;  // where the last visible string ended, on the page
    const Font* lastFont_ = nullptr;  // the last run may be extended by the next string of a TJ
};

}  // namespace qm::pdf
