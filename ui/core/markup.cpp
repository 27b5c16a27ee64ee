// One left-to-right pass. An element's body may not contain '{' or '<', so a stray bracket is settled
// by the next bracket and the whole pass stays linear whatever the input.
#include "ui/core/markup.h"

#include "ui/core/skin_values.h"

namespace qm::ui {

namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view trim(std::wstring_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool allDigits(std::wstring_view text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

bool isPairedTag(wchar_t tag) {
    return tag == L'b' || tag == L'i' || tag == L'u' || tag == L'f' || tag == L'c' || tag == L'a' || tag == L'p' ||
           tag == L's';
}

// An element body (between the brackets) as a token; false when it is no element this markup knows.
bool readElement(std::wstring_view body, MarkupToken& token) {
    if (body.empty()) return false;
    if (body.front() == L'/') {
        const std::wstring_view name = body.substr(1);
        token.kind = MarkupToken::Kind::Close;
        if (allDigits(name)) {
            token.tag = L'f';
            return true;
        }
        if (name.size() != 1 || !isPairedTag(name[0])) return false;
        token.tag = name[0];
        return true;
    }
    const wchar_t tag = body.front();
    if (body.size() > 1 && !isSpace(body[1])) return false;
    const std::wstring_view arg = trim(body.substr(1));
    token.tag = tag;
    token.argument = std::wstring(arg);
    int number;
    switch (tag) {
        case L'b':
        case L'u':
        case L'p':
        case L's':
            token.kind = MarkupToken::Kind::Open;
            return arg.empty();
        case L'n':
            token.kind = MarkupToken::Kind::Single;
            return arg.empty();
        case L'i':
            if (arg.empty()) {
                token.kind = MarkupToken::Kind::Open;
                return true;
            }
            token.kind = MarkupToken::Kind::Single;
            token.tag = L'I';
            {
                std::wstring file;
                int frames, index;
                return ParseMarkupImage(arg, file, frames, index);
            }
        case L'f':
            token.kind = MarkupToken::Kind::Open;
            return allDigits(arg) && ParseInt(arg, number);
        case L'c': {
            std::uint32_t colour;
            token.kind = MarkupToken::Kind::Open;
            return ParseColor(arg, colour);
        }
        case L'x':
        case L'y':
            token.kind = MarkupToken::Kind::Single;
            return ParseInt(arg, number);
        case L'a':
            token.kind = MarkupToken::Kind::Open;
            return true;
        default:
            return false;
    }
}

class Tokenizer {
public:
    explicit Tokenizer(std::wstring_view text) : s_(text) {}

    MarkupParseResult run() {
        size_t i = 0;
        while (i < s_.size()) {
            const wchar_t c = s_[i];
            if (c != L'{' && c != L'<') {
                pending_.push_back(c);
                ++i;
                continue;
            }
            if (i + 1 < s_.size() && s_[i + 1] == c) {  // "{{" or "<<"
                pending_.push_back(c);
                i += 2;
                continue;
            }
            const wchar_t closer = c == L'{' ? L'}' : L'>';
            size_t j = i + 1;
            while (j < s_.size() && s_[j] != closer && s_[j] != L'{' && s_[j] != L'<') ++j;
            if (j >= s_.size() || s_[j] != closer) {
                problem(i, std::wstring(L"'") + c + L"' without its '" + closer + L"'");
                pending_.push_back(c);
                ++i;
                continue;
            }
            const std::wstring_view raw = s_.substr(i, j + 1 - i);
            MarkupToken token;
            if (!readElement(s_.substr(i + 1, j - i - 1), token)) {
                problem(i, L"unknown element " + std::wstring(raw));
                pending_ += raw;
            } else {
                place(std::move(token), raw, i);
            }
            i = j + 1;
        }
        flushText();
        // Elements never closed are shown as they were written.
        for (size_t index : open_) {
            if (result_.ok) problem(offsets_[index], L"element " + raws_[index] + L" is never closed");
            MarkupToken& t = result_.tokens[index];
            t = MarkupToken();
            t.text = raws_[index];
        }
        mergeTexts();
        return std::move(result_);
    }

private:
    void problem(size_t offset, std::wstring message) {
        if (!result_.ok) return;
        result_.ok = false;
        result_.error = L"at character " + std::to_wstring(offset) + L": " + message;
    }

    void flushText() {
        if (pending_.empty()) return;
        MarkupToken t;
        t.text = std::move(pending_);
        pending_.clear();
        push(std::move(t), std::wstring_view(), 0);
    }

    void push(MarkupToken token, std::wstring_view raw, size_t offset) {
        result_.tokens.push_back(std::move(token));
        raws_.emplace_back(raw);
        offsets_.push_back(offset);
    }

    void place(MarkupToken token, std::wstring_view raw, size_t offset) {
        if (token.kind == MarkupToken::Kind::Close) {
            // Only the innermost open element may close; anything else is shown literally.
            if (open_.empty() || result_.tokens[open_.back()].tag != token.tag) {
                problem(offset, L"unbalanced " + std::wstring(raw));
                pending_ += raw;
                return;
            }
            open_.pop_back();
        }
        flushText();
        const bool opens = token.kind == MarkupToken::Kind::Open;
        push(std::move(token), raw, offset);
        if (opens) open_.push_back(result_.tokens.size() - 1);
    }

    void mergeTexts() {
        std::vector<MarkupToken> merged;
        merged.reserve(result_.tokens.size());
        for (auto& t : result_.tokens) {
            if (t.kind == MarkupToken::Kind::Text && !merged.empty() && merged.back().kind == MarkupToken::Kind::Text)
                merged.back().text += t.text;
            else
                merged.push_back(std::move(t));
        }
        result_.tokens = std::move(merged);
    }

    std::wstring_view s_;
    MarkupParseResult result_;
    std::wstring pending_;
    std::vector<std::wstring> raws_;  // per token: the source text of an element
    std::vector<size_t> offsets_;     // per token: where it started
    std::vector<size_t> open_;        // indices of open elements, innermost last
};

}  // namespace

MarkupParseResult ParseMarkup(std::wstring_view text) { return Tokenizer(text).run(); }

std::wstring StripMarkup(std::wstring_view text) {
    std::wstring out;
    for (const auto& t : ParseMarkup(text).tokens) {
        if (t.kind == MarkupToken::Kind::Text)
            out += t.text;
        else if (t.kind == MarkupToken::Kind::Single && t.tag == L'n')
            out.push_back(L'\n');
    }
    return out;
}

bool ParseMarkupImage(std::wstring_view argument, std::wstring& file, int& frames, int& index) {
    std::wstring_view words[3];
    size_t count = 0;
    for (std::wstring_view rest = trim(argument); !rest.empty();) {
        if (count == 3) return false;
        const size_t end = rest.find_first_of(L" \t");
        words[count++] = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view() : trim(rest.substr(end));
    }
    int parsedFrames = 1, parsedIndex = 0;
    if (count == 0) return false;
    if (count > 1 && !ParseInt(words[1], parsedFrames)) return false;
    if (count > 2 && !ParseInt(words[2], parsedIndex)) return false;
    if (parsedFrames < 1 || parsedIndex < 0 || parsedIndex >= parsedFrames) return false;
    file = std::wstring(words[0]);
    frames = parsedFrames;
    index = parsedIndex;
    return true;
}

std::wstring EscapeMarkup(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        out.push_back(c);
        if (c == L'{' || c == L'<') out.push_back(c);
    }
    return out;
}

}  // namespace qm::ui
