#include "app/core/ini_file.h"

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qm::app {
namespace {

// The profile functions trim these around lines, keys and values (0x1A: an old end-of-file mark).
bool isIniSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' || c == 0x1A;
}

std::wstring trim(std::wstring_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isIniSpace(text[b])) ++b;
    while (e > b && isIniSpace(text[e - 1])) --e;
    return std::wstring(text.substr(b, e - b));
}

// Names compare ignoring case, as the system does; these ranges cover the names people write.
wchar_t foldCase(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    return c;
}

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

bool hasLineBreakOrNul(std::wstring_view text) {
    return text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos;
}

}  // namespace

int IniFile::load(const std::wstring& path) {
    *this = IniFile();
    platform::File file;
    if (const int rc = file.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    uint64_t size = 0;
    if (const int rc = file.size(size); rc != 0) return rc;
    if (size > kMaxIniFileBytes) return kErrorFileTooLarge;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t got = 0;
    if (const int rc = platform::readFully(file, bytes.data(), bytes.size(), got); rc != 0) return rc;
    bytes.resize(got);
    return parse(bytes);
}

int IniFile::parse(std::span<const std::uint8_t> bytes) {
    *this = IniFile();
    if (bytes.size() > kMaxIniFileBytes) return kErrorFileTooLarge;
    bytes_.assign(bytes.begin(), bytes.end());
    if (bytes_.size() >= 3 && bytes_[0] == 0xEF && bytes_[1] == 0xBB && bytes_[2] == 0xBF) {
        encoding_ = Encoding::Utf8Bom;
        bodyStart_ = 3;
    } else if (bytes_.size() >= 2 && bytes_[0] == 0xFF && bytes_[1] == 0xFE) {
        encoding_ = Encoding::Utf16Le;
        bodyStart_ = 2;
    } else if (bytes_.size() >= 2 && bytes_[0] == 0xFE && bytes_[1] == 0xFF) {
        encoding_ = Encoding::Utf16Be;
        bodyStart_ = 2;
    }
    splitLines();
    buildSections();
    return 0;
}

void IniFile::splitLines() {
    lines_.clear();
    const bool wide = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be;
    const std::size_t unit = wide ? 2 : 1;
    // An odd last byte of a UTF-16 file is not a character; it stays in the bytes untouched.
    const std::size_t limit = bodyStart_ + (bytes_.size() - bodyStart_) / unit * unit;
    bodyEnd_ = limit;
    auto at = [&](std::size_t pos) -> char16_t {
        if (!wide) return bytes_[pos];
        if (encoding_ == Encoding::Utf16Le) return static_cast<char16_t>(bytes_[pos] | (bytes_[pos + 1] << 8));
        return static_cast<char16_t>((bytes_[pos] << 8) | bytes_[pos + 1]);
    };
    auto find = [&](std::size_t from, char16_t wanted) {
        for (std::size_t pos = from; pos < limit; pos += unit)
            if (at(pos) == wanted) return pos;
        return limit;
    };

    std::size_t pos = bodyStart_;
    std::size_t newline = find(pos, u'\n');
    while (pos < limit) {
        // Lines end at '\n'; only when none follows does a lone '\r' end them.
        if (newline < pos) newline = find(pos, u'\n');
        std::size_t brk = newline;
        if (brk == limit) brk = find(pos, u'\r');
        Line line;
        line.begin = pos;
        line.next = brk == limit ? limit : brk + unit;
        line.end = brk;
        if (brk < limit && at(brk) == u'\n' && brk >= pos + unit && at(brk - unit) == u'\r') line.end = brk - unit;
        if (wide) {
            std::u16string units;
            for (std::size_t p = line.begin; p < line.end; p += unit) units.push_back(at(p));
            line.text = trim(platform::fromUtf16(units));
        } else {
            line.text = trim(platform::fromUtf8(std::string(bytes_.begin() + static_cast<std::ptrdiff_t>(line.begin),
                                                            bytes_.begin() + static_cast<std::ptrdiff_t>(line.end))));
        }
        lines_.push_back(std::move(line));
        pos = lines_.back().next;
    }
}

void IniFile::buildSections() {
    sections_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::wstring& text = lines_[i].text;
        if (text.empty()) continue;
        if (text.front() == L'[') {
            const std::size_t close = text.rfind(L']');
            if (close != std::wstring::npos) {
                Section section;
                section.name = trim(std::wstring_view(text).substr(1, close - 1));
                section.headerLine = i;
                sections_.push_back(std::move(section));
                continue;
            }
        }
        if (sections_.empty() || text.front() == L';') continue;
        Entry entry;
        entry.line = i;
        const std::size_t eq = text.find(L'=');
        if (eq == std::wstring::npos) {
            entry.key = text;
        } else {
            entry.key = trim(std::wstring_view(text).substr(0, eq));
            entry.value = trim(std::wstring_view(text).substr(eq + 1));
            entry.hasValue = true;
        }
        sections_.back().entries.push_back(std::move(entry));
    }
}

