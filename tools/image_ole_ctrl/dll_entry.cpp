// Temporary exports until the component lands; every entry refuses.
#include <windows.h>
extern "C" HRESULT __stdcall DllRegisterServer() { return E_NOTIMPL; }
extern "C" HRESULT __stdcall DllUnregisterServer() { return E_NOTIMPL; }
extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** out) { *out = nullptr; return CLASS_E_CLASSNOTAVAILABLE; }
extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_OK; }
