// Helpers of the application's GUI tests: the program's services for the test process, a message
// pump with a limit, simulated clicks, and window screenshots saved as PNG.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/win32/window_wnd.h"

namespace qm::ui {
class CControlUI;
class CWindowWnd;
}

namespace qm::guitest {

// Runs the thread's messages until done() holds; false when limitMs passed first (the limit
// only keeps a broken test from hanging).
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 5000);
// Runs the thread's messages for a short while (lets windows paint).
void PumpFor(DWORD ms);

POINT CentreOf(const ui::CControlUI* control);
// Posts the mouse moving to a client point of the window, pressing and releasing the left button
// there (the window may belong to another process).
void PostClickAt(HWND window, POINT at);
// Posts the mouse moving onto the control, pressing and releasing the left button at its centre.
void PostClick(HWND window, const ui::CControlUI* control);
void PostDoubleClick(HWND window, const ui::CControlUI* control);

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// The window as it shows (its whole rectangle), read from the screen into a 32-bit bitmap.
Screenshot CaptureWindow(HWND window);
// Saves a capture as <QM_SCREENSHOT_DIR>/<name>; false when encoding or writing failed.
bool SavePng(const Screenshot& shot, const std::wstring& name);
// Both at once; returns the capture.
Screenshot SaveWindowScreenshot(HWND window, const std::wstring& name);
std::wstring ScreenshotFolder();

// Share of the pixels inside rect (window coordinates) where two captures of the same size agree
// within tolerance per channel; 0 when the sizes differ or the rect is empty.
double ShareAlike(const Screenshot& a, const Screenshot& b, const RECT& rect, int tolerance = 32);

// Number of colours of a capture close to argb (within tolerance per channel).
std::size_t CountPixelsNear(const Screenshot& shot, std::uint32_t rgb, int tolerance = 24);

// A visible top-level window of the class owned by the process, or nullptr.
HWND ProcessWindow(DWORD processId, const wchar_t* className);
// The object behind one of this process's skinned windows, or nullptr.
template <class Window>
Window* WindowObject(HWND hwnd) {
    return hwnd ? dynamic_cast<Window*>(reinterpret_cast<ui::CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                : nullptr;
}

// Steps that wait for a condition and then act, run by a thread timer: they go on inside the
// modal loops of the windows they open, where a test's own pump never runs.
class TimerScript {
public:
    struct Step {
        std::string name;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    explicit TimerScript(std::vector<Step> steps);
    ~TimerScript();
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;
    bool Done() const { return next_ >= steps_.size(); }
    // The step waited for now (for failure messages).
    std::string Waiting() const { return Done() ? std::string("nothing") : steps_[next_].name; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    std::vector<Step> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
};

// The folder of gui_tests.exe (config.ini, Languages/, ImageOleCtrl.dll).
std::wstring ProgramFolder();

// Restores config.ini (and the language tables) when a test that switches languages ends.
class ConfigRestorer {
public:
    ConfigRestorer();
    ~ConfigRestorer();
    ConfigRestorer(const ConfigRestorer&) = delete;
    ConfigRestorer& operator=(const ConfigRestorer&) = delete;

private:
    std::vector<std::uint8_t> saved_;
    std::wstring language_;
};

}  // namespace qm::guitest
