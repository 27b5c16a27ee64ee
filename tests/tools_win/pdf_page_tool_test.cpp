// The page renderer as the preview runs it: tool.exe "PDF" -f 1 -l 1 "PREFIX" from the program
// folder, leaving PREFIX-000001.png, or no picture and a failing exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>  // gdiplus.h needs PROPID and IStream
#include <gdiplus.h>

#include <memory>
#include <string>

#include "tests/support/test_support.h"
#include "tests/tools_win/process_pipe.h"

namespace qm {
namespace {

constexpr DWORD kBoundMs = 120000;

std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring samplePdf(const std::string& name) {
    return test::hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/samples/pdf/" + name);
}

// Runs the tool; returns its exit code (STILL_ACTIVE when it outlived the bound).
DWORD renderFirstPage(const std::wstring& pdf, const std::wstring& prefix, const std::wstring& extra = L"") {
    test::PipedProcess process;
    const std::wstring line = L"\"" + programFolder() + L"tool.exe\" \"" + pdf + L"\" -f 1 -l 1 " + extra + L"\"" +
                              prefix + L"\"";
    if (!process.start(line)) return STILL_ACTIVE;
    process.readUntil("", kBoundMs);
    return process.waitExit(kBoundMs);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class PdfPageTool : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }
    ULONG_PTR token_ = 0;
    test::TempDir dir_;
};

TEST_F(PdfPageTool, RendersTheFirstPageAsTextOnWhite) {
    const std::wstring prefix = dir_.file(L"pdf");
    ASSERT_EQ(renderFirstPage(samplePdf("testPDF.pdf"), prefix), 0u);
    const std::wstring png = prefix + L"-000001.png";
    ASSERT_TRUE(exists(png));
    {
        Gdiplus::Bitmap picture(png.c_str());
        ASSERT_EQ(picture.GetLastStatus(), Gdiplus::Ok);
        const UINT width = picture.GetWidth(), height = picture.GetHeight();
        EXPECT_GE(width, 800u);
        EXPECT_LE(width, 1000u);
        EXPECT_NEAR(static_cast<double>(height) / width, 842.0 / 595.0, 0.01);
        Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        Gdiplus::BitmapData data{};
        ASSERT_EQ(picture.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data), Gdiplus::Ok);
        size_t dark = 0, white = 0;
        size_t darkInTopFifth = 0;
        for (UINT y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride);
            for (UINT x = 0; x < width; ++x) {
                const uint32_t p = row[x] & 0xFFFFFF;
                const int luminance = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
                if (luminance < 3 * 96) {
                    ++dark;
                    if (y < height / 5) ++darkInTopFifth;
                }
                if (p == 0xFFFFFF) ++white;
            }
        }
        picture.UnlockBits(&data);
        const size_t total = static_cast<size_t>(width) * height;
        EXPECT_GT(white, total * 8 / 10);     // a white page ...
        EXPECT_GT(dark, total / 200);         // ... with text on it
        EXPECT_GT(darkInTopFifth, dark / 10);  // the title sits near the top
    }
    const std::wstring shots = test::hostPath(QM_SCREENSHOT_DIR);
    CreateDirectoryW(shots.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(png.c_str(), (shots + L"\\pdf_page_tool_testPDF.png").c_str(), FALSE));
}

TEST_F(PdfPageTool, EncryptedDamagedOrMisusedGivesNoPicture) {
    const std::wstring damaged = dir_.file(L"damaged.pdf");
    test::writeWholeFile(damaged, std::vector<uint8_t>{'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n', 'x', 'y'});
    const struct {
        std::wstring pdf, extra;
    } cases[] = {{samplePdf("encrypted_groff.pdf"), L""}, {damaged, L""}, {samplePdf("testPDF.pdf"), L"-x "}};
    int n = 0;
    for (const auto& c : cases) {
        const std::wstring prefix = dir_.file(L"case" + std::to_wstring(n++));
        const DWORD code = renderFirstPage(c.pdf, prefix, c.extra);
        EXPECT_NE(code, 0u) << n;
        EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << n;
        EXPECT_FALSE(exists(prefix + L"-000001.png")) << n;
    }
}

}  // namespace
}  // namespace qm
