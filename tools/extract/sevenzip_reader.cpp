// 7z listing from a plain (uncompressed) header: names, sizes from the streams info, times and
// attributes. A compressed header is reported, not decoded.
#include <cstring>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr uint64_t kMaxHeader = 64u << 20;
constexpr uint64_t kMaxCount = 1u << 20;  // folders, streams, coders: more is a damaged header

enum Id : uint64_t {
    kEnd = 0x00, kHeader = 0x01, kArchiveProperties = 0x02, kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04, kFilesInfo = 0x05, kPackInfo = 0x06, kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08, kSize = 0x09, kCrc = 0x0A, kFolder = 0x0B, kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D, kEmptyStream = 0x0E, kEmptyFile = 0x0F, kName = 0x11,
    kMTime = 0x14, kWinAttributes = 0x15, kEncodedHeader = 0x17,
};

// Throws nothing: a read past the end sets `bad` and yields zeros, and every loop checks it.
struct Reader {
    ByteView view;
    size_t at = 0;
    bool bad = false;

    uint8_t byte() {
        if (!view.has(at, 1)) return bad = true, 0;
        return view.u8(at++);
    }
    uint64_t number() {
        const uint8_t first = byte();
        uint8_t mask = 0x80;
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if (!(first & mask)) return value | (uint64_t(first & (mask - 1)) << (8 * i));
            value |= uint64_t(byte()) << (8 * i);
            mask >>= 1;
        }
        return value;
    }
    uint64_t count() {
        const uint64_t n = number();
        if (n > kMaxCount) bad = true;
        return bad ? 0 : n;
    }
    void skip(uint64_t n) {
        if (!view.has(at, n)) bad = true, at = view.size();
        else at += static_cast<size_t>(n);
    }
    std::vector<bool> bits(uint64_t n) {
        std::vector<bool> out(n);
        uint8_t b = 0;
        for (uint64_t i = 0; i < n && !bad; ++i) {
            if (i % 8 == 0) b = byte();
            out[i] = (b & (0x80 >> (i % 8))) != 0;
        }
        return out;
    }
    // "all defined" byte, else a bit vector
    std::vector<bool> defined(uint64_t n) {
        return byte() ? std::vector<bool>(n, true) : bits(n);
    }
};

struct Streams {
    std::vector<uint64_t> folderSizes;     // each folder's final unpacked size
    std::vector<uint64_t> streamsPerFolder;
    std::vector<uint64_t> fileSizes;       // one per non-empty file, in order
};

void SkipDigests(Reader& r, uint64_t n) {
    const std::vector<bool> defined = r.defined(n);
    for (bool d : defined)
        if (d) r.skip(4);
}

void ReadPackInfo(Reader& r) {
    r.number();  // pack position
    const uint64_t streams = r.count();
    for (uint64_t id = r.number(); id != kEnd && !r.bad; id = r.number()) {
        if (id == kSize) {
            for (uint64_t i = 0; i < streams; ++i) r.number();
        } else if (id == kCrc) {
            SkipDigests(r, streams);
        } else {
            r.skip(r.number());
        }
    }
}

