#include "app/wnd_shadow.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace qm::app {

namespace {

constexpr wchar_t kShadowClass[] = L"HaldenShadowWnd";
constexpr wchar_t kShadowProperty[] = L"QmWndShadow";

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
UpdateLayeredWindowFn g_updateLayeredWindow = nullptr;
bool g_registered = false;
std::once_flag g_initOnce;

// One box blur pass over an alpha plane, horizontal then vertical.
void BoxBlur(std::vector<int>& plane, int width, int height, int radius) {
    if (radius <= 0) return;
    std::vector<int> line(static_cast<std::size_t>(std::max(width, height)));
    const int span = 2 * radius + 1;
    for (int y = 0; y < height; ++y) {
        int* row = &plane[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int k = -radius; k <= radius; ++k) sum += row[std::clamp(x + k, 0, width - 1)];
            line[static_cast<std::size_t>(x)] = sum / span;
        }
        std::copy(line.begin(), line.begin() + width, row);
    }
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            int sum = 0;
            for (int k = -radius; k <= radius; ++k) sum += plane[static_cast<std::size_t>(std::clamp(y + k, 0, height - 1)) * width + x];
            line[static_cast<std::size_t>(y)] = sum / span;
        }
        for (int y = 0; y < height; ++y) plane[static_cast<std::size_t>(y) * width + x] = line[static_cast<std::size_t>(y)];
    }
}

}  // namespace

CWndShadow::~CWndShadow() {
    Detach();
    if (m_shadow && ::IsWindow(m_shadow)) ::DestroyWindow(m_shadow);
}

bool CWndShadow::Initialize(HINSTANCE instance) {
    std::call_once(g_initOnce, [instance] {
        HMODULE user32 = ::GetModuleHandleW(L"USER32.DLL");
        if (!user32) return;
        g_updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
        if (!g_updateLayeredWindow) return;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kShadowClass;
        g_registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    });
    return g_registered;
}

bool CWndShadow::Create(HWND parent) {
    if (!parent || m_shadow) return false;
    if (!Initialize(::GetModuleHandleW(nullptr))) return false;
    m_shadow = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kShadowClass,
                                 L"", WS_POPUPWINDOW, CW_USEDEFAULT, 0, 0, 0, parent, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    if (!m_shadow) return false;
    m_parent = parent;
    m_status = kEnabled;
    if (::IsWindowVisible(parent)) m_status |= kParentVisible;
    ::SetPropW(parent, kShadowProperty, this);
    m_previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentProc)));
    Show(parent);
    return true;
}

