#include "tools/pdf_render/page_painter_win.h"

#include <windows.h>
#include <ole2.h>  // gdiplus.h needs PROPID and IStream
#include <gdiplus.h>

#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

namespace qm::pdf {

namespace {

constexpr int kMaxSide = 8000;

const wchar_t* faceName(FontFamily family) {
    switch (family) {
    case FontFamily::Serif: return L"Times New Roman";
    case FontFamily::Mono: return L"Courier New";
    default: return L"Arial";
    }
}

class FontCache {
public:
    ~FontCache() {
        for (auto& [key, font] : fonts_) DeleteObject(font);
    }
    HFONT get(const TextRun& run, int pixels) {
        const int tenths = static_cast<int>(std::lround(run.angle * 10)) % 3600;
        const auto key = std::make_tuple(static_cast<int>(run.family), run.bold, run.italic, pixels, tenths);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        if (fonts_.size() > 256) return nullptr;  // a page asking for that many sizes gets the ones it has
        LOGFONTW lf{};
        lf.lfHeight = -pixels;
        lf.lfWeight = run.bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = run.italic ? TRUE : FALSE;
        lf.lfEscapement = lf.lfOrientation = tenths;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = ANTIALIASED_QUALITY;
        wcsncpy(lf.lfFaceName, faceName(run.family), LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectW(&lf);
        fonts_.emplace(key, font);
        return font;
    }

private:
    std::map<std::tuple<int, bool, bool, int, int>, HFONT> fonts_;
};

// A GDI+ bitmap read from JPEG bytes through a memory stream; null when it does not decode.
Gdiplus::Bitmap* decodeJpeg(const std::vector<uint8_t>& jpeg) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, jpeg.size());
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    std::memcpy(target, jpeg.data(), jpeg.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) {
        GlobalFree(memory);
        return nullptr;
    }
    Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();  // the bitmap keeps its own reference while it needs the data
    if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap;
        bitmap = nullptr;
    }
    return bitmap;
}

void drawImages(HDC dc, const PageModel& model, double scale) {
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::SolidBrush grey(Gdiplus::Color(255, 0xD8, 0xD8, 0xD8));
    for (const ImagePlacement& image : model.images) {
        auto at = [&](double u, double v) {
            return Gdiplus::PointF(static_cast<Gdiplus::REAL>((image.a * u + image.c * v + image.e) * scale),
                                   static_cast<Gdiplus::REAL>((image.b * u + image.d * v + image.f) * scale));
        };
        // Upper-left, upper-right and lower-left corners of the picture on the page.
        const Gdiplus::PointF corners[4] = {at(0, 1), at(1, 1), at(0, 0), at(1, 0)};
        bool drawn = false;
        if (!image.jpeg.empty()) {
            if (Gdiplus::Bitmap* bitmap = decodeJpeg(image.jpeg)) {
                drawn = graphics.DrawImage(bitmap, corners, 3) == Gdiplus::Ok;
                delete bitmap;
            }
        }
        if (!drawn) {
            const Gdiplus::PointF box[4] = {corners[0], corners[1], corners[3], corners[2]};
            graphics.FillPolygon(&grey, box, 4);
        }
    }
}

void drawText(HDC dc, const PageModel& model, double scale) {
    SetGraphicsMode(dc, GM_ADVANCED);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    FontCache fonts;
    for (const TextRun& run : model.runs) {
        const double pixels = run.size * scale;
        if (!(pixels >= 1 && pixels <= 2000)) continue;
        HFONT font = fonts.get(run, static_cast<int>(std::lround(pixels)));
        if (!font) continue;
        std::wstring text = run.text;
        for (wchar_t& c : text)
            if (c < 0x20) c = L' ';
        SelectObject(dc, font);
        // The stand-in font is rarely as wide as the document's: the characters are spread or
        // pulled together so the run keeps its length and does not run into its neighbours.
        const int count = static_cast<int>(text.size());
        std::vector<int> extents(text.size()), advances(text.size());
        SIZE total{};
        const INT* spacing = nullptr;
        if (run.width > 0 && GetTextExtentExPointW(dc, text.c_str(), count, 0, nullptr, extents.data(), &total) &&
            total.cx > 0) {
            const double factor = run.width * scale / total.cx;
            int placed = 0;
            for (int i = 0; i < count; ++i) {
                const int end = static_cast<int>(std::lround(extents[i] * factor));
                advances[i] = end - placed;
                placed = end;
            }
            spacing = advances.data();
        }
        const double x = run.x * scale, y = run.y * scale;
        if (!(std::fabs(x) < 1e6 && std::fabs(y) < 1e6)) continue;
        ExtTextOutW(dc, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), 0,
                    nullptr, text.c_str(), static_cast<UINT>(count), spacing);
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
}

}  // namespace

bool PaintPage(const PageModel& model, double scale, PagePicture& out) {
    out = PagePicture();
    const double w = std::ceil(model.width * scale), h = std::ceil(model.height * scale);
    if (!(w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide)) return false;
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    const bool ok = bitmap && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        const size_t count = static_cast<size_t>(out.width) * static_cast<size_t>(out.height);
        std::memset(bits, 0xFF, count * 4);  // a white page
        drawImages(dc, model, scale);
        drawText(dc, model, scale);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        out.pixels.assign(pixels, pixels + count);
        for (uint32_t& p : out.pixels) p &= 0x00FFFFFF;
        SelectObject(dc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    Gdiplus::GdiplusShutdown(token);
    return ok;
}

}  // namespace qm::pdf
