// Text of 97-2003 office documents: the word processor's piece table, the spreadsheet's cell
// records and the presentation's text atoms, read from their compound-file streams.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "disk/byte_view.h"
#include "preview/compound_file_reader.h"

namespace qm::preview {
namespace {

// ---- Word ----

// A character of the main text: paragraph marks and breaks end lines, cell marks become tabs,
// field instructions are left out (their results stay), other marks are dropped.
class WordCharacters {
public:
    explicit WordCharacters(TextOut& out) : out_(out) {}
    void add(char32_t c) {
        if (c == 0x13) {  // field begins: its instruction follows
            if (fields_.size() < 64) fields_.push_back(true);
            return;
        }
        if (c == 0x14) {  // field separator: the result follows
            if (!fields_.empty()) fields_.back() = false;
            return;
        }
        if (c == 0x15) {
            if (!fields_.empty()) fields_.pop_back();
            return;
        }
        if (!fields_.empty() && fields_.back()) return;
        if (c == 0x0D || c == 0x0B || c == 0x0C) out_.newline();
        else if (c == 0x07) out_.add(L'\t');
        else if (c == 0x09) out_.add(L'\t');
        else if (c == 0x1E) out_.add(L'-');
        else if (c == 0xA0) out_.add(L' ');
        else if (c >= 0x20) out_.add(static_cast<wchar_t>(c));
    }

private:
    TextOut& out_;
    std::vector<bool> fields_;  // per open field: still in its instruction
};

// The main text through the piece table of the CLX; false when it cannot be read.
bool pieceTableText(ByteView word, ByteView table, std::uint32_t clxAt, std::uint32_t clxSize, std::uint32_t textChars,
                    TextOut& out) {
    if (!table.has(clxAt, clxSize) || clxSize == 0) return false;
    const ByteView clx = table.sub(clxAt, clxSize);
    size_t at = 0;
    while (clx.u8(at) == 0x01) {  // property modifiers before the piece table
        if (!clx.has(at, 3)) return false;
        at += 3 + clx.u16(at + 1);
    }
    if (clx.u8(at) != 0x02 || !clx.has(at, 5)) return false;
    const std::uint32_t length = clx.u32(at + 1);
    if (!clx.has(at + 5, length) || length < 4 || (length - 4) % 12 != 0) return false;
    const ByteView plc = clx.sub(at + 5, length);
    const size_t pieces = (length - 4) / 12;
    WordCharacters chars(out);
    for (size_t p = 0; p < pieces && !out.full(); ++p) {
        const std::uint32_t from = plc.u32(4 * p), to = plc.u32(4 * (p + 1));
        if (to < from || from >= textChars) continue;
        const std::uint32_t count = std::min(to, textChars) - from;
        const std::uint32_t fc = plc.u32(4 * (pieces + 1) + 8 * p + 2);
        const bool compressed = fc & 0x40000000u;
        const size_t start = compressed ? (fc & ~0x40000000u) / 2 : fc;
        if (std::uint64_t{start} + std::uint64_t{count} * (compressed ? 1 : 2) > word.size()) return false;
        for (std::uint32_t i = 0; i < count && !out.full(); ++i)
            chars.add(compressed ? static_cast<char32_t>(FromCp1252(word.u8(start + i))) : word.u16(start + 2 * i));
    }
    return true;
}

// Runs of readable text anywhere in the stream, for files whose piece table is gone.
void scanForText(ByteView bytes, TextOut& out) {
    constexpr size_t kMinRun = 4;
    auto printable = [](std::uint32_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0xD800) || c == 0x0D; };
    std::wstring run;
    auto flush = [&] {
        if (run.size() >= kMinRun) {
            for (wchar_t c : run) c == 0x0D ? out.newline() : out.add(c);
            out.newline();
        }
        run.clear();
    };
    for (size_t at = 0; at + 1 < bytes.size() && !out.full();) {
        const std::uint16_t unit = bytes.u16(at);
        if (printable(unit) && unit > 0xFF) {  // UTF-16 text outside Latin-1
            run += static_cast<wchar_t>(unit);
            at += 2;
        } else if (bytes.u8(at + 1) == 0 && printable(bytes.u8(at))) {  // UTF-16 text of Latin-1
            run += static_cast<wchar_t>(bytes.u8(at));
            at += 2;
        } else if (printable(bytes.u8(at)) && bytes.u8(at) < 0x7F) {  // 8-bit text
            run += static_cast<wchar_t>(bytes.u8(at));
            at += 1;
        } else {
            flush();
            at += 1;
        }
    }
    flush();
}

// ---- Spreadsheet ----

// Records of a workbook stream; CONTINUE records carry on the one before.
struct Record {
    std::uint16_t type = 0;
    std::vector<ByteView> parts;  // the record's data, then each CONTINUE's
};

// Reads a string of the shared-string table, which may run on into CONTINUE parts; there the
// characters go on after a new byte of flags.
class ContinuedReader {
public:
    explicit ContinuedReader(const std::vector<ByteView>& parts) : parts_(parts) {}
    bool atEnd() {
        skipEmpty();
        return part_ >= parts_.size();
    }
    bool u8(std::uint8_t& v) {
        skipEmpty();
        if (part_ >= parts_.size()) return false;
        v = parts_[part_].u8(at_++);
        return true;
    }
    bool u16(std::uint16_t& v) {
        std::uint8_t a = 0, b = 0;
        if (!u8(a) || !u8(b)) return false;
        v = static_cast<std::uint16_t>(a | (b << 8));
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint16_t a = 0, b = 0;
        if (!u16(a) || !u16(b)) return false;
        v = a | (static_cast<std::uint32_t>(b) << 16);
        return true;
    }
    bool skip(std::uint64_t n) {
        while (n > 0) {
            skipEmpty();
            if (part_ >= parts_.size()) return false;
            const size_t step = static_cast<size_t>(std::min<std::uint64_t>(n, parts_[part_].size() - at_));
            at_ += step;
            n -= step;
        }
        return true;
    }
    bool string(std::wstring& s) {
        std::uint16_t count = 0;
        std::uint8_t flags = 0;
        if (!u16(count) || !u8(flags)) return false;
        std::uint16_t runs = 0;
        std::uint32_t extra = 0;
        if ((flags & 0x08) && !u16(runs)) return false;
        if ((flags & 0x04) && !u32(extra)) return false;
        bool wide = flags & 0x01;
        s.clear();
        for (std::uint16_t i = 0; i < count; ++i) {
            if (at_ >= parts_[part_].size()) {  // the characters go on in the next part
                ++part_, at_ = 0;
                std::uint8_t f = 0;
                if (!u8(f)) return false;
                wide = f & 0x01;
            }
            std::uint8_t lo = 0, hi = 0;
            if (!u8(lo) || (wide && !u8(hi))) return false;
            s += static_cast<wchar_t>(lo | (hi << 8));
        }
        return skip(4ull * runs) && skip(extra);
    }

private:
    void skipEmpty() {
        while (part_ < parts_.size() && at_ >= parts_[part_].size()) ++part_, at_ = 0;
    }
    const std::vector<ByteView>& parts_;
    size_t part_ = 0, at_ = 0;
};

std::vector<Record> readRecords(ByteView stream, size_t from, bool untilEof) {
    std::vector<Record> records;
    for (size_t at = from; stream.has(at, 4);) {
        const std::uint16_t type = stream.u16(at), length = stream.u16(at + 2);
        const ByteView data = stream.sub(at + 4, length);
        at += 4 + length;
        if (type == 0x003C && !records.empty()) records.back().parts.push_back(data);
        else records.push_back({type, {data}});
        if (untilEof && type == 0x000A) break;
    }
    return records;
}

double rkValue(std::uint32_t rk) {
    double value = 0;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

double doubleAt(ByteView v, size_t at) {
    const std::uint64_t bits = v.u64(at);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A cell's string of a LABEL or STRING record: count, flags, characters.
std::wstring shortString(ByteView v, size_t at) {
    const std::uint16_t count = v.u16(at);
    const bool wide = v.u8(at + 2) & 0x01;
    std::wstring s;
    for (size_t i = 0; i < count && v.has(at + 3 + i * (wide ? 2 : 1), wide ? 2 : 1); ++i)
        s += static_cast<wchar_t>(wide ? v.u16(at + 3 + 2 * i) : v.u8(at + 3 + i));
    return s;
}

// ---- Presentation ----

constexpr std::uint16_t kTextCharsAtom = 0x0FA0, kTextBytesAtom = 0x0FA8;
constexpr std::uint16_t kDocumentContainer = 0x03E8, kSlideContainer = 0x03EE, kSlidePersistAtom = 0x03F3, kMainMaster = 0x03F8, kNotes = 0x03F0;

}  // namespace

int LegacyWordText(Bytes file, TextOut& out) {
    CompoundFileReader cfb;
    std::vector<std::uint8_t> wordStream;
    if (!cfb.open(file) || !cfb.stream(u"WordDocument", wordStream)) return 13;
    const ByteView word(wordStream.data(), wordStream.size());
    if (word.u16(0) != 0xA5EC) return 13;
    const std::uint16_t flags = word.u16(0x0A);
    if (flags & 0x0100) return 13;  // encrypted
    std::vector<std::uint8_t> tableStream;
    cfb.stream((flags & 0x0200) ? u"1Table" : u"0Table", tableStream);
    // The FIB: a 32-byte base, then counted arrays of shorts, longs and offset/length pairs.
    const size_t shortCount = word.u16(32);
    const size_t longs = 34 + 2 * shortCount + 2;
    const size_t pairs = longs + 4 * size_t{word.u16(34 + 2 * shortCount)} + 2;
    const std::uint32_t textChars = word.u32(longs + 12);  // ccpText: the main document
    const std::uint32_t clxAt = word.u32(pairs + 33 * 8), clxSize = word.u32(pairs + 33 * 8 + 4);
    const ByteView table(tableStream.data(), tableStream.size());
    TextOut pieces;
    if (pieceTableText(word, table, clxAt, clxSize, textChars, pieces)) {
        out.add(pieces.finish());
        return 0;
    }
    scanForText(word.sub(0x200), out);  // past the FIB
    return 0;
}

int LegacySheetText(Bytes file, TextOut& out) {
    CompoundFileReader cfb;
    std::vector<std::uint8_t> book;
    if (!cfb.open(file) || (!cfb.stream(u"Workbook", book) && !cfb.stream(u"Book", book))) return 13;
    const ByteView stream(book.data(), book.size());
    if (stream.u16(0) != 0x0809) return 13;

    std::vector<std::wstring> shared;
    size_t firstSheet = 0;
    for (const Record& r : readRecords(stream, 0, true)) {
        const ByteView& v = r.parts.front();
        if (r.type == 0x002F) return 13;  // FILEPASS: encrypted
        if (r.type == 0x0085 && firstSheet == 0 && v.u8(5) == 0) firstSheet = v.u32(0);
        if (r.type == 0x00FC) {
            ContinuedReader reader(r.parts);
            std::uint32_t total = 0, unique = 0;
            reader.u32(total);
            reader.u32(unique);
            std::wstring s;
            for (std::uint32_t i = 0; i < unique && !reader.atEnd() && shared.size() < (1u << 20); ++i) {
                if (!reader.string(s)) break;
                shared.push_back(s);
            }
        }
    }

    std::map<std::uint32_t, std::map<std::uint16_t, std::wstring>> cells;  // row -> column -> text
    size_t cellText = 0;
    auto put = [&](std::uint16_t row, std::uint16_t column, std::wstring text) {
        if (cellText > kDocumentTextLimit) return;
        cellText += text.size() + 1;
        cells[row][column] = std::move(text);
    };
    if (firstSheet > 0 && stream.u16(firstSheet) == 0x0809) {
        const std::vector<Record> records = readRecords(stream, firstSheet, true);
        for (size_t i = 0; i < records.size(); ++i) {
            const Record& r = records[i];
            const ByteView& v = r.parts.front();
            const std::uint16_t row = v.u16(0), column = v.u16(2);
            switch (r.type) {
                case 0x00FD:
                    if (v.u32(6) < shared.size()) put(row, column, shared[v.u32(6)]);
                    break;
                case 0x0204: put(row, column, shortString(v, 6)); break;
                case 0x0203: put(row, column, NumberText(doubleAt(v, 6))); break;
                case 0x027E: put(row, column, NumberText(rkValue(v.u32(6)))); break;
                case 0x00BD:  // several RK cells of one row
                    for (size_t at = 4, c = column; at + 6 + 2 <= v.size(); at += 6, ++c)
                        put(row, static_cast<std::uint16_t>(c), NumberText(rkValue(v.u32(at + 2))));
                    break;
                case 0x0006:  // a formula's cached result; a string one follows in a STRING record
                    if (v.u16(12) != 0xFFFF) put(row, column, NumberText(doubleAt(v, 6)));
                    else if (v.u8(6) == 0 && i + 1 < records.size() && records[i + 1].type == 0x0207)
                        put(row, column, shortString(records[i + 1].parts.front(), 0));
                    break;
                default: break;
            }
        }
    }
    if (cells.empty()) {  // no readable sheet: the strings of the workbook in order
        for (const std::wstring& s : shared) {
            out.add(s);
            out.newline();
        }
        return 0;
    }
    for (const auto& [row, columns] : cells) {
        if (out.full()) break;
        std::uint32_t next = 0;
        for (const auto& [column, text] : columns) {
            for (; next < column && !out.full(); ++next) out.add(L'\t');
            out.add(text);
        }
        out.newline();
    }
    return 0;
}

int LegacySlideText(Bytes file, TextOut& out) {
    CompoundFileReader cfb;
    std::vector<std::uint8_t> document;
    if (!cfb.open(file) || !cfb.stream(u"PowerPoint Document", document)) return 13;
    const ByteView stream(document.data(), document.size());
    // Records are walked in stream order; containers are entered, atoms stepped over. The
    // stack holds where each open container ends and whether it hides its text (masters, notes).
    struct Open {
        size_t end;
        bool hidden;
    };
    // A file saved again in place appends a new document record after the old one; the last
    // one holds the slides' current text.
    size_t lastDocument = SIZE_MAX;
    for (size_t at = 0; stream.has(at, 8); at += 8 + size_t{stream.u32(at + 4)}) {
        if (stream.u16(at + 2) == kDocumentContainer) lastDocument = at;
        if (stream.u32(at + 4) > stream.size()) break;
    }
    std::vector<Open> open;
    for (size_t at = 0; stream.has(at, 8) && !out.full();) {
        while (!open.empty() && at >= open.back().end) open.pop_back();
        const bool hidden = !open.empty() && open.back().hidden;
        const std::uint16_t version = stream.u16(at) & 0x0F;
        const std::uint16_t type = stream.u16(at + 2);
        const std::uint32_t length = stream.u32(at + 4);
        const size_t body = at + 8;
        const size_t end = body + std::min<size_t>(length, stream.size() - body);
        if (version == 0x0F) {
            if (open.empty() && type == kDocumentContainer && at != lastDocument) {
                at = end;
                continue;
            }
            if (open.size() < 64) open.push_back({end, hidden || type == kMainMaster || type == kNotes});
            if (type == kSlideContainer && !hidden) out.blankLine();
            at = body;
            continue;
        }
        if (!hidden && type == kSlidePersistAtom) out.blankLine();
        if (!hidden && (type == kTextCharsAtom || type == kTextBytesAtom)) {
            const bool wide = type == kTextCharsAtom;
            for (size_t p = body; p + (wide ? 2 : 1) <= end && !out.full(); p += wide ? 2 : 1) {
                const wchar_t c = wide ? static_cast<wchar_t>(stream.u16(p)) : static_cast<wchar_t>(stream.u8(p));
                if (c == 0x0D || c == 0x0B) out.newline();
                else if (c == 0x09 || c >= 0x20) out.add(c);
            }
            out.newline();
        }
        at = end;
    }
    return 0;
}

}  // namespace qm::preview