void ReadUnpackInfo(Reader& r, Streams& s) {
    if (r.number() != kFolder) return void(r.bad = true);
    const uint64_t folders = r.count();
    if (r.byte() != 0) return void(r.bad = true);  // folders kept elsewhere: not in a plain header
    std::vector<uint64_t> outputs(folders), mainOutput(folders);
    for (uint64_t f = 0; f < folders && !r.bad; ++f) {
        const uint64_t coders = r.count();
        uint64_t totalIn = 0, totalOut = 0;
        for (uint64_t c = 0; c < coders && !r.bad; ++c) {
            const uint8_t flags = r.byte();
            r.skip(flags & 0x0F);
            const uint64_t in = (flags & 0x10) ? r.count() : 1, out = (flags & 0x10) ? r.count() : 1;
            totalIn += in, totalOut += out;
            if (flags & 0x20) r.skip(r.number());
        }
        if (totalOut == 0 || totalOut > kMaxCount || totalIn > kMaxCount) return void(r.bad = true);
        // The unbound output is the folder's result.
        std::vector<bool> bound(totalOut);
        for (uint64_t p = 0; p + 1 < totalOut && !r.bad; ++p) {
            r.number();
            const uint64_t outIndex = r.number();
            if (outIndex < totalOut) bound[outIndex] = true;
        }
        const uint64_t packed = totalIn >= totalOut - 1 ? totalIn - (totalOut - 1) : 0;
        if (packed > 1)
            for (uint64_t p = 0; p < packed; ++p) r.number();
        outputs[f] = totalOut;
        for (uint64_t o = 0; o < totalOut; ++o)
            if (!bound[o]) {
                mainOutput[f] = o;
                break;
            }
    }
    if (r.number() != kCodersUnpackSize) return void(r.bad = true);
    s.folderSizes.assign(folders, 0);
    for (uint64_t f = 0; f < folders && !r.bad; ++f)
        for (uint64_t o = 0; o < outputs[f]; ++o) {
            const uint64_t size = r.number();
            if (o == mainOutput[f]) s.folderSizes[f] = size;
        }
    s.streamsPerFolder.assign(folders, 1);
    for (uint64_t id = r.number(); id != kEnd && !r.bad; id = r.number()) {
        if (id == kCrc) SkipDigests(r, folders);
        else r.skip(r.number());
    }
}

void ReadSubStreamsInfo(Reader& r, Streams& s) {
    uint64_t id = r.number();
    if (id == kNumUnpackStream) {
        for (auto& n : s.streamsPerFolder) n = r.count();
        id = r.number();
    }
    uint64_t total = 0;
    for (uint64_t n : s.streamsPerFolder) total += n;
    if (total > kMaxCount) return void(r.bad = true);
    for (size_t f = 0; f < s.folderSizes.size() && !r.bad; ++f) {
        const uint64_t n = s.streamsPerFolder[f];
        if (n == 0) continue;
        uint64_t sum = 0;
        for (uint64_t i = 0; i + 1 < n && id == kSize; ++i) {
            const uint64_t size = r.number();
            s.fileSizes.push_back(size);
            sum += size;
        }
        if (id != kSize && n > 1) return void(r.bad = true);
        s.fileSizes.push_back(s.folderSizes[f] >= sum ? s.folderSizes[f] - sum : 0);
    }
    if (id == kSize) id = r.number();
    while (id != kEnd && !r.bad) {
        r.skip(r.number());  // digests
        id = r.number();
    }
}

void ReadStreamsInfo(Reader& r, Streams& s) {
    bool haveSubStreams = false;
    for (uint64_t id = r.number(); id != kEnd && !r.bad; id = r.number()) {
        if (id == kPackInfo) ReadPackInfo(r);
        else if (id == kUnpackInfo) ReadUnpackInfo(r, s);
        else if (id == kSubStreamsInfo) ReadSubStreamsInfo(r, s), haveSubStreams = true;
        else r.bad = true;
    }
    if (!haveSubStreams) s.fileSizes = s.folderSizes;
}

