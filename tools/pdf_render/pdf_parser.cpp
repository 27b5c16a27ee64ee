#include "tools/pdf_render/pdf_parser.h"

#include <string>

namespace qm::pdf {

namespace {

int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Object keyword(std::string text) {
    Object o;
    o.type = Object::Type::Keyword;
    o.text = std::move(text);
    return o;
}

}  // namespace

void Parser::skipSpace() {
    while (pos_ < data_.size()) {
        const uint8_t c = data_.u8(pos_);
        if (isSpace(c)) {
            ++pos_;
        } else if (c == '%') {
            while (pos_ < data_.size() && data_.u8(pos_) != 10 && data_.u8(pos_) != 13) ++pos_;
        } else {
            break;
        }
    }
}

Object Parser::next(int depth) {
    skipSpace();
    if (pos_ >= data_.size()) return {};
    const uint8_t c = data_.u8(pos_);
    switch (c) {
    case '/': return readName();
    case '(': return readLiteralString();
    case '[':
        ++pos_;
        return readArray(depth + 1);
    case '<':
        if (data_.u8(pos_ + 1) == '<') {
            pos_ += 2;
            return readDict(depth + 1);
        }
        return readHexString();
    case ']':
    case ')':
    case '{':
    case '}':
        ++pos_;
        return keyword(std::string(1, static_cast<char>(c)));
    case '>':
        pos_ += data_.u8(pos_ + 1) == '>' ? 2 : 1;
        return keyword(">>");
    default: {
        Object o = readNumberOrKeyword();
        if (refs_ && o.type == Object::Type::Int && o.number >= 0) readRefSuffix(o);
        return o;
    }
    }
}

// After an integer: "G R" turns it into a reference; anything else leaves the position alone.
void Parser::readRefSuffix(Object& first) {
    const size_t save = pos_;
    skipSpace();
    const uint8_t c = data_.u8(pos_);
    if (pos_ < data_.size() && c >= '0' && c <= '9') {
        const Object gen = readNumberOrKeyword();
        skipSpace();
        const bool endsAfterR = pos_ + 1 >= data_.size() || isSpace(data_.u8(pos_ + 1)) || isDelimiter(data_.u8(pos_ + 1));
        if (gen.type == Object::Type::Int && pos_ < data_.size() && data_.u8(pos_) == 'R' && endsAfterR) {
            ++pos_;
            const int num = first.asInt(-1);
            first = Object();
            first.type = Object::Type::Ref;
            first.ref = {num, gen.asInt(0)};
            return;
        }
    }
    pos_ = save;
}

Object Parser::readNumberOrKeyword() {
    const size_t start = pos_;
    while (pos_ < data_.size() && !isSpace(data_.u8(pos_)) && !isDelimiter(data_.u8(pos_))) ++pos_;
    if (pos_ == start) {  // a stray delimiter such as ')' handled by the caller; step over anything else
        ++pos_;
        return keyword(std::string(1, static_cast<char>(data_.u8(start))));
    }
    const std::string token(reinterpret_cast<const char*>(data_.data()) + start, pos_ - start);
    const char c0 = token[0];
    if ((c0 >= '0' && c0 <= '9') || c0 == '+' || c0 == '-' || c0 == '.') {
        // Lenient number: sign(s), digits, one point; junk after the number is ignored.
        size_t i = 0;
        bool negative = false;
        while (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-' ? !negative : negative;
        double value = 0, scale = 0;
        bool real = false, digits = false;
        for (; i < token.size(); ++i) {
            const char ch = token[i];
            if (ch >= '0' && ch <= '9') {
                digits = true;
                if (real) {
                    scale /= 10;
                    value += (ch - '0') * scale;
                } else if (value < 1e300) {
                    value = value * 10 + (ch - '0');
                }
            } else if (ch == '.' && !real) {
                real = true;
                scale = 1;
            } else {
                break;
            }
        }
        if (digits || real) {
            Object o;
            o.type = real ? Object::Type::Real : Object::Type::Int;
            o.number = negative ? -value : value;
            return o;
        }
    }
    if (token == "true" || token == "false") {
        Object o;
        o.type = Object::Type::Bool;
        o.boolean = token == "true";
        return o;
    }
    if (token == "null") return {};
    return keyword(token);
}

Object Parser::readName() {
    ++pos_;  // '/'
    std::string name;
    while (pos_ < data_.size() && !isSpace(data_.u8(pos_)) && !isDelimiter(data_.u8(pos_))) {
        const uint8_t c = data_.u8(pos_);
        const int hi = hexValue(data_.u8(pos_ + 1)), lo = hexValue(data_.u8(pos_ + 2));
        if (c == '#' && pos_ + 2 < data_.size() && hi >= 0 && lo >= 0) {
            name.push_back(static_cast<char>(hi * 16 + lo));
            pos_ += 3;
        } else {
            name.push_back(static_cast<char>(c));
            ++pos_;
        }
    }
    return Object::makeName(std::move(name));
}

Object Parser::readLiteralString() {
    ++pos_;  // '('
    Object o;
    o.type = Object::Type::String;
    int nesting = 1;
    while (pos_ < data_.size()) {
        const uint8_t c = data_.u8(pos_++);
        if (c == '(') {
            ++nesting;
        } else if (c == ')') {
            if (--nesting == 0) break;
        } else if (c == '\\') {
            if (pos_ >= data_.size()) break;
            const uint8_t e = data_.u8(pos_++);
            switch (e) {
            case 'n': o.text.push_back('\n'); continue;
            case 'r': o.text.push_back('\r'); continue;
            case 't': o.text.push_back('\t'); continue;
            case 'b': o.text.push_back('\b'); continue;
            case 'f': o.text.push_back('\f'); continue;
            case 13:
                if (data_.u8(pos_) == 10) ++pos_;
                continue;
            case 10: continue;
            default: break;
            }
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int k = 0; k < 2 && pos_ < data_.size() && data_.u8(pos_) >= '0' && data_.u8(pos_) <= '7'; ++k)
                    value = value * 8 + (data_.u8(pos_++) - '0');
                o.text.push_back(static_cast<char>(value & 0xFF));
            } else {
                o.text.push_back(static_cast<char>(e));
            }
            continue;
        }
        o.text.push_back(static_cast<char>(c));
    }
    return o;
}

