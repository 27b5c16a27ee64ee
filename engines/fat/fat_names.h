// Names of directory entries as UTF-8: long names collected from their UTF-16 parts, short
// names from the OEM bytes (code page 437 above 0x7F).
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"

namespace qm {

// Collects the parts of a long name, which arrive last part first.
class LongNameCollector {
public:
    static constexpr size_t kMaxChars = 260;
    static constexpr size_t kCharsPerEntry = 13;

    // Puts the 13 characters of a long-name entry before those collected; false (nothing
    // added) when they no longer fit.
    bool Prepend(ByteView entry);
    void Reset();
    bool Empty() const { return chars_.empty(); }
    // The name up to its terminator, as UTF-8; empty when nothing usable was collected.
    std::string Utf8() const;
    // The name, when the collected parts belong together and to `shortEntry`: every part carries
    // the same checksum, for a live short entry the checksum of its 11 name bytes; live parts
    // count down from the one marked last to 1; only the part read first (the name's end) may
    // hold the terminator or padding. Empty otherwise: the short name is then shown rather
    // than parts of other names run together.
    std::string NameFor(ByteView shortEntry) const;

private:
    bool PartsConsistent(ByteView shortEntry) const;
    bool AliasFitsName(ByteView shortEntry) const;

    std::u16string chars_;
    std::basic_string<uint8_t> ordinals_;  // first bytes of the parts, in the order read
    std::basic_string<uint8_t> checksums_;  // their checksum bytes
};

// The checksum a long-name part carries of its short entry's 11 name bytes.
uint8_t ShortNameChecksum(ByteView shortEntry);

// The 8 name bytes without trailing blanks, then, for files whose extension does not start
// with a blank, "." and the extension without trailing blanks; ASCII capitals lowered; a
// deleted entry's lost first letter shown as "!".
std::string ShortEntryName(ByteView entry, bool withExtension);

// OEM bytes (code page 437) as UTF-8.
std::string OemToUtf8(const uint8_t* bytes, size_t length);

}  // namespace qm
