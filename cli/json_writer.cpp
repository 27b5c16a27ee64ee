#include "cli/json_writer.h"

#include <cstdio>

namespace qm::cli {

std::string JsonWriter::Escape(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", c);
                    out += code;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::beginObject() {
    separate();
    out_ += '{';
    first_.push_back(true);
}
void JsonWriter::endObject() {
    first_.pop_back();
    out_ += '}';
}
void JsonWriter::beginArray() {
    separate();
    out_ += '[';
    first_.push_back(true);
}
void JsonWriter::endArray() {
    first_.pop_back();
    out_ += ']';
}
JsonWriter& JsonWriter::key(const std::string& name) {
    separate();
    out_ += Escape(name) + ':';
    afterKey_ = true;
    return *this;
}
void JsonWriter::string(const std::string& utf8) {
    separate();
    out_ += Escape(utf8);
}
void JsonWriter::number(int64_t value) {
    separate();
    out_ += std::to_string(value);
}
void JsonWriter::unsignedNumber(uint64_t value) {
    separate();
    out_ += std::to_string(value);
}
void JsonWriter::boolean(bool value) {
    separate();
    out_ += value ? "true" : "false";
}
void JsonWriter::null() {
    separate();
    out_ += "null";
}

}  // namespace qm::cli
