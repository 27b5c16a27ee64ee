// How the preview treats a found file, by the lower-cased extension of its name: pictures are
// shown, audio and video played, documents and archives converted, anything else dumped as text.
#pragma once
#include <string_view>

namespace qm::preview {

enum class PreviewKind { Photo, Audio, Video, Document, Other };

// `extension`: lower case, no dot. Lists are matched by whole item ("mp" is not "mp3"); audio is
// tried before video (".rm" is in both), then the document and archive list, then pictures.
PreviewKind ClassifyExtension(std::wstring_view extension);

// Whether Prev/Next in the preview window stop at a file with this extension.
bool IsPhotoExtension(std::wstring_view extension);

// Whether `extension` is an item of a "*.a|*.b" list (whole items only).
bool InExtensionList(const wchar_t* list, std::wstring_view extension);

}  // namespace qm::preview
