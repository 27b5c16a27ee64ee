#include "tools/pdf_render/pdf_content.h"

#include <cmath>

#include "tools/pdf_render/pdf_parser.h"

namespace qm::pdf {

namespace {

constexpr size_t kMaxStateStack = 64;
constexpr size_t kMaxOperands = 64;
constexpr size_t kMaxFonts = 128;
// A TJ adjustment past this (thousandths of an em) is a word gap: the next string starts a run.
constexpr double kRunBreakGap = 200;

Matrix matrixOf(const std::vector<Object>& operands) {
    Matrix m;
    if (operands.size() < 6) return m;
    const size_t o = operands.size() - 6;
    m.a = operands[o].asNumber(1);
    m.b = operands[o + 1].asNumber(0);
    m.c = operands[o + 2].asNumber(0);
    m.d = operands[o + 3].asNumber(1);
    m.e = operands[o + 4].asNumber(0);
    m.f = operands[o + 5].asNumber(0);
    return m;
}

double number(const std::vector<Object>& operands, size_t fromEnd) {
    return operands.size() >= fromEnd ? operands[operands.size() - fromEnd].asNumber(0) : 0;
}

bool finite(const Matrix& m) {
    return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
           std::isfinite(m.e) && std::isfinite(m.f);
}

}  // namespace

Matrix Matrix::times(const Matrix& n) const {
    Matrix r;
    r.a = a * n.a + b * n.c;
    r.b = a * n.b + b * n.d;
    r.c = c * n.a + d * n.c;
    r.d = c * n.b + d * n.d;
    r.e = e * n.a + f * n.c + n.e;
    r.f = e * n.b + f * n.d + n.f;
    return r;
}

void ContentInterpreter::run(const std::vector<uint8_t>& content, const Object* resources, int formDepth) {
    Parser parser(ByteView(content.data(), content.size()));
    std::vector<Object> operands;
    while (operators_ < kMaxOperators && !parser.atEnd()) {
        Object token = parser.next();
        if (token.type != Object::Type::Keyword) {
            if (operands.size() >= kMaxOperands) operands.erase(operands.begin());
            operands.push_back(std::move(token));
            continue;
        }
        ++operators_;
        if (token.text == "BI") {  // inline image: its dictionary up to ID, then raw data up to EI
            while (!parser.atEnd()) {
                const Object item = parser.next();
                if (item.type == Object::Type::Keyword && item.text == "ID") break;
            }
            parser.skipInlineImageData();
            ImagePlacement box;
            const Matrix m = state_.ctm.times(device_);
            box.a = m.a, box.b = m.b, box.c = m.c, box.d = m.d, box.e = m.e, box.f = m.f;
            model_.images.push_back(std::move(box));
        } else {
            execute(token.text, operands, resources, formDepth);
        }
        operands.clear();
    }
}

void ContentInterpreter::execute(const std::string& op, std::vector<Object>& operands, const Object* resources,
                                 int formDepth) {
    State& s = state_;
    if (op == "q") {
        if (stack_.size() < kMaxStateStack) stack_.push_back(s);
    } else if (op == "Q") {
        if (!stack_.empty()) {
            s = stack_.back();
            stack_.pop_back();
        }
    } else if (op == "cm") {
        const Matrix m = matrixOf(operands).times(s.ctm);
        if (finite(m)) s.ctm = m;
    } else if (op == "BT") {
        textMatrix_ = lineMatrix_ = Matrix();
        runOpen_ = false;
    } else if (op == "Tf") {
        if (operands.size() >= 2) {
            s.fontSize = number(operands, 1);
            s.font = operands[operands.size() - 2].isName() ? font(operands[operands.size() - 2].text, resources) : nullptr;
        }
    } else if (op == "Td") {
        moveText(number(operands, 2), number(operands, 1));
    } else if (op == "TD") {
        s.leading = -number(operands, 1);
        moveText(number(operands, 2), number(operands, 1));
    } else if (op == "Tm") {
        const Matrix m = matrixOf(operands);
        if (finite(m)) textMatrix_ = lineMatrix_ = m;
        runOpen_ = false;
    } else if (op == "T*") {
        moveText(0, -s.leading);
    } else if (op == "TL") {
        s.leading = number(operands, 1);
    } else if (op == "Tc") {
        s.charSpacing = number(operands, 1);
    } else if (op == "Tw") {
        s.wordSpacing = number(operands, 1);
    } else if (op == "Tz") {
        s.scale = number(operands, 1) / 100;
    } else if (op == "Ts") {
        s.rise = number(operands, 1);
    } else if (op == "Tr") {
        s.renderMode = operands.empty() ? 0 : operands.back().asInt(0);
    } else if (op == "Tj") {
        if (!operands.empty() && operands.back().isString()) show(operands.back().text, false);
    } else if (op == "'" || op == "\"") {
        if (op == "\"" && operands.size() >= 3) {
            s.wordSpacing = number(operands, 3);
            s.charSpacing = number(operands, 2);
        }
        moveText(0, -s.leading);
        if (!operands.empty() && operands.back().isString()) show(operands.back().text, false);
    } else if (op == "TJ") {
        if (operands.empty() || !operands.back().isArray()) return;
        bool continueRun = false;
        for (const Object& item : operands.back().array) {
            if (item.isString()) {
                show(item.text, continueRun);
                continueRun = true;
            } else if (item.isNumber()) {
                const double tx = -item.number / 1000 * s.fontSize * s.scale;
                textMatrix_ = Matrix{1, 0, 0, 1, tx, 0}.times(textMatrix_);
                if (std::fabs(item.number) > kRunBreakGap) continueRun = false;
            }
        }
    } else if (op == "Do") {
        if (!operands.empty() && operands.back().isName()) drawXObject(operands.back().text, resources, formDepth);
    }
}

void ContentInterpreter::moveText(double tx, double ty) {
    lineMatrix_ = Matrix{1, 0, 0, 1, tx, ty}.times(lineMatrix_);
    if (finite(lineMatrix_)) textMatrix_ = lineMatrix_;
    else textMatrix_ = lineMatrix_ = Matrix();
    runOpen_ = false;
}

void ContentInterpreter::show(const std::string& bytes, bool continueRun) {
    const State& s = state_;
    if (!s.font) return;
    std::vector<Glyph> glyphs;
    s.font->decode(bytes, glyphs);
    const Matrix toPage = textMatrix_.times(s.ctm).times(device_);
    const Matrix origin = Matrix{1, 0, 0, 1, 0, s.rise}.times(toPage);
    std::wstring text;
    for (const Glyph& g : glyphs) text += g.text;
    const double size = std::fabs(s.fontSize) * std::hypot(toPage.c, toPage.d);
    const bool emitted =
        s.renderMode != 3 && s.renderMode != 7 && !text.empty() && finite(origin) && std::isfinite(size);
    if (emitted) {
        // A string that starts where the previous one ended, in the same font, extends that run:
        // many writers place every glyph or word on its own.
        const TextRun* last = model_.runs.empty() ? nullptr : &model_.runs.back();
        const bool adjoins = last && lastFont_ == s.font && std::fabs(last->size - size) < 0.01 &&
                             std::hypot(origin.e - penEnd_.e, origin.f - penEnd_.f) < 0.15 * size;
        if ((continueRun && runOpen_ && last) || adjoins) {
            model_.runs.back().text += text;
        } else {
            TextRun run;
            run.x = origin.e;
            run.y = origin.f;
            run.size = size;
            run.angle = std::atan2(-toPage.b, toPage.a) * 180 / 3.14159265358979323846;
            run.family = s.font->family;
            run.bold = s.font->bold;
            run.italic = s.font->italic;
            run.text = std::move(text);
            model_.runs.push_back(std::move(run));
            runOpen_ = true;
        }
    }
    double advance = 0;
    for (const Glyph& g : glyphs)
        advance += (g.width / 1000 * s.fontSize + s.charSpacing + (g.wordSpace ? s.wordSpacing : 0)) * s.scale;
    textMatrix_ = Matrix{1, 0, 0, 1, advance, 0}.times(textMatrix_);
    if (!finite(textMatrix_)) textMatrix_ = Matrix();
    if (emitted) {
        penEnd_ = Matrix{1, 0, 0, 1, 0, s.rise}.times(textMatrix_.times(s.ctm).times(device_));
        lastFont_ = s.font;
        TextRun& run = model_.runs.back();
        run.width = std::hypot(penEnd_.e - run.x, penEnd_.f - run.y);
        if (!std::isfinite(run.width)) run.width = 0;
    }
}

const Font* ContentInterpreter::font(const std::string& name, const Object* resources) {
    if (!resources) return nullptr;
    const Object& dict = document_.get(document_.get(*resources, "Font"), name.c_str());
    if (!dict.isDict()) return nullptr;
    auto found = fonts_.find(&dict);
    if (found == fonts_.end() && fonts_.size() >= kMaxFonts) return nullptr;  // each font may hold a large map
    auto& slot = fonts_[&dict];
    if (!slot) {
        slot = std::make_unique<Font>();
        slot->load(document_, dict);
    }
    return slot.get();
}

void ContentInterpreter::drawXObject(const std::string& name, const Object* resources, int formDepth) {
    if (!resources) return;
    const Object& xobject = document_.get(document_.get(*resources, "XObject"), name.c_str());
    if (xobject.type != Object::Type::Stream) return;
    const Object& subtype = document_.get(xobject, "Subtype");
    if (subtype.isName("Image")) {
        ImagePlacement placement;
        const Matrix m = state_.ctm.times(device_);
        placement.a = m.a, placement.b = m.b, placement.c = m.c, placement.d = m.d, placement.e = m.e,
        placement.f = m.f;
        const Object& filter = document_.get(xobject, "Filter");
        const bool dct = filter.isName("DCTDecode") ||
                         (filter.isArray() && filter.array.size() == 1 && document_.resolve(filter.array[0]).isName("DCTDecode"));
        if (dct) {
            const ByteView raw = document_.rawStream(xobject);
            placement.jpeg.assign(raw.data(), raw.data() + raw.size());
        }
        model_.images.push_back(std::move(placement));
    } else if (subtype.isName("Form") && formDepth < kMaxFormDepth) {
        auto found = forms_.find(&xobject);
        if (found == forms_.end()) {
            std::vector<uint8_t> data;
            if (!document_.decodeStream(xobject, data)) data.clear();
            found = forms_.emplace(&xobject, std::move(data)).first;
        }
        const State saved = state_;
        const size_t savedDepth = stack_.size();
        const Matrix savedText = textMatrix_, savedLine = lineMatrix_;
        const Object& matrix = document_.get(xobject, "Matrix");
        if (matrix.isArray() && matrix.array.size() == 6) {
            std::vector<Object> values;
            for (const Object& v : matrix.array) values.push_back(document_.resolve(v));
            const Matrix m = matrixOf(values).times(state_.ctm);
            if (finite(m)) state_.ctm = m;
        }
        const Object& own = document_.get(xobject, "Resources");
        run(found->second, own.isDict() ? &own : resources, formDepth + 1);
        state_ = saved;
        stack_.resize(std::min(stack_.size(), savedDepth));
        textMatrix_ = savedText;
        lineMatrix_ = savedLine;
    }
}

}  // namespace qm::pdf
