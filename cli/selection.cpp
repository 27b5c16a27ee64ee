#include "cli/selection.h"

#include <algorithm>
#include <cctype>

#include "platform/text.h"

namespace qm::cli {
namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Glob over [p, pEnd) and [s, sEnd); "**" crosses "/", "*" and "?" do not. Iterative with
// backtracking to the last star, so hostile names cannot make it exponential.
bool globMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0, s = 0;
    size_t starP = std::string::npos, starS = 0;
    bool starCrossesSlash = false;
    while (s < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starCrossesSlash = p + 1 < pattern.size() && pattern[p + 1] == '*';
            p += starCrossesSlash ? 2 : 1;
            // "**/" also matches no folder at all.
            if (starCrossesSlash && p < pattern.size() && pattern[p] == '/' && globMatch(pattern.substr(p + 1), text.substr(s)))
                return true;
            starP = p;
            starS = s;
            continue;
        }
        if (p < pattern.size() && (pattern[p] == '?' ? text[s] != '/' : lower(pattern[p]) == lower(text[s]))) {
            ++p;
            ++s;
            continue;
        }
        if (starP == std::string::npos) return false;
        // Let the last star take one more character, unless it may not cross a "/".
        if (!starCrossesSlash && text[starS] == '/') return false;
        p = starP;
        s = ++starS;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool PathMatches(const std::string& pattern, const std::string& path) {
    std::string p = pattern;
    while (!p.empty() && p.front() == '/') p.erase(p.begin());
    if (p.find('/') == std::string::npos) {
        const size_t cut = path.rfind('/');
        return globMatch(p, cut == std::string::npos ? path : path.substr(cut + 1));
    }
    return globMatch(p, path);
}

bool ParseSize(const std::string& text, uint64_t& bytes) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    size_t at = 0;
    uint64_t value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        if (value > (UINT64_MAX - 9) / 10) return false;
        value = value * 10 + static_cast<uint64_t>(text[at++] - '0');
    }
    const std::string unit = text.substr(at);
    int shift = 0;
    if (unit.empty() || unit == "b" || unit == "B") shift = 0;
    else if (unit == "k" || unit == "K") shift = 10;
    else if (unit == "m" || unit == "M") shift = 20;
    else if (unit == "g" || unit == "G") shift = 30;
    else if (unit == "t" || unit == "T") shift = 40;
    else return false;
    if (shift && value > (UINT64_MAX >> shift)) return false;
    bytes = value << shift;
    return true;
}

SelectionCounts ApplySelection(const CliOptions& options, std::vector<FoundFile>& files) {
    SelectionCounts counts;
    const auto dropped = [&](const FoundFile& f) {
        if (f.record.isFolder) return false;
        const uint64_t size = f.record.size;
        if (size < options.minSize || size > options.maxSize) return true;
        if (!options.paths.empty()) {
            const std::string path = platform::toUtf8(f.folder) + recordName(f.record);
            if (std::none_of(options.paths.begin(), options.paths.end(),
                             [&](const std::string& p) { return PathMatches(p, path); }))
                return true;
        }
        if (options.deletedOnly && DeletedState(f.record) == 0) return true;
        if (!f.record.condition && !options.includeDamaged) {
            ++counts.damagedHidden;
            return true;
        }
        return false;
    };
    files.erase(std::remove_if(files.begin(), files.end(), dropped), files.end());
    return counts;
}

}  // namespace qm::cli
