// Per-user COM registration of the component: HKEY_CURRENT_USER\Software\Classes\CLSID\{...}.
#pragma once

#include <windows.h>

namespace qm::imageole {

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace qm::imageole
