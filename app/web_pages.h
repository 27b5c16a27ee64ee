// The product's web pages opened from the assist menu. Change them here only.
#pragma once

namespace qm::app {

inline constexpr wchar_t kHelpPageUrl[] = L"https://www.quillmere.example/help/";
inline constexpr wchar_t kFaqPageUrl[] = L"https://www.quillmere.example/faq/";
inline constexpr wchar_t kAboutPageUrl[] = L"https://www.quillmere.example/about/";
inline constexpr wchar_t kSupportPageUrl[] = L"https://www.quillmere.example/support/";

}  // namespace qm::app
