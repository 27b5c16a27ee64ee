// The preview's temporary files hold the user's private data: the picture, the media file, the
// rendered PDF page and the documents extracted under their own names, all in the scan-log
// folder. They are deleted before each new extraction and when the program ends.
#pragma once
#include <string>
#include <vector>

namespace qm::preview {

// The folder the engines extract previews into (created by them when missing).
std::wstring PreviewTempFolder();

// Deletes tmp.jpg, tmp.avi and pdf-000001.png of that folder, and each of `documents` that lies
// directly in it (a path anywhere else is left alone). Missing files are no error.
void DeletePreviewTempFiles(const std::vector<std::wstring>& documents);

}  // namespace qm::preview
