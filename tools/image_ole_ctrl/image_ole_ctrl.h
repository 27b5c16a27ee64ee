// The picture component's public face: the class and interface ids and the interface's vtable.
// Callers include this header, create the object with CoCreateInstance(kClsidImageOleCtrl,
// CLSCTX_INPROC_SERVER, kIidImageOleCtrl) and wire it to a rich-edit control:
//   ctrl->SetHostWindow(hostHwnd);            // slot 13
//   ctrl->SetRichEditOle(richEditOle);        // slot 15 (the object keeps its own reference)
//   SendMessage(richEdit, EM_SETOLECALLBACK, 0, (LPARAM)ctrl);  // the object is the callback
// then InsertImageFile (slot 14) places a picture at the caret.
// The vtable order is fixed: callers that know only the slot numbers rely on it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <richole.h>

namespace qm {

// {C5B3A481-21E3-4CAB-8ABD-3C6A85892AD2}
inline constexpr CLSID kClsidImageOleCtrl = {
    0xC5B3A481, 0x21E3, 0x4CAB, {0x8A, 0xBD, 0x3C, 0x6A, 0x85, 0x89, 0x2A, 0xD2}};
// {89FC1386-91E5-415F-AD8F-04415C15F8F5}
inline constexpr IID kIidImageOleCtrl = {
    0x89FC1386, 0x91E5, 0x415F, {0xAD, 0x8F, 0x04, 0x41, 0x5C, 0x15, 0xF8, 0xF5}};

// Version reported by GetVersion: major in the high word, minor in the low word.
inline constexpr DWORD kImageOleCtrlVersion = 0x00010000;

// The interface extends IRichEditOleCallback, so the object itself is the control's OLE callback:
// slots 0..2 are IUnknown's, slots 3..12 IRichEditOleCallback's (GetNewStorage, GetInPlaceContext,
// ShowContainerUI, QueryInsertObject, DeleteObject, QueryAcceptData, ContextSensitiveHelp,
// GetClipboardData, GetDragDropEffect, GetContextMenu), then the component's own operations.
struct IImageOleCtrl : public IRichEditOleCallback {
  // 13: the window that hosts the rich-edit control; it is repainted after an insertion.
  virtual HRESULT STDMETHODCALLTYPE SetHostWindow(HWND window) = 0;
  // 14: inserts a picture file (PNG, JPEG, BMP, GIF) at the caret.
  virtual HRESULT STDMETHODCALLTYPE InsertImageFile(const wchar_t* path) = 0;
  // 15: the rich-edit control's OLE interface; nullptr detaches. The object holds a reference.
  virtual HRESULT STDMETHODCALLTYPE SetRichEditOle(IRichEditOle* richEditOle) = 0;
  // 16: inserts a picture held in memory (PNG, JPEG, BMP, GIF bytes) at the caret.
  virtual HRESULT STDMETHODCALLTYPE InsertImageMemory(const BYTE* data, DWORD size) = 0;
  // 17: inserts a copy of a bitmap at the caret (the caller keeps its bitmap).
  virtual HRESULT STDMETHODCALLTYPE InsertImageBitmap(HBITMAP bitmap) = 0;
  // 18: the pixel size of a picture file, without inserting it.
  virtual HRESULT STDMETHODCALLTYPE GetImageFileSize(const wchar_t* path, LONG* width, LONG* height) = 0;
  // 19/20: pictures wider than this many pixels are shown scaled down to it; 0 = natural size.
  virtual HRESULT STDMETHODCALLTYPE SetMaxImageWidth(LONG pixels) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMaxImageWidth(LONG* pixels) = 0;
  // 21/22: colour shown behind transparent picture pixels (default white).
  virtual HRESULT STDMETHODCALLTYPE SetBackColor(COLORREF color) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackColor(COLORREF* color) = 0;
  // 23: how many pictures this object has placed in the control so far.
  virtual HRESULT STDMETHODCALLTYPE GetImageCount(LONG* count) = 0;
  // 24: the window given to SetHostWindow, or nullptr.
  virtual HRESULT STDMETHODCALLTYPE GetHostWindow(HWND* window) = 0;
  // 25: the component's version (kImageOleCtrlVersion).
  virtual HRESULT STDMETHODCALLTYPE GetVersion(DWORD* version) = 0;
  // 26: drops the rich-edit interface and the host window (call before the control goes away,
  // since the control holding this object as its callback and this object holding the control's
  // interface would otherwise keep each other alive).
  virtual HRESULT STDMETHODCALLTYPE Detach() = 0;
};

}  // namespace qm
