// The values a PDF file is made of: numbers, names, strings, arrays, dictionaries, references
// and streams (whose data stays in the file buffer as an offset and a length).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm::pdf {

struct Ref {
    int num = 0;
    int gen = 0;
    bool operator==(const Ref&) const = default;
};

struct Object;
struct DictEntry;
using Array = std::vector<Object>;
using Dict = std::vector<DictEntry>;

struct Object {
    enum class Type { Null, Bool, Int, Real, Name, String, Array, Dict, Ref, Stream, Keyword };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;     // Int and Real
    std::string text;      // Name (without '/'), String bytes, Keyword
    Array array;
    Dict dict;             // Dict, and a stream's dictionary
    Ref ref;
    size_t streamOffset = 0;  // Stream: raw data inside the buffer the object was read from
    size_t streamLength = 0;

    bool isNull() const { return type == Type::Null; }
    bool isNumber() const { return type == Type::Int || type == Type::Real; }
    bool isName(const char* name = nullptr) const;
    bool isDict() const { return type == Type::Dict || type == Type::Stream; }
    bool isArray() const { return type == Type::Array; }
    bool isRef() const { return type == Type::Ref; }
    bool isString() const { return type == Type::String; }
    // The entry of a dictionary or stream dictionary (not resolved), or a null object.
    const Object& get(const char* key) const;
    int asInt(int fallback = 0) const;
    double asNumber(double fallback = 0) const { return isNumber() ? number : fallback; }

    static Object makeInt(double v);
    static Object makeName(std::string name);
};

struct DictEntry {
    DictEntry() = default;
    DictEntry(std::string key, Object value) : first(std::move(key)), second(std::move(value)) {}
    std::string first;
    Object second;
};

const Object& NullObject();

}  // namespace qm::pdf
