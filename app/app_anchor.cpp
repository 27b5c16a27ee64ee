// Anchor for the application library; the real sources are globbed beside it.
namespace qm::app {
int appAnchor() { return 0; }
}  // namespace qm::app
