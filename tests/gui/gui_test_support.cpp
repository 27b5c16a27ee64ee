#include "tests/gui/gui_test_support.h"

#include <objidl.h>
#include <wtypes.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/language_manager.h"
#include "app/module_folder.h"
#include "tests/support/test_support.h"
#include "ui/win32/paint_manager.h"

namespace qm::guitest {

namespace {

// What the program's start-up brings up, for the whole test program.
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::CoInitialize(nullptr);
        ::OleInitialize(nullptr);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        richEdit_ = ::LoadLibraryW(L"Riched20.dll");
        ui::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        ui::CPaintManagerUI::SetResourceZip(::GetModuleHandleW(nullptr), 101, L"ZIPRES");
        app::UseModuleFolderForLanguages();
    }
    void TearDown() override {
        ui::CPaintManagerUI::Term();
        if (richEdit_) ::FreeLibrary(richEdit_);
        Gdiplus::GdiplusShutdown(token_);
        ::OleUninitialize();
        ::CoUninitialize();
    }

private:
    ULONG_PTR token_ = 0;
    HMODULE richEdit_ = nullptr;
};
const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<std::uint8_t> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == L"image/png") {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

LPARAM PointParam(POINT pt) { return MAKELPARAM(pt.x, pt.y); }

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    for (;;) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!ui::CPaintManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (done()) return true;
        if (::GetTickCount() - start > limitMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

POINT CentreOf(const ui::CControlUI* control) {
    const RECT& rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

void PostClickAt(HWND window, POINT point) {
    const LPARAM at = PointParam(point);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void PostClick(HWND window, const ui::CControlUI* control) { PostClickAt(window, CentreOf(control)); }

void PostDoubleClick(HWND window, const ui::CControlUI* control) {
    const LPARAM at = PointParam(CentreOf(control));
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
    ::PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

Screenshot CaptureWindow(HWND window) {
    Screenshot shot;
    RECT rc{};
    if (!::GetWindowRect(window, &rc)) return shot;
    shot.width = rc.right - rc.left;
    shot.height = rc.bottom - rc.top;
    if (shot.width <= 0 || shot.height <= 0) return Screenshot{};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        // What the screen shows there, child windows (rich-edit boxes) included.
        ::BitBlt(memory, 0, 0, shot.width, shot.height, screen, rc.left, rc.top, SRCCOPY);
        ::GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        shot.pixels.assign(pixels, pixels + static_cast<std::size_t>(shot.width) * shot.height);
        for (auto& p : shot.pixels) p &= 0x00FFFFFF;
        ::SelectObject(memory, old);
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (shot.pixels.empty()) return Screenshot{};
    return shot;
}

std::wstring ScreenshotFolder() {
    std::wstring folder = test::hostPath(QM_SCREENSHOT_DIR);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool SavePng(const Screenshot& shot, const std::wstring& name) {
    if (shot.pixels.empty()) return false;
    std::vector<std::uint32_t> opaque(shot.pixels);
    for (auto& p : opaque) p |= 0xFF000000u;
    Gdiplus::Bitmap image(shot.width, shot.height, shot.width * 4, PixelFormat32bppARGB,
                          reinterpret_cast<BYTE*>(opaque.data()));
    CLSID png;
    if (!PngEncoder(png)) return false;
    const std::wstring path = ScreenshotFolder() + L"\\" + name;
    return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

Screenshot SaveWindowScreenshot(HWND window, const std::wstring& name) {
    Screenshot shot = CaptureWindow(window);
    EXPECT_TRUE(SavePng(shot, name)) << "screenshot " << std::string(name.begin(), name.end());
    return shot;
}

namespace {

bool Alike(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) return false;
    }
    return true;
}

}  // namespace

double ShareAlike(const Screenshot& a, const Screenshot& b, const RECT& rect, int tolerance) {
    if (a.width != b.width || a.height != b.height) return 0;
    const int left = std::max(0, static_cast<int>(rect.left)), right = std::min(a.width, static_cast<int>(rect.right));
    const int top = std::max(0, static_cast<int>(rect.top)), bottom = std::min(a.height, static_cast<int>(rect.bottom));
    if (left >= right || top >= bottom) return 0;
    std::size_t alike = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) alike += Alike(a.At(x, y), b.At(x, y), tolerance) ? 1 : 0;
    return static_cast<double>(alike) / (static_cast<double>(right - left) * (bottom - top));
}

std::size_t CountPixelsNear(const Screenshot& shot, std::uint32_t rgb, int tolerance) {
    auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    std::size_t count = 0;
    for (std::uint32_t p : shot.pixels) {
        if (std::abs(channel(p, 16) - channel(rgb, 16)) <= tolerance && std::abs(channel(p, 8) - channel(rgb, 8)) <= tolerance &&
            std::abs(channel(p, 0) - channel(rgb, 0)) <= tolerance) {
            ++count;
        }
    }
    return count;
}

std::wstring ProgramFolder() { return app::GetModuleFolder(); }

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (owner != search->processId || wcscmp(cls, search->className) != 0 || !::IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

TimerScript* g_script = nullptr;

}  // namespace

HWND ProcessWindow(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TimerScript::TimerScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    g_script = this;
    timer_ = ::SetTimer(nullptr, 0, 100, Tick);
}

TimerScript::~TimerScript() {
    ::KillTimer(nullptr, timer_);
    g_script = nullptr;
}

void CALLBACK TimerScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    TimerScript* script = g_script;
    // One step per tick, and none while a step's action runs its own modal loop.
    static bool acting = false;
    if (!script || acting || script->Done()) return;
    Step& step = script->steps_[script->next_];
    if (!step.ready()) return;
    ++script->next_;
    acting = true;
    if (step.act) step.act();
    acting = false;
}

ConfigRestorer::ConfigRestorer() {
    app::CLanguageManager& languages = app::CLanguageManager::Instance();
    saved_ = test::readWholeFile(languages.ConfigPath());
    language_ = languages.GetCurrentLanguage();
}

ConfigRestorer::~ConfigRestorer() {
    app::CLanguageManager& languages = app::CLanguageManager::Instance();
    languages.SetLanguage(language_);
    if (!saved_.empty()) test::writeWholeFile(languages.ConfigPath(), saved_);
}

}  // namespace qm::guitest
