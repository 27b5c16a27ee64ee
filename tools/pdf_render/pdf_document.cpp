#include "tools/pdf_render/pdf_document.h"

#include <algorithm>
#include <cstring>

#include "tools/pdf_render/pdf_filters.h"
#include "tools/pdf_render/pdf_parser.h"

namespace qm::pdf {

const char* StatusText(Status status) {
    switch (status) {
    case Status::Ok: return "ok";
    case Status::NotPdf: return "not a PDF file";
    case Status::TooLarge: return "file too large";
    case Status::Encrypted: return "the document is encrypted";
    case Status::NoPage: return "no page found (damaged document)";
    case Status::NoContent: return "the page has no readable content (damaged document)";
    }
    return "unknown error";
}

Status Document::open(std::vector<uint8_t> bytes) {
    bytes_ = std::move(bytes);
    if (bytes_.size() > kMaxFileSize) return Status::TooLarge;
    const size_t headerWindow = std::min<size_t>(bytes_.size(), 1024);
    static const char kMagic[] = "%PDF-";
    if (std::search(bytes_.begin(), bytes_.begin() + headerWindow, kMagic, kMagic + 5) == bytes_.begin() + headerWindow)
        return Status::NotPdf;
    if (!loadCrossReference() || !rootLooksRight()) rebuildByScanning();
    if (!trailer_.get("Encrypt").isNull()) return Status::Encrypted;
    return Status::Ok;
}

const Object& Document::resolve(const Object& object) {
    if (!object.isRef()) return object;
    return this->object(object.ref.num);
}

const Object& Document::object(int num) {
    const auto cached = cache_.find(num);
    if (cached != cache_.end()) return cached->second;
    const auto found = entries_.find(num);
    if (found == entries_.end() || resolving_.count(num) || resolving_.size() > 16) return NullObject();
    resolving_.insert(num);
    Object result;
    const Entry entry = found->second;
    if (entry.type == 1) {
        result = readObjectAt(static_cast<size_t>(entry.offset), num);
    } else if (entry.type == 2 && entry.offset < 0x7fffffff) {
        if (const ObjectStream* stream = objectStream(static_cast<int>(entry.offset))) {
            const auto& offsets = stream->offsets;
            size_t at = SIZE_MAX;
            if (entry.index >= 0 && static_cast<size_t>(entry.index) < offsets.size() && offsets[entry.index].first == num)
                at = offsets[entry.index].second;
            for (size_t i = 0; at == SIZE_MAX && i < offsets.size(); ++i)
                if (offsets[i].first == num) at = offsets[i].second;
            if (at != SIZE_MAX) {
                Parser parser(ByteView(stream->data.data(), stream->data.size()), at);
                result = parser.nextWithRefs();
                if (result.type == Object::Type::Keyword) result = Object();
            }
        }
    }
    resolving_.erase(num);
    return cache_.emplace(num, std::move(result)).first->second;
}

Object Document::readObjectAt(size_t offset, int expectedNum) {
    if (offset >= bytes_.size()) return {};
    Parser parser(bytes(), offset);
    int num = 0, gen = 0;
    if (!parser.readObjectHeader(num, gen) || (expectedNum >= 0 && num != expectedNum)) return {};
    Object result = parser.nextWithRefs();
    if (result.type == Object::Type::Keyword) return {};
    if (result.type == Object::Type::Dict && parser.readStreamKeyword()) locateStream(result, parser.pos());
    return result;
}

// The stream's data runs /Length bytes when "endstream" follows there; otherwise (a damaged or
// lying length) up to the next "endstream".
void Document::locateStream(Object& dict, size_t dataStart) {
    dict.type = Object::Type::Stream;
    dict.streamOffset = dataStart;
    const ByteView all = bytes();
    const Object& lengthObject = resolve(dict.get("Length"));
    const double length = lengthObject.asNumber(-1);
    if (length >= 0 && length <= static_cast<double>(all.size() - dataStart)) {
        size_t end = dataStart + static_cast<size_t>(length);
        size_t probe = end;
        while (probe < all.size() && Parser::isSpace(all.u8(probe))) ++probe;
        if (all.equals(probe, "endstream", 9) || all.equals(probe, "endobj", 6)) {
            dict.streamLength = end - dataStart;
            return;
        }
    }
    if (!endstreamScanned_) {  // found once for the whole file: damaged files have many streams
        endstreamScanned_ = true;
        static const char kEnd[] = "endstream";
        for (auto it = bytes_.begin(); (it = std::search(it, bytes_.end(), kEnd, kEnd + 9)) != bytes_.end(); it += 9)
            endstreams_.push_back(static_cast<size_t>(it - bytes_.begin()));
    }
    const auto next = std::lower_bound(endstreams_.begin(), endstreams_.end(), dataStart);
    size_t end = next == endstreams_.end() ? bytes_.size() : *next;
    if (end > dataStart && all.u8(end - 1) == 10) --end;
    if (end > dataStart && all.u8(end - 1) == 13) --end;
    dict.streamLength = end - dataStart;
}

const Document::ObjectStream* Document::objectStream(int num) {
    const auto cached = objectStreams_.find(num);
    if (cached != objectStreams_.end()) return &cached->second;
    const auto entry = entries_.find(num);
    ObjectStream parsed;
    if (entry != entries_.end() && entry->second.type == 1) {
        const Object& stream = object(num);
        if (stream.type == Object::Type::Stream && decodeStream(stream, parsed.data)) {
            const int count = std::clamp(get(stream, "N").asInt(0), 0, 100000);
            const int first = get(stream, "First").asInt(-1);
            Parser header(ByteView(parsed.data.data(), parsed.data.size()));
            for (int i = 0; i < count && first >= 0 && !header.atEnd(); ++i) {
                const Object n = header.next(), off = header.next();
                if (n.type != Object::Type::Int || off.type != Object::Type::Int || off.number < 0) break;
                parsed.offsets.emplace_back(n.asInt(), static_cast<size_t>(first) + static_cast<size_t>(off.number));
            }
        }
    }
    return &objectStreams_.emplace(num, std::move(parsed)).first->second;
}

ByteView Document::rawStream(const Object& stream) const {
    if (stream.type != Object::Type::Stream) return {};
    return bytes().sub(stream.streamOffset, stream.streamLength);
}

std::string Document::lastFilter(const Object& stream) {
    const Object& filter = get(stream, "Filter");
    if (filter.isName()) return filter.text;
    if (filter.isArray() && !filter.array.empty()) return resolve(filter.array.back()).text;
    return {};
}

bool Document::decodeStream(const Object& stream, std::vector<uint8_t>& out) {
    out.clear();
    if (stream.type != Object::Type::Stream) return false;
    const ByteView raw = rawStream(stream);
    std::vector<Object> filters, parms;
    const Object& filter = get(stream, "Filter");
    const Object& parm = get(stream, "DecodeParms");
    if (filter.isName()) {
        filters.push_back(filter);
        parms.push_back(parm);
    } else if (filter.isArray()) {
        for (size_t i = 0; i < filter.array.size() && i < 8; ++i) {
            filters.push_back(resolve(filter.array[i]));
            parms.push_back(parm.isArray() && i < parm.array.size() ? resolve(parm.array[i]) : Object());
        }
    }
    out.assign(raw.data(), raw.data() + raw.size());
    for (size_t i = 0; i < filters.size(); ++i) {
        if (!filters[i].isName("FlateDecode") && !filters[i].isName("Fl")) return false;
        const size_t budget = kMaxDecodedTotal - std::min(decodedTotal_, kMaxDecodedTotal);
        std::vector<uint8_t> decoded;
        if (!FlateDecode(ByteView(out.data(), out.size()), std::min(kMaxDecodedStream, budget), decoded)) return false;
        decodedTotal_ += decoded.size();
        const Object& p = resolve(parms[i]);
        const int predictor = resolve(p.get("Predictor")).asInt(1);
        if (predictor > 1 && !UndoPredictor(decoded, predictor, resolve(p.get("Columns")).asInt(1),
                                            resolve(p.get("Colors")).asInt(1),
                                            resolve(p.get("BitsPerComponent")).asInt(8)))
            return false;
        out.swap(decoded);
    }
    return true;
}

std::vector<int> Document::objectNumbers() const {
    std::vector<int> numbers;
    numbers.reserve(entries_.size());
    for (const auto& [num, entry] : entries_)
        if (entry.type != 0) numbers.push_back(num);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void Document::addEntry(int num, const Entry& entry) {
    if (num < 0 || entries_.size() >= kMaxObjects) return;
    entries_.emplace(num, entry);  // the newest section is read first and wins
}

}  // namespace qm::pdf
