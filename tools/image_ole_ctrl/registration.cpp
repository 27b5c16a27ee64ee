#include "tools/image_ole_ctrl/registration.h"

#include <shlwapi.h>

#include <string>

#include "tools/image_ole_ctrl/image_ole_ctrl.h"
#include "tools/image_ole_ctrl/module_state.h"

namespace qm::imageole {
namespace {

constexpr wchar_t kDescription[] = L"Quillmere picture component";

std::wstring ClsidText() {
  wchar_t clsid[40] = {};
  StringFromGUID2(kClsidImageOleCtrl, clsid, 40);
  return clsid;
}

// Per-user classes: registering needs no administrator rights, and COM looks here first.
std::wstring ClassKeyPath() { return L"Software\\Classes\\CLSID\\" + ClsidText(); }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(ModuleHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      // A host that loaded us by a path written with '/' gets the usual form in the registry.
      for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
      }
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS WriteKey(HKEY root, const std::wstring& path, const std::wstring& defaultValue, const wchar_t* name = nullptr,
                 const std::wstring& value = {}) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = SetString(key, nullptr, defaultValue);
  if (status == ERROR_SUCCESS && name) status = SetString(key, name, value);
  RegCloseKey(key);
  return status;
}

std::wstring ReadServerPath(HKEY root, const std::wstring& classKey) {
  wchar_t path[MAX_PATH * 2] = {};
  DWORD bytes = sizeof(path) - sizeof(wchar_t);
  std::wstring key = classKey + L"\\InprocServer32";
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &bytes) != ERROR_SUCCESS) return {};
  return path;
}

LSTATUS WriteClass(HKEY root, const std::wstring& classKey, const std::wstring& module) {
  LSTATUS status = WriteKey(root, classKey, kDescription);
  if (status == ERROR_SUCCESS) {
    status = WriteKey(root, classKey + L"\\InprocServer32", module, L"ThreadingModel", L"Apartment");
  }
  return status;
}

// Where COM actually looks up classes. Systems whose class view does not merge the per-user
// classes (so the per-user entry stays invisible) get the machine-wide entry as well.
bool ClassViewFindsModule(const std::wstring& module) {
  return _wcsicmp(ReadServerPath(HKEY_CLASSES_ROOT, L"CLSID\\" + ClsidText()).c_str(), module.c_str()) == 0;
}

}  // namespace

HRESULT RegisterServer() {
  std::wstring module = ModulePath();
  if (module.empty()) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_INVALID_HANDLE);
  LSTATUS status = WriteClass(HKEY_CURRENT_USER, ClassKeyPath(), module);
  if (status != ERROR_SUCCESS) {
    UnregisterServer();
    return HRESULT_FROM_WIN32(status);
  }
  if (!ClassViewFindsModule(module)) {
    // Best effort: without the rights for it the per-user entry is all there is.
    WriteClass(HKEY_LOCAL_MACHINE, ClassKeyPath(), module);
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  // The machine-wide entry goes only when it names this very module.
  std::wstring module = ModulePath();
  if (!module.empty() && _wcsicmp(ReadServerPath(HKEY_LOCAL_MACHINE, ClassKeyPath()).c_str(), module.c_str()) == 0) {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str());
  }
  DWORD status = SHDeleteKeyW(HKEY_CURRENT_USER, ClassKeyPath().c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

}  // namespace qm::imageole
