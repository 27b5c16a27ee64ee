// User-visible texts by key ("MSG0701" ...), as the language tables hold them, and a safe way
// to put one value into such a text.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

namespace qm {

class ITextSource {
public:
    virtual ~ITextSource() = default;
    // The text of a key; an unknown key gives an empty text.
    virtual std::wstring GetText(const std::wstring& key) const = 0;
};

// The program's English texts for the keys the portable core uses.
class CDefaultTexts : public ITextSource {
public:
    CDefaultTexts();
    std::wstring GetText(const std::wstring& key) const override;
    void Set(const std::wstring& key, const std::wstring& text) { texts_[key] = text; }

private:
    std::map<std::wstring, std::wstring> texts_;
};

// Puts one value into a text that carries a single printf-style conversion ("%c", "%d", "%s",
// with optional flags and width). Language files are outside data: further conversions stay
// as written instead of reading arguments that are not there; "%%" gives "%".
std::wstring FormatWithChar(const std::wstring& format, wchar_t value);
std::wstring FormatWithNumber(const std::wstring& format, int64_t value);
std::wstring FormatWithText(const std::wstring& format, const std::wstring& value);
// The same for a text with several integer conversions, filled in order; conversions beyond
// the values given stay as written.
std::wstring FormatWithNumbers(const std::wstring& format, std::initializer_list<int64_t> values);

}  // namespace qm
