// The in-process server's exports: registration, the class factory and the unload check.
#include <windows.h>
#include <ole2.h>

#include "tools/image_ole_ctrl/image_ole_ctrl.h"
#include "tools/image_ole_ctrl/image_ole_ctrl_object.h"
#include "tools/image_ole_ctrl/module_state.h"
#include "tools/image_ole_ctrl/registration.h"

namespace qm::imageole {
namespace {

// One factory for the life of the module; its references only count as server locks.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    LockServer(TRUE);
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LockServer(FALSE);
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateImageOleCtrl(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    imageole::LockServer(lock != FALSE);
    return S_OK;
  }
};

ClassFactory g_factory;

}  // namespace
}  // namespace qm::imageole

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    qm::imageole::SetModuleHandle(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return qm::imageole::RegisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return qm::imageole::UnregisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != qm::kClsidImageOleCtrl) return CLASS_E_CLASSNOTAVAILABLE;
  return qm::imageole::g_factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return qm::imageole::CanUnload() ? S_OK : S_FALSE; }