const IniFile::Section* IniFile::findSection(std::wstring_view name) const {
    const std::wstring wanted = trim(name);
    for (const Section& section : sections_)
        if (equalsIgnoringCase(section.name, wanted)) return &section;
    return nullptr;
}

std::vector<std::wstring> IniFile::sectionNames() const {
    std::vector<std::wstring> names;
    for (const Section& section : sections_)
        if (!section.name.empty()) names.push_back(section.name);
    return names;
}

bool IniFile::hasSection(std::wstring_view section) const { return findSection(section) != nullptr; }

std::vector<IniEntry> IniFile::sectionEntries(std::wstring_view section) const {
    std::vector<IniEntry> out;
    const Section* found = findSection(section);
    if (!found) return out;
    for (const Entry& entry : found->entries) {
        if (entry.key.empty()) continue;  // "=text" has no name to look up
        out.push_back(IniEntry{entry.key, entry.value, entry.hasValue});
    }
    return out;
}

std::optional<std::wstring> IniFile::value(std::wstring_view section, std::wstring_view key) const {
    const Section* found = findSection(section);
    if (!found) return std::nullopt;
    const std::wstring wanted = trim(key);
    for (const Entry& entry : found->entries) {
        if (!equalsIgnoringCase(entry.key, wanted)) continue;
        if (!entry.hasValue) return std::nullopt;
        std::wstring text = entry.value;
        if (text.size() >= 2 && (text.front() == L'"' || text.front() == L'\'') && text.back() == text.front())
            text = text.substr(1, text.size() - 2);
        return text;
    }
    return std::nullopt;
}

std::wstring IniFile::getString(std::wstring_view section, std::wstring_view key, std::wstring_view fallback) const {
    if (auto found = value(section, key)) return *found;
    return std::wstring(fallback);
}

std::vector<std::uint8_t> IniFile::encode(const std::wstring& text) const {
    std::vector<std::uint8_t> out;
    if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) {
        const bool le = encoding_ == Encoding::Utf16Le;
        for (char16_t u : platform::toUtf16(text)) {
            const auto lo = static_cast<std::uint8_t>(u & 0xFF);
            const auto hi = static_cast<std::uint8_t>(u >> 8);
            out.push_back(le ? lo : hi);
            out.push_back(le ? hi : lo);
        }
    } else {
        const std::string utf8 = platform::toUtf8(text);
        out.assign(utf8.begin(), utf8.end());
    }
    return out;
}

std::wstring IniFile::lineBreak() const {
    const std::size_t unit = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be ? 2 : 1;
    for (const Line& line : lines_) {
        const std::size_t length = (line.next - line.end) / unit;
        if (length == 2) return L"\r\n";
        if (length == 1) {
            // A lone break is '\n' unless the file only knows '\r'.
            const std::size_t pos = line.end;
            const bool cr = unit == 1 ? bytes_[pos] == '\r'
                                      : (bytes_[pos] == '\r' && bytes_[pos + 1] == 0) ||
                                            (bytes_[pos] == 0 && bytes_[pos + 1] == '\r');
            return cr ? L"\r" : L"\n";
        }
    }
    return L"\r\n";
}

