// Our own text of an office document, for machines without the office program: what the
// preview shows instead of a byte dump when automation is not available.
#pragma once
#include <string>

namespace qm::preview {

// The most text a preview shows of one document (characters).
inline constexpr size_t kDocumentTextLimit = 64 * 1024;

// The readable text of the document at `path`, chosen by `extension` (lower case, no dot) and
// checked against the content: .docx/.docm/.dotx/.dotm (paragraphs), .xlsx/.xlsm (cells row by
// row, tab-separated, shared strings resolved), .pptx/.ppsx/.pptm/.ppsm (slide texts in slide
// order), .odt/.ods/.odp (the same from content.xml), .rtf (text without control words),
// .csv/.ics/.vcf (the text itself, UTF-8 or Latin-1), legacy .doc/.xls/.ppt/.pps/.dot (the text
// runs of their compound-file streams). Lines end with "\r\n"; at most kDocumentTextLimit
// characters. 0 and the text; 13 when damaged or not what the extension says, 50 when the
// format has no text reader, 2 when the file cannot be read. Never throws.
int ExtractDocumentText(const std::wstring& path, std::wstring_view extension, std::wstring& text);

}  // namespace qm::preview
