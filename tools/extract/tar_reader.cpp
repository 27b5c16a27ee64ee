// Tar listing (v7, ustar, GNU long names, pax path records) over a forward stream.
#include <algorithm>
#include <cstring>

#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr size_t kBlock = 512;
constexpr uint64_t kMaxLongName = 64 * 1024;     // GNU 'L' records longer than this are damage
constexpr uint64_t kMaxPaxRecord = 1024 * 1024;

// Octal digits (spaces and NULs around them), or GNU base-256 when the top bit is set.
bool ParseNumber(const uint8_t* field, size_t length, uint64_t& value) {
    value = 0;
    if (field[0] & 0x80) {
        if (field[0] & 0x40) return false;  // negative
        uint64_t v = field[0] & 0x3F;
        for (size_t i = 1; i < length; ++i) {
            if (v >> 56) return false;
            v = (v << 8) | field[i];
        }
        value = v;
        return true;
    }
    size_t i = 0;
    while (i < length && field[i] == ' ') ++i;
    bool any = false;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 60) return false;
        value = value * 8 + (field[i] - '0');
        any = true;
    }
    for (; i < length; ++i)
        if (field[i] != ' ' && field[i] != 0) return false;
    return any || field[0] == 0 || field[0] == ' ';
}

bool IsZeroBlock(const uint8_t* block) {
    return std::all_of(block, block + kBlock, [](uint8_t b) { return b == 0; });
}

uint64_t Padded(uint64_t size) { return (size + kBlock - 1) / kBlock * kBlock; }

// Reads an entry's data (a long name or pax record) whole; false when it is too long.
bool ReadData(ByteStream& stream, uint64_t size, uint64_t limit, std::string& out) {
    if (size > limit) return false;
    out.resize(static_cast<size_t>(size));
    return stream.read(out.data(), out.size()) && stream.skip(Padded(size) - size);
}

// What pax records override in the next header.
struct PaxValues {
    std::string path;
    uint64_t size = 0, mtime = 0;
    bool haveSize = false, haveTime = false;
};

// Pax records "LENGTH key=value\n": takes path, size and mtime.
void ApplyPax(const std::string& records, PaxValues& pax) {
    size_t pos = 0;
    while (pos < records.size()) {
        size_t digitsEnd = pos, length = 0;
        while (digitsEnd < records.size() && records[digitsEnd] >= '0' && records[digitsEnd] <= '9' &&
               length < records.size())
            length = length * 10 + (records[digitsEnd++] - '0');
        if (digitsEnd == pos || length <= digitsEnd - pos || length > records.size() - pos) return;
        const std::string record = records.substr(digitsEnd + 1, pos + length - digitsEnd - 1);
        pos += length;
        const size_t eq = record.find('=');
        if (eq == std::string::npos) continue;
        std::string value = record.substr(eq + 1);
        if (!value.empty() && value.back() == '\n') value.pop_back();
        const std::string key = record.substr(0, eq);
        if (key == "path") {
            pax.path = value;
        } else if (key == "size" || key == "mtime") {
            char* end = nullptr;
            const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
            if (end == value.c_str()) continue;
            if (key == "size") pax.size = n, pax.haveSize = true;
            else pax.mtime = n, pax.haveTime = true;
        }
    }
}

}  // namespace

bool IsTarHeader(const uint8_t* block) {
    uint64_t stored = 0;
    if (!ParseNumber(block + 148, 8, stored) || block[148] == 0) return false;
    uint64_t unsignedSum = 0;
    int64_t signedSum = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        const uint8_t b = (i >= 148 && i < 156) ? ' ' : block[i];
        unsignedSum += b;
        signedSum += static_cast<int8_t>(b);
    }
    return stored == unsignedSum || static_cast<int64_t>(stored) == signedSum;
}

size_t WalkTar(ByteStream& stream, ArchiveListing& listing, size_t maxEntries) {
    uint8_t block[kBlock];
    size_t added = 0;
    std::string longName;
    PaxValues pax;
    bool sawZero = false;
    while (added < maxEntries && listing.entries.size() < kMaxEntries) {
        if (!stream.read(block, kBlock)) {
            if (!sawZero && added == 0) listing.note = "the tar archive ends inside a header";
            break;
        }
        if (IsZeroBlock(block)) {
            if (sawZero) break;
            sawZero = true;
            continue;
        }
        sawZero = false;
        if (!IsTarHeader(block)) {
            listing.note = "the tar archive is damaged after entry " + std::to_string(added);
            break;
        }
        uint64_t size = 0, mode = 0, mtime = 0;
        const bool sizeOk = ParseNumber(block + 124, 12, size);
        const bool modeOk = ParseNumber(block + 100, 8, mode);
        const bool timeOk = ParseNumber(block + 136, 12, mtime);
        const char type = static_cast<char>(block[156]);
        if (!sizeOk) {
            listing.note = "a tar header has an unreadable size";
            break;
        }
        if (type == 'L' || type == 'x' || type == 'K' || type == 'g') {
            std::string data;
            if (!ReadData(stream, size, type == 'L' || type == 'K' ? kMaxLongName : kMaxPaxRecord, data)) {
                listing.note = "a tar name record is damaged";
                break;
            }
            if (type == 'L') longName = std::string(UntilNul(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
            if (type == 'x') ApplyPax(data, pax);
            continue;
        }
        // Links carry no data whatever their size field says; everything else is skipped whole.
        const bool link = type == '1' || type == '2';
        uint64_t dataSize = link ? 0 : size;
        if (pax.haveSize && !link) dataSize = pax.size;
        ArchiveEntry entry;
        std::string name;
        if (!pax.path.empty()) {
            name = pax.path;
        } else if (!longName.empty()) {
            name = longName;
        } else {
            name = std::string(UntilNul(block, 100));
            // Only POSIX ustar ("ustar\0") has the prefix field; GNU keeps times there.
            if (std::memcmp(block + 257, "ustar\0", 6) == 0 && block[345] != 0)
                name = std::string(UntilNul(block + 345, 155)) + "/" + name;
        }
        entry.name = Utf8OrCp437(name);
        entry.size = dataSize;
        if (pax.haveTime) entry.time = EntryTime::fromUnix(static_cast<int64_t>(pax.mtime));
        else if (timeOk) entry.time = EntryTime::fromUnix(static_cast<int64_t>(mtime));
        if (modeOk) entry.attributes = AttributesFromUnixMode(static_cast<uint32_t>(mode)) & ~kAttrFolder;
        if (type == '5' || type == 'D' || (!entry.name.empty() && entry.name.back() == '/' && dataSize == 0))
            entry.attributes |= kAttrFolder;
        if (entry.folder()) entry.size.reset();
        longName.clear();
        pax = PaxValues();
        if (type != 'V') {
            listing.entries.push_back(std::move(entry));
            ++added;
        }
        if (!stream.skip(Padded(dataSize))) {
            listing.note = "the tar archive is cut short inside entry " + std::to_string(added);
            break;
        }
    }
    return added;
}

ReadResult ReadTar(ReadContext& ctx) {
    uint8_t first[kBlock];
    if (!ctx.source.readAt(0, first, kBlock) || !IsTarHeader(first)) return ReadResult::NotThisFormat;
    ctx.listing.format = "tar";
    SourceCursor cursor(ctx.source, 0);
    WalkTar(cursor, ctx.listing, kMaxEntries);
    return ReadResult::Listed;
}

}  // namespace qm::extract