void IniFile::replaceBytes(std::size_t begin, std::size_t end, const std::vector<std::uint8_t>& with) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes_.size() - (end - begin) + with.size());
    out.insert(out.end(), bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(begin));
    out.insert(out.end(), with.begin(), with.end());
    out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(end), bytes_.end());
    bytes_ = std::move(out);
    splitLines();
    buildSections();
}

int IniFile::setString(std::wstring_view sectionName, std::wstring_view keyName, std::wstring_view newValue) {
    const std::wstring section = trim(sectionName);
    const std::wstring key = trim(keyName);
    // Anything that would read back as a different line structure is refused.
    if (section.empty() || key.empty() || hasLineBreakOrNul(section) || hasLineBreakOrNul(key) ||
        hasLineBreakOrNul(newValue) || key.find(L'=') != std::wstring::npos || key.front() == L';' ||
        key.front() == L'[')
        return kErrorInvalidParameter;
    const std::wstring wanted(newValue);
    const std::wstring eol = lineBreak();

    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries) {
            if (!equalsIgnoringCase(entry.key, key)) continue;
            if (entry.hasValue && entry.value == trim(wanted)) return 0;
            const Line& line = lines_[entry.line];
            if (!entry.hasValue) {
                replaceBytes(line.begin, line.end, encode(entry.key + L"=" + wanted));
                return 0;
            }
            // Keep the key and the '=' as written (with the blanks after it); replace the rest.
            const std::size_t unit = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be ? 2 : 1;
            auto unitAt = [&](std::size_t pos) -> char16_t {
                if (unit == 1) return bytes_[pos];
                if (encoding_ == Encoding::Utf16Le) return static_cast<char16_t>(bytes_[pos] | (bytes_[pos + 1] << 8));
                return static_cast<char16_t>((bytes_[pos] << 8) | bytes_[pos + 1]);
            };
            std::size_t pos = line.begin;
            while (pos < line.end && unitAt(pos) != u'=') pos += unit;
            pos += unit;
            while (pos < line.end && (unitAt(pos) == u' ' || unitAt(pos) == u'\t')) pos += unit;
            replaceBytes(pos, line.end, encode(wanted));
            return 0;
        }
        // A new key goes after the section's last entry (or its header).
        std::size_t after = found->entries.empty() ? found->headerLine : found->entries.back().line;
        const Line& line = lines_[after];
        std::wstring text = key + L"=" + wanted + eol;
        if (line.next == line.end) text = eol + text;  // the file ended without a line break
        replaceBytes(line.next, line.next, encode(text));
        return 0;
    }

    std::wstring text = L"[" + section + L"]" + eol + key + L"=" + wanted + eol;
    if (!lines_.empty() && lines_.back().next == lines_.back().end) text = eol + text;
    replaceBytes(bodyEnd_, bodyEnd_, encode(text));
    return 0;
}

int IniFile::save(const std::wstring& path) const {
    const std::wstring temporary = path + L".new";
    {
        platform::File file;
        if (const int rc = file.open(temporary, platform::OpenMode::CreateAlways); rc != 0) return rc;
        int rc = platform::writeFully(file, bytes_.data(), bytes_.size());
        if (rc == 0) rc = file.flush();
        if (rc != 0) {
            file.close();
            platform::deleteFile(temporary);
            return rc;
        }
    }
    if (const int rc = platform::moveFile(temporary, path, true); rc != 0) {
        platform::deleteFile(temporary);
        return rc;
    }
    return 0;
}

std::wstring ReadIniString(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                           std::wstring_view fallback) {
    IniFile file;
    if (file.load(path) != 0) return std::wstring(fallback);
    return file.getString(section, key, fallback);
}

int WriteIniString(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                   std::wstring_view value) {
    IniFile file;
    const int rc = file.load(path);
    if (rc != 0 && rc != kErrorFileNotFound) return rc;
    const bool existed = rc == 0;
    const std::vector<std::uint8_t> before = file.bytes();
    if (const int set = file.setString(section, key, value); set != 0) return set;
    if (existed && file.bytes() == before) return 0;
    // Never write a file that the next read would refuse.
    if (file.bytes().size() > kMaxIniFileBytes) return kErrorFileTooLarge;
    return file.save(path);
}

}  // namespace qm::app
