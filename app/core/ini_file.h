// An ini text file read and written the way the system's private-profile functions treat it:
// "[section]" headers, "key=value" lines, ';' comments. Lookups follow the system (section and
// key names ignore case, the first section and the first key of a name win); a write changes
// one line and keeps every other byte of the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm::app {

inline constexpr int kErrorFileTooLarge = 223;  // ERROR_FILE_TOO_LARGE
inline constexpr std::size_t kMaxIniFileBytes = 4u * 1024 * 1024;

// One line of a section as the section listing gives it: a line without '=' is its own key.
struct IniEntry {
    std::wstring key;
    std::wstring value;
    bool hasValue = false;  // the line held an '='
};

class IniFile {
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

    // 0; 2 when the file is missing; kErrorFileTooLarge above kMaxIniFileBytes; other errors
    // of the file system. On any failure the object is left empty.
    int load(const std::wstring& path);
    // Takes the bytes as a file would hold them. Fails only when they are too many.
    int parse(std::span<const std::uint8_t> bytes);

    // Section names in file order (a repeated name is listed again, like the system does).
    std::vector<std::wstring> sectionNames() const;
    bool hasSection(std::wstring_view section) const;
    // The entries of the first section of that name, comments and blank lines left out.
    std::vector<IniEntry> sectionEntries(std::wstring_view section) const;
    // The value of the first such key in the first such section; nullopt when absent or
    // when its line has no '='. Matching quotes around the value are removed.
    std::optional<std::wstring> value(std::wstring_view section, std::wstring_view key) const;
    std::wstring getString(std::wstring_view section, std::wstring_view key, std::wstring_view fallback) const;

    // Sets one key in memory: an existing key's value is replaced on its own line, a new key
    // goes after the section's last entry, a new section is appended at the end. 87 when a
    // name or the value would break the file's structure (line breaks, '=' in the key, ...).
    int setString(std::wstring_view section, std::wstring_view key, std::wstring_view value);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    Encoding encoding() const { return encoding_; }
    // Writes the bytes to path through a temporary file that then replaces it.
    int save(const std::wstring& path) const;

private:
    struct Line {
        std::size_t begin = 0;  // byte offsets into bytes_
        std::size_t end = 0;    // end of the text, before the line break
        std::size_t next = 0;   // start of the next line
        std::wstring text;      // decoded, surrounding white space removed
    };
    struct Entry {
        std::wstring key;
        std::wstring value;
        bool hasValue = false;
        std::size_t line = 0;
    };
    struct Section {
        std::wstring name;
        std::size_t headerLine = 0;
        std::vector<Entry> entries;
    };

    void splitLines();
    void buildSections();
    const Section* findSection(std::wstring_view name) const;
    std::vector<std::uint8_t> encode(const std::wstring& text) const;
    std::wstring lineBreak() const;
    void replaceBytes(std::size_t begin, std::size_t end, const std::vector<std::uint8_t>& with);

    std::vector<std::uint8_t> bytes_;
    Encoding encoding_ = Encoding::Utf8;
    std::size_t bodyStart_ = 0;  // after the byte-order mark
    std::size_t bodyEnd_ = 0;    // before an odd last byte of a UTF-16 file
    std::vector<Line> lines_;
    std::vector<Section> sections_;  // keys before the first header are in no section
};

// GetPrivateProfileString: the value, or fallback when the file, section or key is missing.
std::wstring ReadIniString(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                           std::wstring_view fallback);
// WritePrivateProfileString for one key: creates the file when missing, keeps all other lines.
int WriteIniString(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                   std::wstring_view value);

}  // namespace qm::app
