#pragma once
// Starts GDI+ once for the library when the program has not (library internal).
namespace qm::ui {
void EnsureGdiplus();
void ShutdownGdiplus();  // only undoes EnsureGdiplus's own start-up
}  // namespace qm::ui
