// Loading the cross-reference: the startxref chain of tables and streams, and when that is
// missing or wrong, a rebuild from the "N G obj" headers found in the file.
#include <algorithm>
#include <cstring>
#include <map>

#include "tools/pdf_render/pdf_document.h"
#include "tools/pdf_render/pdf_parser.h"

namespace qm::pdf {

namespace {

constexpr int kMaxXrefSections = 64;

void mergeMissingKeys(Object& into, const Object& from) {
    if (!from.isDict()) return;
    for (const auto& [key, value] : from.dict) {
        if (key == "Prev" || key == "XRefStm" || key == "Length" || key == "Filter" || key == "DecodeParms" ||
            key == "W" || key == "Index" || key == "Type")
            continue;
        if (into.get(key.c_str()).isNull()) into.dict.emplace_back(key, value);
    }
}

}  // namespace

bool Document::loadCrossReference() {
    trailer_ = Object();
    trailer_.type = Object::Type::Dict;
    const size_t window = std::min<size_t>(bytes_.size(), 2048);
    static const char kStart[] = "startxref";
    const auto tailBegin = bytes_.end() - static_cast<std::ptrdiff_t>(window);
    const auto it = std::find_end(tailBegin, bytes_.end(), kStart, kStart + 9);
    if (it == bytes_.end()) return false;
    Parser parser(bytes(), static_cast<size_t>(it - bytes_.begin()) + 9);
    const Object start = parser.next();
    if (start.type != Object::Type::Int || start.number < 0 || start.number >= static_cast<double>(bytes_.size()))
        return false;
    std::vector<size_t> visited;
    size_t offset = static_cast<size_t>(start.number);
    bool any = false;
    for (int section = 0; section < kMaxXrefSections; ++section) {
        if (std::find(visited.begin(), visited.end(), offset) != visited.end()) break;
        visited.push_back(offset);
        if (!loadXrefSection(offset)) break;
        any = true;
        // Each section leaves its own /Prev in the trailer; it is taken out before the next one.
        const double prev = trailer_.get("Prev").asNumber(-1);
        trailer_.dict.erase(std::remove_if(trailer_.dict.begin(), trailer_.dict.end(),
                                           [](const DictEntry& e) { return e.first == "Prev"; }),
                            trailer_.dict.end());
        if (prev < 0 || prev >= static_cast<double>(bytes_.size())) break;
        offset = static_cast<size_t>(prev);
    }
    return any;
}

// One section: a table with its trailer (plus a hybrid file's /XRefStm), or a stream.
bool Document::loadXrefSection(size_t offset) {
    Parser parser(bytes(), offset);
    parser.atEnd();  // skips white space and comments
    const bool table = bytes().equals(parser.pos(), "xref", 4);
    return table ? loadXrefTable(parser.pos() + 4) : loadXrefStream(offset);
}

bool Document::loadXrefTable(size_t offset) {
    Parser parser(bytes(), offset);
    Object sectionTrailer;
    while (!parser.atEnd()) {
        const Object first = parser.next();
        if (first.type == Object::Type::Keyword && first.text == "trailer") {
            sectionTrailer = parser.nextWithRefs();
            break;
        }
        const Object count = parser.next();
        if (first.type != Object::Type::Int || count.type != Object::Type::Int || first.number < 0 ||
            count.number < 0 || count.number > static_cast<double>(kMaxObjects))
            return false;
        const int start = first.asInt();
        if (start > 0x7fffffff - count.asInt()) return false;
        for (int i = 0; i < count.asInt() && !parser.atEnd(); ++i) {
            const Object off = parser.next();
            parser.next();  // generation
            const Object kind = parser.next();
            if (off.type != Object::Type::Int || kind.type != Object::Type::Keyword) return false;
            Entry entry;
            entry.type = kind.text == "n" && off.number > 0 ? 1 : 0;
            entry.offset = static_cast<uint64_t>(off.number);
            addEntry(start + i, entry);
        }
    }
    if (!sectionTrailer.isDict()) return false;
    const double hybrid = sectionTrailer.get("XRefStm").asNumber(-1);
    if (hybrid >= 0 && hybrid < static_cast<double>(bytes_.size())) loadXrefStream(static_cast<size_t>(hybrid));
    const Object prev = sectionTrailer.get("Prev");
    mergeMissingKeys(trailer_, sectionTrailer);
    if (prev.isNumber()) trailer_.dict.emplace_back("Prev", prev);
    return true;
}

bool Document::loadXrefStream(size_t offset) {
    const Object stream = readObjectAt(offset, -1);
    if (stream.type != Object::Type::Stream || !stream.get("Type").isName("XRef")) return false;
    std::vector<uint8_t> data;
    if (!decodeStream(stream, data)) return false;
    const Object& w = stream.get("W");
    if (!w.isArray() || w.array.size() < 3) return false;
    int widths[3];
    size_t rowWidth = 0;
    for (int i = 0; i < 3; ++i) {
        widths[i] = w.array[i].asInt(-1);
        if (widths[i] < 0 || widths[i] > 8) return false;
        rowWidth += static_cast<size_t>(widths[i]);
    }
    if (rowWidth == 0) return false;
    std::vector<std::pair<int, int>> ranges;
    const Object& index = stream.get("Index");
    if (index.isArray()) {
        for (size_t i = 0; i + 1 < index.array.size(); i += 2)
            ranges.emplace_back(index.array[i].asInt(-1), index.array[i + 1].asInt(-1));
    } else {
        ranges.emplace_back(0, stream.get("Size").asInt(-1));
    }
    size_t pos = 0;
    for (const auto& [start, count] : ranges) {
        if (start < 0 || count < 0 || start > 0x7fffffff - count) return false;
        for (int i = 0; i < count && pos + rowWidth <= data.size(); ++i) {
            uint64_t fields[3] = {1, 0, 0};
            for (int f = 0; f < 3; ++f) {
                if (widths[f] == 0) continue;
                uint64_t value = 0;
                for (int b = 0; b < widths[f]; ++b) value = (value << 8) | data[pos++];
                fields[f] = value;
            }
            Entry entry;
            entry.type = fields[0] == 1 || fields[0] == 2 ? static_cast<int>(fields[0]) : 0;
            entry.offset = fields[1];
            entry.index = static_cast<int>(std::min<uint64_t>(fields[2], 0x7fffffff));
            addEntry(start + i, entry);
        }
    }
    const Object prev = stream.get("Prev");
    mergeMissingKeys(trailer_, stream);
    if (prev.isNumber()) trailer_.dict.emplace_back("Prev", prev);
    return true;
}

bool Document::rootLooksRight() {
    const Object& root = resolve(trailer_.get("Root"));
    if (!root.isDict() || !resolve(root.get("Pages")).isDict()) return false;
    // Offsets that do not land on their object's header mean the table is stale.
    for (const auto& [num, entry] : entries_) {
        if (entry.type != 1) continue;
        Parser parser(bytes(), static_cast<size_t>(std::min<uint64_t>(entry.offset, bytes_.size())));
        int found = 0, gen = 0;
        if (!parser.readObjectHeader(found, gen) || found != num) return false;
    }
    return true;
}

void Document::rebuildByScanning() {
    rebuilt_ = true;
    cache_.clear();
    objectStreams_.clear();
    std::map<int, size_t> scanned;
    const ByteView all = bytes();
    static const char kObj[] = "obj";
    for (auto it = bytes_.begin(); scanned.size() < kMaxObjects;) {
        it = std::search(it, bytes_.end(), kObj, kObj + 3);
        if (it == bytes_.end()) break;
        const size_t at = static_cast<size_t>(it - bytes_.begin());
        it += 3;
        if (at + 3 < all.size() && !Parser::isSpace(all.u8(at + 3)) && !Parser::isDelimiter(all.u8(at + 3))) continue;
        size_t j = at;
        auto skipBackSpaces = [&] { size_t n = 0; while (j > 0 && Parser::isSpace(all.u8(j - 1))) --j, ++n; return n; };
        auto skipBackDigits = [&] { size_t n = 0; while (j > 0 && all.u8(j - 1) >= '0' && all.u8(j - 1) <= '9') --j, ++n; return n; };
        if (!skipBackSpaces() || !skipBackDigits() || !skipBackSpaces() || !skipBackDigits()) continue;
        if (j > 0 && !Parser::isSpace(all.u8(j - 1)) && !Parser::isDelimiter(all.u8(j - 1))) continue;
        Parser header(all, j);
        int num = 0, gen = 0;
        if (header.readObjectHeader(num, gen)) scanned[num] = j;  // a later copy is a later update
    }
    std::unordered_map<int, Entry> old;
    old.swap(entries_);
    for (const auto& [num, offset] : scanned) addEntry(num, Entry{1, offset, 0});

    Object catalogTrailer;
    std::vector<int> objectStreamNumbers;
    for (const auto& [num, offset] : scanned) {
        const Object& object = this->object(num);
        const Object& type = object.get("Type");
        if (type.isName("Catalog")) {
            catalogTrailer = Object();
            catalogTrailer.type = Object::Type::Dict;
            Object ref;
            ref.type = Object::Type::Ref;
            ref.ref = {num, 0};
            catalogTrailer.dict.emplace_back("Root", ref);
        } else if (type.isName("ObjStm")) {
            objectStreamNumbers.push_back(num);
        } else if (type.isName("XRef") && !object.get("Encrypt").isNull()) {
            mergeMissingKeys(trailer_, object);
        }
    }
    for (const int num : objectStreamNumbers)
        if (const ObjectStream* stream = objectStream(num))
            for (size_t i = 0; i < stream->offsets.size(); ++i)
                addEntry(stream->offsets[i].first, Entry{2, static_cast<uint64_t>(num), static_cast<int>(i)});
    // Objects only the old table knew (in object streams we could not see) stay reachable.
    for (const auto& [num, entry] : old)
        if (entry.type == 2) addEntry(num, entry);

    static const char kTrailer[] = "trailer";
    Object lastTrailer;
    for (auto it = bytes_.begin();;) {
        it = std::search(it, bytes_.end(), kTrailer, kTrailer + 7);
        if (it == bytes_.end()) break;
        Parser parser(all, static_cast<size_t>(it - bytes_.begin()) + 7);
        it += 7;
        Object dict = parser.nextWithRefs();
        if (dict.isDict() && !dict.get("Encrypt").isNull()) mergeMissingKeys(trailer_, dict);
        if (dict.isDict() && !dict.get("Root").isNull()) lastTrailer = std::move(dict);
    }
    if (!resolve(trailer_.get("Root")).isDict()) {
        const Object encrypt = trailer_.get("Encrypt");
        trailer_ = Object();
        trailer_.type = Object::Type::Dict;
        mergeMissingKeys(trailer_, lastTrailer);
        if (!resolve(trailer_.get("Root")).isDict() && catalogTrailer.isDict()) {
            trailer_.dict.erase(std::remove_if(trailer_.dict.begin(), trailer_.dict.end(),
                                               [](const auto& kv) { return kv.first == "Root"; }),
                                trailer_.dict.end());
            mergeMissingKeys(trailer_, catalogTrailer);
        }
        if (!encrypt.isNull() && trailer_.get("Encrypt").isNull()) trailer_.dict.emplace_back("Encrypt", encrypt);
    }
}

}  // namespace qm::pdf
