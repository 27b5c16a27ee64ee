// Reads PDF tokens and objects from a byte buffer. Every read is bounds-checked; nesting of
// arrays and dictionaries is capped so hostile files cannot exhaust the stack.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"
#include "tools/pdf_render/pdf_object.h"

namespace qm::pdf {

constexpr int kMaxNesting = 64;

class Parser {
public:
    explicit Parser(ByteView data, size_t pos = 0) : data_(data), pos_(pos) {}

    size_t pos() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }
    bool atEnd() { skipSpace(); return pos_ >= data_.size(); }

    // The next object; keywords (operators, "obj", "R" outside a reference, ...) come back as
    // Keyword objects. At the end of the data: a Null object and atEnd() true.
    Object next(int depth = 0);
    // The next object with "N G R" read as a reference (the file's syntax, not content streams).
    Object nextWithRefs(int depth = 0) { refs_ = true; Object o = next(depth); refs_ = false; return o; }
    // After "N G obj": true and the numbers when they are at the current position.
    bool readObjectHeader(int& num, int& gen);
    // Skips the data of an inline image (after its "ID" keyword), up to and including "EI".
    void skipInlineImageData();
    // Skips a stream keyword's end of line; returns false when "stream" is not next.
    bool readStreamKeyword();

    static bool isSpace(uint8_t c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
    static bool isDelimiter(uint8_t c) {
        return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
               c == '/' || c == '%';
    }

private:
    void skipSpace();
    Object readNumberOrKeyword();
    Object readName();
    Object readLiteralString();
    Object readHexString();
    Object readArray(int depth);
    Object readDict(int depth);
    void readRefSuffix(Object& first);

    ByteView data_;
    size_t pos_;
    bool refs_ = false;
};

}  // namespace qm::pdf
