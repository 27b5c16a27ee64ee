// Helpers of the application's GUI tests: the program's services for the test process, a message
// pump with a limit, simulated clicks, and window screenshots saved as PNG.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm::ui {
class CControlUI;
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
