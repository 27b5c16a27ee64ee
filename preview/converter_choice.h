// Which converter turns a previewed document or archive into text or a picture.
#pragma once
#include <string_view>

namespace qm::preview {

enum class ConverterKind { None, Word, PowerPoint, Excel, Pdf, Archive };

// `extension`: lower case, no dot. Tried in this order, by whole list item: word-processor
// documents, presentations, spreadsheets and other office files, PDF, archives.
ConverterKind ConverterFor(std::wstring_view extension);

}  // namespace qm::preview
