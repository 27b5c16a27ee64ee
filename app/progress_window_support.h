// What the progress windows (scan, search, recovery) share: the "Messages" table as the core's
// text source, the display refresh timer, and the wait for a stopping worker.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "app/core/language_manager.h"
#include "session/text_source.h"

namespace qm::app {

// A copy of the "Messages" table taken on the window thread, so workers read it safely even if
// the language is switched meanwhile.
class CMessageTexts : public ITextSource {
public:
    CMessageTexts() : table_(CLanguageManager::Instance().GetSection(L"Messages")) {}
    std::wstring GetText(const std::wstring& key) const override {
        const auto it = table_.find(key);
        return it == table_.end() ? std::wstring() : it->second;
    }

private:
    TextTable table_;
};

// Workers never touch controls: they leave their latest report for this timer, so an engine
// reporting thousands of times a second costs at most ten repaints.
inline constexpr UINT_PTR kProgressRefreshTimer = 0x5C41;
inline constexpr UINT kProgressRefreshMs = 100;
// Posted by a worker to its own window when it has ended, by whatever path.
inline constexpr UINT kMsgWorkerEnded = WM_APP + 41;

// Waits in 50 ms steps until done holds. Messages sent from other threads are still handled, so
// a worker that is inside a cross-thread call can always reach its end.
void WaitForWorker(const std::atomic<bool>& done);

}  // namespace qm::app
