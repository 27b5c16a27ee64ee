#include "tools/pdf_render/pdf_text_encoding.h"

#include <cstdlib>
#include <map>

namespace qm::pdf {

namespace {

// Names of Latin-1 0xA0..0xFF, in order.
const char* const kLatin1Names[96] = {
    "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section", "dieresis", "copyright",
    "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron", "degree", "plusminus",
    "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered", "cedilla", "onesuperior",
    "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters", "questiondown", "Agrave", "Aacute",
    "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla", "Egrave", "Eacute", "Ecircumflex", "Edieresis",
    "Igrave", "Iacute", "Icircumflex", "Idieresis", "Eth", "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde",
    "Odieresis", "multiply", "Oslash", "Ugrave", "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn",
    "germandbls", "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla", "egrave",
    "eacute", "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis", "eth", "ntilde", "ograve",
    "oacute", "ocircumflex", "otilde", "odieresis", "divide", "oslash", "ugrave", "uacute", "ucircumflex",
    "udieresis", "yacute", "thorn", "ydieresis"};

// Names of ASCII 0x20..0x7E, in order.
const char* const kAsciiNames[95] = {
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle", "parenleft",
    "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash", "zero", "one", "two", "three", "four",
    "five", "six", "seven", "eight", "nine", "colon", "semicolon", "less", "equal", "greater", "question", "at", "A",
    "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X",
    "Y", "Z", "bracketleft", "backslash", "bracketright", "asciicircum", "underscore", "grave", "a", "b", "c", "d",
    "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z",
    "braceleft", "bar", "braceright", "asciitilde"};

// Windows-1252 0x80..0x9F (0 where the code page has no character).
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const char16_t kMacRomanHigh[] =
    u"ÄÅÇÉÑÖÜáàâäãåçéèêëíìîïñóòôöõúùûü†°¢£§•¶ß®©™´¨≠ÆØ∞±≤≥¥µ∂∑∏π∫ªºΩæø¿¡¬√ƒ≈∆«»…\u00A0ÀÃÕŒœ–—“”‘’÷◊ÿŸ⁄€‹›ﬁﬂ‡·‚„‰ÂÊÁËÈÍÎÏÌÓÔ\uF8FFÒÚÛÙıˆ˜¯˘˙˚¸˝˛ˇ";

struct NameEntry {
    const char* name;
    char16_t code;
};
const NameEntry kOtherNames[] = {
    {"quoteleft", 0x2018}, {"quoteright", 0x2019}, {"quotedblleft", 0x201C}, {"quotedblright", 0x201D},
    {"quotesinglbase", 0x201A}, {"quotedblbase", 0x201E}, {"guilsinglleft", 0x2039}, {"guilsinglright", 0x203A},
    {"endash", 0x2013}, {"emdash", 0x2014}, {"bullet", 0x2022}, {"ellipsis", 0x2026}, {"dagger", 0x2020},
    {"daggerdbl", 0x2021}, {"perthousand", 0x2030}, {"trademark", 0x2122}, {"Euro", 0x20AC}, {"florin", 0x0192},
    {"fraction", 0x2044}, {"fi", 0xFB01}, {"fl", 0xFB02}, {"ff", 0xFB00}, {"ffi", 0xFB03}, {"ffl", 0xFB04},
    {"circumflex", 0x02C6}, {"tilde", 0x02DC}, {"breve", 0x02D8}, {"dotaccent", 0x02D9}, {"ring", 0x02DA},
    {"hungarumlaut", 0x02DD}, {"ogonek", 0x02DB}, {"caron", 0x02C7}, {"dotlessi", 0x0131}, {"Lslash", 0x0141},
    {"lslash", 0x0142}, {"OE", 0x0152}, {"oe", 0x0153}, {"Scaron", 0x0160}, {"scaron", 0x0161},
    {"Zcaron", 0x017D}, {"zcaron", 0x017E}, {"Ydieresis", 0x0178}, {"minus", 0x2212}, {"nbspace", 0x00A0},
    {"nonbreakingspace", 0x00A0}, {"sfthyphen", 0x00AD}, {"softhyphen", 0x00AD}, {"periodcentered", 0x00B7},
    {"middot", 0x00B7}, {"Delta", 0x2206}, {"Omega", 0x03A9}, {"pi", 0x03C0}, {"notequal", 0x2260},
    {"lessequal", 0x2264}, {"greaterequal", 0x2265}, {"infinity", 0x221E}, {"summation", 0x2211},
    {"product", 0x220F}, {"radical", 0x221A}, {"approxequal", 0x2248}, {"partialdiff", 0x2202},
    {"integral", 0x222B}, {"lozenge", 0x25CA}, {"apple", 0xF8FF}, {"Gbreve", 0x011E}, {"gbreve", 0x011F},
    {"Idotaccent", 0x0130}, {"Scedilla", 0x015E}, {"scedilla", 0x015F}, {"Cacute", 0x0106}, {"cacute", 0x0107},
    {"Ccaron", 0x010C}, {"ccaron", 0x010D}, {"Ecaron", 0x011A}, {"ecaron", 0x011B}, {"Rcaron", 0x0158},
    {"rcaron", 0x0159}, {"Nacute", 0x0143}, {"nacute", 0x0144}, {"Sacute", 0x015A}, {"sacute", 0x015B},
    {"Zacute", 0x0179}, {"zacute", 0x017A}, {"Zdotaccent", 0x017B}, {"zdotaccent", 0x017C}, {"Aogonek", 0x0104},
    {"aogonek", 0x0105}, {"Eogonek", 0x0118}, {"eogonek", 0x0119}, {"Uring", 0x016E}, {"uring", 0x016F},
    {"Ohungarumlaut", 0x0150}, {"ohungarumlaut", 0x0151}, {"Uhungarumlaut", 0x0170}, {"uhungarumlaut", 0x0171}};

const std::map<std::string, char16_t>& nameTable() {
    static const std::map<std::string, char16_t> table = [] {
        std::map<std::string, char16_t> t;
        for (int i = 0; i < 95; ++i) t.emplace(kAsciiNames[i], static_cast<char16_t>(0x20 + i));
        for (int i = 1; i < 96; ++i) t.emplace(kLatin1Names[i], static_cast<char16_t>(0xA0 + i));
        for (const NameEntry& e : kOtherNames) t.emplace(e.name, e.code);
        return t;
    }();
    return table;
}

CodeTable asciiBase() {
    CodeTable t{};
    for (int c = 0x20; c < 0x7F; ++c) t[c] = static_cast<char16_t>(c);
    return t;
}

}  // namespace

const CodeTable& BaseEncoding(const std::string& name) {
    static const CodeTable winAnsi = [] {
        CodeTable t = asciiBase();
        for (int c = 0; c < 32; ++c) t[0x80 + c] = kCp1252High[c];
        for (int c = 0xA0; c < 0x100; ++c) t[c] = static_cast<char16_t>(c);
        return t;
    }();
    static const CodeTable macRoman = [] {
        CodeTable t = asciiBase();
        for (int c = 0; c < 128; ++c) t[0x80 + c] = kMacRomanHigh[c];
        return t;
    }();
    static const CodeTable standard = [] {
        CodeTable t = asciiBase();
        t[0x27] = 0x2019;
        t[0x60] = 0x2018;
        const char* const high[] = {"exclamdown", "cent", "sterling", "fraction", "yen", "florin", "section",
                                    "currency", "quotesingle", "quotedblleft", "guillemotleft", "guilsinglleft",
                                    "guilsinglright", "fi", "fl"};
        for (int i = 0; i < 15; ++i) t[0xA1 + i] = GlyphNameToUnicode(high[i]);
        const NameEntry rest[] = {{"endash", 0xB1}, {"dagger", 0xB2}, {"daggerdbl", 0xB3}, {"periodcentered", 0xB4},
                                  {"paragraph", 0xB6}, {"bullet", 0xB7}, {"quotesinglbase", 0xB8},
                                  {"quotedblbase", 0xB9}, {"quotedblright", 0xBA}, {"guillemotright", 0xBB},
                                  {"ellipsis", 0xBC}, {"perthousand", 0xBD}, {"questiondown", 0xBF},
                                  {"grave", 0xC1}, {"acute", 0xC2}, {"circumflex", 0xC3}, {"tilde", 0xC4},
                                  {"macron", 0xC5}, {"breve", 0xC6}, {"dotaccent", 0xC7}, {"dieresis", 0xC8},
                                  {"ring", 0xCA}, {"cedilla", 0xCB}, {"hungarumlaut", 0xCD}, {"ogonek", 0xCE},
                                  {"caron", 0xCF}, {"emdash", 0xD0}, {"AE", 0xE1}, {"ordfeminine", 0xE3},
                                  {"Lslash", 0xE8}, {"Oslash", 0xE9}, {"OE", 0xEA}, {"ordmasculine", 0xEB},
                                  {"ae", 0xF1}, {"dotlessi", 0xF5}, {"lslash", 0xF8}, {"oslash", 0xF9},
                                  {"oe", 0xFA}, {"germandbls", 0xFB}};
        for (const NameEntry& e : rest) t[e.code] = GlyphNameToUnicode(e.name);
        return t;
    }();
    if (name == "WinAnsiEncoding") return winAnsi;
    if (name == "MacRomanEncoding") return macRoman;
    return standard;
}

char16_t GlyphNameToUnicode(const std::string& fullName) {
    const std::string name = fullName.substr(0, fullName.find('.'));  // "a.sc" is drawn as "a"
    const auto& table = nameTable();
    const auto found = table.find(name);
    if (found != table.end()) return found->second;
    auto hex = [](const std::string& digits) -> char16_t {
        if (digits.size() < 4 || digits.size() > 6) return 0;
        char* end = nullptr;
        const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
        return *end == 0 && value > 0 && value < 0xFFFF ? static_cast<char16_t>(value) : 0;
    };
    if (name.size() == 7 && name.compare(0, 3, "uni") == 0) return hex(name.substr(3));
    if (name.size() >= 5 && name[0] == 'u') return hex(name.substr(1));
    return 0;
}

}  // namespace qm::pdf
