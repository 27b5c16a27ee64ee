// A soft drop shadow around a top-level window: a layered, click-through pop-up window behind it
// that follows its moves, sizes and visibility through a replaced window procedure.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace qm::app {

class CWndShadow {
public:
    static constexpr int kDefaultDarkness = 150;
    static constexpr int kDefaultSharpness = 5;
    static constexpr int kDefaultSize = 4;

    CWndShadow() = default;
    ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Registers the shadow window class once per process; false without UpdateLayeredWindow.
    static bool Initialize(HINSTANCE instance);
    // Creates the shadow of parent and follows it. false when the class is not available.
    bool Create(HWND parent);

    HWND GetShadowWindow() const { return m_shadow; }
    int GetDarkness() const { return m_darkness; }
    int GetSharpness() const { return m_sharpness; }
    int GetSize() const { return m_size; }
    POINT GetOffset() const { return {m_offsetX, m_offsetY}; }
    COLORREF GetColor() const { return m_color; }

    // The shadow's alpha values (width x height, row by row) for a window of the given size with
    // this shadow's size, sharpness and darkness; the window's own area is left clear.
    static std::vector<std::uint8_t> ComputeShadowAlpha(int windowWidth, int windowHeight, int size, int sharpness,
                                                        int darkness);

private:
    enum Status : unsigned { kEnabled = 1, kVisible = 2, kParentVisible = 4, kNeedsUpdate = 8 };

    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Update(HWND parent);
    void Show(HWND parent);
    void MoveTo(HWND parent);
    void Detach();

    HWND m_shadow = nullptr;
    HWND m_parent = nullptr;
    WNDPROC m_previousProc = nullptr;
    unsigned m_status = 0;
    LPARAM m_lastSize = 0;
    int m_darkness = kDefaultDarkness;
    int m_sharpness = kDefaultSharpness;
    int m_size = kDefaultSize;
    int m_offsetX = 0;
    int m_offsetY = 0;
    COLORREF m_color = RGB(0, 0, 0);
};

}  // namespace qm::app