Object Parser::readHexString() {
    ++pos_;  // '<'
    Object o;
    o.type = Object::Type::String;
    int high = -1;
    while (pos_ < data_.size()) {
        const uint8_t c = data_.u8(pos_++);
        if (c == '>') break;
        const int v = hexValue(c);
        if (v < 0) continue;
        if (high < 0) {
            high = v;
        } else {
            o.text.push_back(static_cast<char>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) o.text.push_back(static_cast<char>(high * 16));
    return o;
}

Object Parser::readArray(int depth) {
    Object o;
    o.type = Object::Type::Array;
    if (depth > kMaxNesting) {
        pos_ = data_.size();  // too deep to be honest: give up on the rest of this buffer
        return o;
    }
    while (!atEnd()) {
        if (data_.u8(pos_) == ']') {
            ++pos_;
            break;
        }
        Object item = next(depth);
        if (item.type == Object::Type::Keyword && (item.text == ">>" || item.text == "endobj" || item.text == "stream"))
            break;
        o.array.push_back(std::move(item));
    }
    return o;
}

Object Parser::readDict(int depth) {
    Object o;
    o.type = Object::Type::Dict;
    if (depth > kMaxNesting) {
        pos_ = data_.size();
        return o;
    }
    while (!atEnd()) {
        if (data_.u8(pos_) == '>') {
            pos_ += data_.u8(pos_ + 1) == '>' ? 2 : 1;
            break;
        }
        Object key = next(depth);
        if (key.type == Object::Type::Keyword && (key.text == "endobj" || key.text == "stream")) break;
        if (key.type != Object::Type::Name) continue;  // junk between entries is skipped
        if (atEnd()) break;
        if (data_.u8(pos_) == '>') {
            o.dict.emplace_back(std::move(key.text), Object());
            continue;
        }
        Object value = next(depth);
        o.dict.emplace_back(std::move(key.text), std::move(value));
    }
    return o;
}

bool Parser::readObjectHeader(int& num, int& gen) {
    const Object n = next();
    const Object g = next();
    const Object k = next();
    if (n.type != Object::Type::Int || g.type != Object::Type::Int || k.type != Object::Type::Keyword || k.text != "obj")
        return false;
    num = n.asInt(-1);
    gen = g.asInt(0);
    return num >= 0;
}

bool Parser::readStreamKeyword() {
    skipSpace();
    if (!data_.equals(pos_, "stream", 6)) return false;
    pos_ += 6;
    if (data_.u8(pos_) == 13) ++pos_;
    if (data_.u8(pos_) == 10) ++pos_;
    return true;
}

void Parser::skipInlineImageData() {
    if (isSpace(data_.u8(pos_))) ++pos_;
    while (pos_ + 1 < data_.size()) {
        if (data_.u8(pos_) == 'E' && data_.u8(pos_ + 1) == 'I' && (pos_ == 0 || isSpace(data_.u8(pos_ - 1))) &&
            (pos_ + 2 >= data_.size() || isSpace(data_.u8(pos_ + 2)))) {
            pos_ += 2;
            return;
        }
        ++pos_;
    }
    pos_ = data_.size();
}

}  // namespace qm::pdf