void CWndShadow::Detach() {
    if (m_parent && ::IsWindow(m_parent) && m_previousProc) {
        ::SetWindowLongPtrW(m_parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
        ::RemovePropW(m_parent, kShadowProperty);
    }
    m_parent = nullptr;
    m_previousProc = nullptr;
}

void CWndShadow::MoveTo(HWND parent) {
    RECT rc{};
    ::GetWindowRect(parent, &rc);
    ::SetWindowPos(m_shadow, nullptr, rc.left - m_size + m_offsetX, rc.top - m_size + m_offsetY, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

void CWndShadow::Show(HWND parent) {
    m_status &= kEnabled | kNeedsUpdate;
    if ((m_status & kEnabled) && ::IsWindowVisible(parent) && !::IsIconic(parent) && !::IsZoomed(parent)) {
        m_status |= kVisible | kParentVisible;
        ::ShowWindow(m_shadow, SW_SHOWNOACTIVATE);
        Update(parent);
        // Right behind its window.
        ::SetWindowPos(m_shadow, parent, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        ::ShowWindow(m_shadow, SW_HIDE);
        if (::IsWindowVisible(parent)) m_status |= kParentVisible;
    }
}

std::vector<std::uint8_t> CWndShadow::ComputeShadowAlpha(int windowWidth, int windowHeight, int size, int sharpness,
                                                         int darkness) {
    const int width = windowWidth + 2 * size;
    const int height = windowHeight + 2 * size;
    if (windowWidth <= 0 || windowHeight <= 0 || size < 0 || width > 16384 || height > 16384) return {};
    std::vector<int> plane(static_cast<std::size_t>(width) * height, 0);
    // The window's outline, blurred twice so that the shade fades out over the shadow's size;
    // a sharper shadow blurs less.
    const int radius = std::max(1, size * std::clamp(sharpness, 0, 10) / 10);
    for (int y = size; y < size + windowHeight; ++y) {
        for (int x = size; x < size + windowWidth; ++x) plane[static_cast<std::size_t>(y) * width + x] = 255;
    }
    BoxBlur(plane, width, height, radius);
    BoxBlur(plane, width, height, radius);
    std::vector<std::uint8_t> alpha(plane.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const bool inside = x >= size && x < size + windowWidth && y >= size && y < size + windowHeight;
            alpha[i] = inside ? 0 : static_cast<std::uint8_t>(plane[i] * std::clamp(darkness, 0, 255) / 255);
        }
    }
    return alpha;
}

void CWndShadow::Update(HWND parent) {
    if (!g_updateLayeredWindow || !m_shadow) return;
    RECT rc{};
    ::GetWindowRect(parent, &rc);
    const int windowWidth = rc.right - rc.left, windowHeight = rc.bottom - rc.top;
    const std::vector<std::uint8_t> alpha = ComputeShadowAlpha(windowWidth, windowHeight, m_size, m_sharpness, m_darkness);
    if (alpha.empty()) return;
    const int width = windowWidth + 2 * m_size, height = windowHeight + 2 * m_size;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        const unsigned r = GetRValue(m_color), g = GetGValue(m_color), b = GetBValue(m_color);
        for (std::size_t i = 0; i < alpha.size(); ++i) {
            const unsigned a = alpha[i];
            // Premultiplied BGRA, as the layered window expects.
            pixels[i] = (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
        }
        POINT dest{rc.left - m_size + m_offsetX, rc.top - m_size + m_offsetY};
        SIZE size{width, height};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::MoveWindow(m_shadow, dest.x, dest.y, width, height, FALSE);
        g_updateLayeredWindow(m_shadow, screen, &dest, &size, memory, &source, 0, &blend, ULW_ALPHA);
        ::SelectObject(memory, old);
        m_status &= ~kNeedsUpdate;
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

LRESULT CALLBACK CWndShadow::ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CWndShadow*>(::GetPropW(hwnd, kShadowProperty));
    if (!self || !self->m_previousProc) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    WNDPROC previous = self->m_previousProc;
    switch (msg) {
        case WM_DESTROY:
            if (self->m_shadow && ::IsWindow(self->m_shadow)) ::DestroyWindow(self->m_shadow);
            self->m_shadow = nullptr;
            break;
        case WM_MOVE:
            if (self->m_status & kVisible) self->MoveTo(hwnd);
            break;
        case WM_SIZE:
            if (self->m_status & kEnabled) {
                if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
                    ::ShowWindow(self->m_shadow, SW_HIDE);
                    self->m_status &= ~kVisible;
                } else if (self->m_status & kParentVisible) {
                    if (lParam != self->m_lastSize || !(self->m_status & kVisible)) self->m_status |= kNeedsUpdate;
                    self->m_lastSize = lParam;
                    ::ShowWindow(self->m_shadow, SW_SHOWNOACTIVATE);
                    self->m_status |= kVisible;
                    if (self->m_status & kNeedsUpdate) self->Update(hwnd);
                }
            }
            break;
        case WM_PAINT:
            if (self->m_status & kNeedsUpdate) {
                self->Update(hwnd);
                self->m_status &= ~kNeedsUpdate;
            }
            break;
        case WM_EXITSIZEMOVE:
            if (self->m_status & kVisible) self->Update(hwnd);
            break;
        case WM_SHOWWINDOW:
            if (self->m_status & kEnabled) {
                if (!wParam) {
                    ::ShowWindow(self->m_shadow, SW_HIDE);
                    self->m_status &= ~(kVisible | kParentVisible);
                } else {
                    self->m_status |= kParentVisible | kNeedsUpdate;
                    ::ShowWindow(self->m_shadow, SW_SHOWNOACTIVATE);
                    self->m_status |= kVisible;
                }
            }
            break;
        case WM_NCDESTROY: {
            // Put the window's own procedure back and forget the window.
            self->Detach();
            return ::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
        }
        default:
            break;
    }
    return ::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

}  // namespace qm::app
