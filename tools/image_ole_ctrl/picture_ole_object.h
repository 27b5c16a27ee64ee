// The OLE object a picture becomes inside the rich-edit control. It draws through IViewObject2
// (what the system control uses) and hands out CF_BITMAP / CF_ENHMETAFILE / CF_DIB through
// IDataObject (what some rich-edit implementations draw from).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>

#include "tools/image_ole_ctrl/picture.h"

namespace qm::imageole {

// The picture object's own class id, reported by GetUserClassID (never registered).
// {5E0B2C71-8F43-4D2A-9B6E-7C1A3F90D4B8}
inline constexpr CLSID kClsidPictureObject = {
    0x5E0B2C71, 0x8F43, 0x4D2A, {0x9B, 0x6E, 0x7C, 0x1A, 0x3F, 0x90, 0xD4, 0xB8}};

// Makes an object showing `picture` at `extent` (HIMETRIC); returns its IOleObject.
HRESULT CreatePictureOleObject(std::shared_ptr<const Picture> picture, SIZEL extent, IOleObject** out);

}  // namespace qm::imageole
