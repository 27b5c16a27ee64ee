// Where every window of the program takes its skin from: the zip archive in the program's
// resource "ZIPRES" 101 (the folder "Skins\" beside the program when built for files).
#pragma once
#include "ui/win32/ui_defs.h"

namespace qm::app {

inline constexpr wchar_t kSkinFolder[] = L"Skins\\";
inline constexpr ui::UILIB_RESOURCETYPE kSkinResourceKind = ui::UILIB_ZIPRESOURCE;
inline constexpr int kSkinResourceId = 101;
inline constexpr wchar_t kSkinResourceType[] = L"ZIPRES";
inline constexpr wchar_t kSkinLayoutFolder[] = L"xml\\";

}  // namespace qm::app
