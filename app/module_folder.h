// The folder of the running program, where config.ini, Languages/ and ImageOleCtrl.dll lie.
#pragma once
#include <string>

namespace qm::app {

// The executable's folder with '/' separators and a trailing '/', e.g. "C:/Program/".
// Computed once per process.
const std::wstring& GetModuleFolder();

// Points the language tables at the program folder; call before the first
// CLanguageManager::Instance().
void UseModuleFolderForLanguages();

}  // namespace qm::app
