// Object access to one PDF file held in memory: the cross-reference (tables, streams, object
// streams, or a rebuild by scanning when they are damaged), resolution of references and the
// decoded data of streams. Every walk and every allocation is bounded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "disk/byte_view.h"
#include "tools/pdf_render/pdf_object.h"

namespace qm::pdf {

constexpr size_t kMaxFileSize = 256u << 20;
constexpr size_t kMaxObjects = 1u << 21;
constexpr size_t kMaxDecodedTotal = 256u << 20;

enum class Status { Ok, NotPdf, TooLarge, Encrypted, NoPage, NoContent };
const char* StatusText(Status status);

class Document {
public:
    Status open(std::vector<uint8_t> bytes);

    const Object& trailer() const { return trailer_; }
    const Object& root() { return resolve(trailer_.get("Root")); }
    // The object itself, or the one a reference points to (null when missing or looping).
    const Object& resolve(const Object& object);
    const Object& object(int num);
    // Dictionary entry, resolved.
    const Object& get(const Object& dict, const char* key) { return resolve(dict.get(key)); }

    // The raw bytes of a stream as stored in the file.
    ByteView rawStream(const Object& stream) const;
    // Decoded stream data; false when a filter is not one we decode (only Flate, and none).
    bool decodeStream(const Object& stream, std::vector<uint8_t>& out);
    // The name of the stream's only (or last) filter, empty when none.
    std::string lastFilter(const Object& stream);
    // Every object number the cross-reference knows, ascending (for finding pages the tree lost).
    std::vector<int> objectNumbers() const;
    bool rebuilt() const { return rebuilt_; }

    ByteView bytes() const { return ByteView(bytes_.data(), bytes_.size()); }

private:
    struct Entry {
        int type = 0;         // 1: at an offset in the file; 2: inside an object stream
        uint64_t offset = 0;  // type 1: file offset; type 2: object stream number
        int index = 0;        // type 2: index inside the object stream
    };
    struct ObjectStream {
        std::vector<uint8_t> data;
        std::vector<std::pair<int, size_t>> offsets;  // object number, offset in data
    };

    // Cross-reference loading (pdf_xref.cpp).
    bool loadCrossReference();
    bool loadXrefSection(size_t offset);
    bool loadXrefTable(size_t offset);
    bool loadXrefStream(size_t offset);
    void rebuildByScanning();
    void addEntry(int num, const Entry& entry);

    Object readObjectAt(size_t offset, int expectedNum);
    void locateStream(Object& dict, size_t dataStart);
    const ObjectStream* objectStream(int num);
    bool rootLooksRight();

    std::vector<uint8_t> bytes_;
    std::unordered_map<int, Entry> entries_;
    std::unordered_map<int, Object> cache_;
    std::unordered_map<int, ObjectStream> objectStreams_;
    std::set<int> resolving_;
    Object trailer_;
    size_t decodedTotal_ = 0;
    bool rebuilt_ = false;
    std::vector<size_t> endstreams_;  // offsets of every "endstream", for streams with a wrong /Length
    bool endstreamScanned_ = false;
};

}  // namespace qm::pdf
