// Anchor for the portable user-interface library; the real sources are globbed beside it.
namespace qm::ui {
int uiCoreAnchor() { return 0; }
}  // namespace qm::ui