bool ReadFilesInfo(Reader& r, const Streams& s, ArchiveListing& listing) {
    const uint64_t files = r.number();
    if (files > kMaxEntries) return false;
    std::vector<bool> emptyStream(files), emptyFile;
    std::vector<std::string> names(files);
    std::vector<EntryTime> times(files);
    std::vector<std::optional<uint32_t>> attributes(files);
    for (uint64_t type = r.number(); type != kEnd && !r.bad; type = r.number()) {
        const uint64_t size = r.number();
        if (!r.view.has(r.at, size)) return false;
        Reader p{r.view.sub(r.at, static_cast<size_t>(size))};
        r.skip(size);
        if (type == kEmptyStream) {
            emptyStream = p.bits(files);
        } else if (type == kEmptyFile) {
            size_t empties = 0;
            for (bool e : emptyStream) empties += e;
            emptyFile = p.bits(empties);
        } else if (type == kName) {
            if (p.byte() != 0) continue;  // names kept elsewhere
            for (uint64_t i = 0; i < files && p.at < p.view.size(); ++i) {
                size_t end = p.at;
                while (end + 1 < p.view.size() && (p.view.u8(end) | p.view.u8(end + 1)) != 0) end += 2;
                names[i] = Utf8FromUtf16(p.view.data() + p.at, (end - p.at) / 2, false);
                p.at = end + 2;
            }
        } else if (type == kMTime || type == kWinAttributes) {
            const std::vector<bool> defined = p.defined(files);
            if (p.byte() != 0) continue;
            for (uint64_t i = 0; i < files && !p.bad; ++i) {
                if (!defined[i]) continue;
                if (type == kMTime) times[i] = EntryTime::fromFiletime(p.view.u64(p.at)), p.skip(8);
                else attributes[i] = p.view.u32(p.at), p.skip(4);
            }
        }
    }
    if (r.bad) return false;
    size_t stream = 0, empty = 0;
    for (uint64_t i = 0; i < files; ++i) {
        ArchiveEntry entry;
        entry.name = names[i];
        entry.time = times[i];
        if (attributes[i]) entry.attributes = *attributes[i] & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrFolder | kAttrArchive);
        if (emptyStream[i]) {
            const bool isEmptyFile = empty < emptyFile.size() && emptyFile[empty];
            ++empty;
            if (!attributes[i] && !isEmptyFile) entry.attributes |= kAttrFolder;
            if (!entry.folder()) entry.size = 0;
        } else if (stream < s.fileSizes.size()) {
            entry.size = s.fileSizes[stream++];
        }
        listing.entries.push_back(std::move(entry));
    }
    return true;
}

}  // namespace

ReadResult ReadSevenZip(ReadContext& ctx) {
    uint8_t start[32];
    if (!ctx.source.readAt(0, start, sizeof start) || std::memcmp(start, kSignature, 6) != 0) return ReadResult::NotThisFormat;
    ctx.listing.format = "7z";
    const ByteView s(start, sizeof start);
    const uint64_t offset = s.u64(12), size = s.u64(20);
    if (size == 0 && offset == 0) return ReadResult::Listed;  // an empty archive
    std::vector<uint8_t> header;
    if (size > kMaxHeader || offset > UINT64_MAX - 32 || !ctx.source.readBlock(32 + offset, static_cast<size_t>(size), header)) {
        ctx.error = "the 7z header lies outside the file (the archive is truncated or damaged)";
        return ReadResult::Failed;
    }
    Reader r{ByteView(header.data(), header.size())};
    const uint64_t id = r.number();
    if (id == kEncodedHeader) {
        ctx.error = "the 7z archive keeps its file list in a compressed header, which this lister does not decode";
        return ReadResult::Failed;
    }
    Streams streams;
    bool listed = id == kHeader;
    for (uint64_t part = listed ? r.number() : kEnd; part != kEnd && !r.bad && listed; part = r.number()) {
        if (part == kArchiveProperties) {
            for (uint64_t t = r.number(); t != kEnd && !r.bad; t = r.number()) r.skip(r.number());
        } else if (part == kAdditionalStreamsInfo) {
            Streams ignored;
            ReadStreamsInfo(r, ignored);
        } else if (part == kMainStreamsInfo) {
            ReadStreamsInfo(r, streams);
        } else if (part == kFilesInfo) {
            listed = ReadFilesInfo(r, streams, ctx.listing);
        } else {
            r.bad = true;
        }
    }
    if (!listed || r.bad) {
        if (!ctx.listing.entries.empty()) {
            ctx.listing.note = "the 7z header is damaged after its file list";
            return ReadResult::Listed;
        }
        ctx.error = "the 7z header is damaged";
        return ReadResult::Failed;
    }
    return ReadResult::Listed;
}

}  // namespace qm::extract
