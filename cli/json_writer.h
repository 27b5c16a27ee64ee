// A small streaming JSON writer: objects, arrays, strings (UTF-8, escaped), numbers, booleans.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::cli {

class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    JsonWriter& key(const std::string& name);
    void string(const std::string& utf8);
    void number(int64_t value);
    void unsignedNumber(uint64_t value);
    void boolean(bool value);
    void null();
    const std::string& text() const { return out_; }

    static std::string Escape(const std::string& utf8);

private:
    void separate();
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace qm::cli
