// How the preview boxes (the main window's pane and the preview window) show what an extraction
// delivered: text, or a picture file placed among the text through the picture component.
#pragma once
#include <string>

namespace qm::ui {
class CRichEditUI;
}

namespace qm::app {

inline constexpr wchar_t kPictureNotShownText[] = L"\r\nCan not preview the picture!";

// Replaces the box's content with text (no length limit of the control's default).
void ShowPreviewText(ui::CRichEditUI* box, const std::wstring& text);

// Replaces the box's content with the picture, followed by the caption on a line of its own.
// false when the picture could not be placed (the caption shows alone).
bool ShowPreviewPicture(ui::CRichEditUI* box, const std::wstring& path, const std::wstring& caption);

// The preview window's way: the picture alone; one that cannot be read, or that is at most two
// pixels each way, is replaced by kPictureNotShownText. true when a picture shows.
bool ShowPreviewPictureOrNotice(ui::CRichEditUI* box, const std::wstring& path);

// The number of pictures in the box.
int PreviewPictureCount(ui::CRichEditUI* box);

}  // namespace qm::app
