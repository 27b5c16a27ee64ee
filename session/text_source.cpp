#include "session/text_source.h"

#include <cwchar>

namespace qm {

CDefaultTexts::CDefaultTexts() {
    texts_ = {
        {L"MSG0701", L"Scanning partition %c:"},
        {L"MSG0702", L"Scanning partition %d"},
        {L"MSG0703", L"Scanning image"},
        {L"MSG0704", L"Progress:"},
        {L"MSG0705", L"Time left: estimating..."},
        {L"MSG0706", L"Sectors:"},
        {L"MSG0707", L"Files found:"},
        {L"MSG0708", L"Time left: "},
        {L"MSG0709", L"Do you want to stop the scan?"},
        {L"MSG1101", L"Recovering:"},
        {L"MSG1102", L"Processed %d of %d: %d recovered, %d failed"},
        {L"MSG1103", L"Do you want to stop the recovery?"},
        {L"MSG1206", L"An earlier deep scan of this source was interrupted. Do you want to continue it?"},
    };
}

std::wstring CDefaultTexts::GetText(const std::wstring& key) const {
    const auto it = texts_.find(key);
    return it == texts_.end() ? std::wstring() : it->second;
}

namespace {

// Replaces the first `limit` conversions of the format by render(letter, index).
template <class Render>
std::wstring formatSome(const std::wstring& format, size_t limit, Render render) {
    std::wstring out;
    out.reserve(format.size() + 16);
    size_t used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        // Flags, width and length modifiers, then the conversion letter.
        size_t j = i + 1;
        while (j < format.size() && (std::wcschr(L"-+ #0123456789.lhI6", format[j]) != nullptr)) ++j;
        if (j >= format.size() || used >= limit || !std::wcschr(L"cCdiuxXsS", format[j])) {
            out += format[i];
            continue;
        }
        out += render(format[j], used);
        ++used;
        i = j;
    }
    return out;
}

template <class Render>
std::wstring formatOne(const std::wstring& format, Render render) {
    return formatSome(format, 1, [&](wchar_t conversion, size_t) { return render(conversion); });
}

std::wstring numberText(int64_t value, wchar_t conversion) {
    wchar_t text[32];
    if (conversion == L'x' || conversion == L'X')
        std::swprintf(text, 32, conversion == L'x' ? L"%llx" : L"%llX", static_cast<unsigned long long>(value));
    else
        std::swprintf(text, 32, L"%lld", static_cast<long long>(value));
    return text;
}

}  // namespace

std::wstring FormatWithNumbers(const std::wstring& format, std::initializer_list<int64_t> values) {
    const int64_t* v = values.begin();
    return formatSome(format, values.size(), [&](wchar_t conversion, size_t index) {
        if (conversion == L's' || conversion == L'S' || conversion == L'c' || conversion == L'C')
            return numberText(v[index], L'd');
        return numberText(v[index], conversion);
    });
}

std::wstring FormatWithChar(const std::wstring& format, wchar_t value) {
    return formatOne(format, [&](wchar_t conversion) {
        if (conversion == L'c' || conversion == L'C' || conversion == L's' || conversion == L'S')
            return std::wstring(1, value);
        return numberText(static_cast<int64_t>(value), conversion);
    });
}

std::wstring FormatWithNumber(const std::wstring& format, int64_t value) {
    return formatOne(format, [&](wchar_t conversion) {
        if (conversion == L'c' || conversion == L'C') return std::wstring(1, static_cast<wchar_t>(value));
        return numberText(value, conversion);
    });
}

std::wstring FormatWithText(const std::wstring& format, const std::wstring& value) {
    return formatOne(format, [&](wchar_t conversion) {
        if (conversion == L's' || conversion == L'S') return value;
        return std::wstring();
    });
}

}  // namespace qm
