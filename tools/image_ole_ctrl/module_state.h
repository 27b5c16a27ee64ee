// Process-wide state of the component: its module handle and the counts DllCanUnloadNow looks at.
#pragma once

#include <windows.h>

namespace qm::imageole {

void SetModuleHandle(HMODULE module);
HMODULE ModuleHandle();

// Live COM objects made by this module, and IClassFactory::LockServer locks.
void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);
bool CanUnload();

}  // namespace qm::imageole
