#include "tools/pdf_render/pdf_object.h"

#include <cstring>

namespace qm::pdf {

const Object& NullObject() {
    static const Object null;
    return null;
}

bool Object::isName(const char* name) const {
    return type == Type::Name && (name == nullptr || text == name);
}

const Object& Object::get(const char* key) const {
    if (!isDict()) return NullObject();
    for (const auto& [k, v] : dict)
        if (k == key) return v;
    return NullObject();
}

int Object::asInt(int fallback) const {
    if (!isNumber() || number != number || number > 2147483647.0 || number < -2147483648.0) return fallback;
    return static_cast<int>(number);
}

Object Object::makeInt(double v) {
    Object o;
    o.type = Type::Int;
    o.number = v;
    return o;
}

Object Object::makeName(std::string name) {
    Object o;
    o.type = Type::Name;
    o.text = std::move(name);
    return o;
}

}  // namespace qm::pdf
