// The component's one creatable object: IImageOleCtrl for the program, IRichEditOleCallback for
// the rich-edit control it serves.
#pragma once

#include <windows.h>

namespace qm::imageole {

// A new object, with one reference owned by the caller.
HRESULT CreateImageOleCtrl(REFIID riid, void** out);

}  // namespace qm::imageole
