// Text from a medium made safe for XML 1.0 content and attribute values.
#pragma once
#include <string>

namespace qm::cli {

// Markup characters as entities; tab, line feed and carriage return as character references
// so that they survive parsing; other control characters, which XML 1.0 forbids even as
// references, and U+FFFE/U+FFFF as U+FFFD. Invalid UTF-8 becomes U+FFFD as well.
std::string XmlEscape(const std::string& utf8);

}  // namespace qm::cli
