// The media players as the preview starts them: progress lines with "%" on the pipe while a
// medium plays, an error without "%" for what cannot be played.
#include <windows.h>
#include <ole2.h>  // gdiplus.h needs PROPID and IStream
#include <gdiplus.h>
#include <mmsystem.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "process_pipe.h"

namespace {

using qm::test::PipedProcess;

constexpr DWORD kBoundMs = 20000;

std::wstring binDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring videoCommand(const std::wstring& media) {
    return binDir() + L"\\Player.exe -aspect 16:9 -vo direct3d -lavdopts threads=4 -geometry 845:260 -x 326 -y 189 \"" +
           media + L"\"";
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }
void patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// An uncompressed 32-bit AVI of moving colour bars: every system can decode it.
std::vector<uint8_t> colourBarsAvi(uint32_t frames, uint32_t fps) {
    const uint32_t w = 160, h = 90, frameBytes = w * h * 4;
    std::vector<uint8_t> a;
    putTag(a, "RIFF"); put32(a, 0); putTag(a, "AVI ");
    putTag(a, "LIST"); put32(a, 4 + 64 + 12 + 64 + 48); putTag(a, "hdrl");
    putTag(a, "avih"); put32(a, 56);
    for (uint32_t v : {1000000u / fps, frameBytes * fps, 0u, 0x10u, frames, 0u, 1u, frameBytes, w, h, 0u, 0u, 0u, 0u})
        put32(a, v);
    putTag(a, "LIST"); put32(a, 4 + 64 + 48); putTag(a, "strl");
    putTag(a, "strh"); put32(a, 56); putTag(a, "vids"); put32(a, 0);
    for (uint32_t v : {0u, 0u, 0u, 1u, fps, 0u, frames, frameBytes, 0xFFFFFFFFu, 0u, 0u, w | (h << 16)}) put32(a, v);
    putTag(a, "strf"); put32(a, 40);
    for (uint32_t v : {40u, w, h, 1u | (32u << 16), 0u, frameBytes, 0u, 0u, 0u, 0u}) put32(a, v);
    putTag(a, "LIST");
    size_t moviSize = a.size();
    put32(a, 0);
    size_t movi = a.size();
    putTag(a, "movi");
    std::vector<uint32_t> offsets;
    for (uint32_t f = 0; f < frames; ++f) {
        offsets.push_back(static_cast<uint32_t>(a.size() - movi));
        putTag(a, "00db"); put32(a, frameBytes);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t bar = (x + f * 8) / 16 % 3;
                for (uint32_t c = 0; c < 4; ++c) a.push_back(c == 3 ? 0 : bar == c ? 255 : 40);
            }
    }
    patch32(a, moviSize, static_cast<uint32_t>(a.size() - movi));
    putTag(a, "idx1"); put32(a, frames * 16);
    for (uint32_t offset : offsets) {
        putTag(a, "00db"); put32(a, 0x10); put32(a, offset); put32(a, frameBytes);
    }
    patch32(a, 4, static_cast<uint32_t>(a.size() - 8));
    return a;
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND windowOf(DWORD pid) {
    WindowSearch search{pid, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Copies the window as it shows on the screen (its video child included) into a PNG.
bool saveScreenshot(HWND hwnd, const std::wstring& path) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    RECT r;
    GetWindowRect(hwnd, &r);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        UINT count = 0, size = 0;
        Gdiplus::GetImageEncodersSize(&count, &size);
        std::vector<uint8_t> buffer(size);
        auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
        Gdiplus::GetImageEncoders(count, size, encoders);
        for (UINT i = 0; i < count; ++i)
            if (std::wstring(encoders[i].MimeType) == L"image/png")
                saved = image.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

TEST(Player, PlaysVideoAtTheGivenPlaceAndReportsProgressUntilClosed) {
    qm::test::TempDir dir;
    std::wstring media = dir.file(L"tmp.avi");
    qm::test::writeWholeFile(media, colourBarsAvi(60, 4));
    PipedProcess player;
    ASSERT_TRUE(player.start(videoCommand(media)));
    std::string out = player.readUntil("%", kBoundMs);
    ASSERT_NE(out.find("Playing: "), std::string::npos) << out;
    EXPECT_NE(out.find("/ 00:15)"), std::string::npos) << out;
    player.readUntil("(00:01", kBoundMs);  // a few frames drawn before the picture is taken

    HWND window = windowOf(player.id());
    ASSERT_NE(window, nullptr);
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_EQ(frame.left, 845);
    EXPECT_EQ(frame.top, 260);
    EXPECT_EQ(client.right, 326);
    std::wstring shots = qm::test::hostPath(QM_SCREENSHOT_DIR);
    CreateDirectoryW(shots.c_str(), nullptr);
    EXPECT_TRUE(saveScreenshot(window, shots + L"\\player_video.png"));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.waitExit(kBoundMs), 0u);
}

TEST(Player, EndsByItselfWithExitCodeZeroAtTheEndOfTheMedia) {
    qm::test::TempDir dir;
    std::wstring media = dir.file(L"tmp.avi");
    qm::test::writeWholeFile(media, colourBarsAvi(2, 4));
    PipedProcess player;
    ASSERT_TRUE(player.start(videoCommand(media)));
    EXPECT_EQ(player.waitExit(kBoundMs), 0u);
    EXPECT_NE(player.readUntil("", kBoundMs).find("Playing: 100.0%"), std::string::npos) << player.output();
}

BOOL CALLBACK copyCannotPlayText(HWND child, LPARAM lp) {
    wchar_t line[256] = {};
    GetWindowTextW(child, line, 256);
    if (std::wcsstr(line, L"Cannot play")) std::wcscpy(reinterpret_cast<wchar_t*>(lp), line);
    return TRUE;
}

// Without an output device the audio player's window says so (nobody reads its console when the
// shell starts it) and stays until closed.
TEST(Player, AudioPlayerPlaysWaveOrSaysThereIsNoOutputDevice) {
    PipedProcess player;
    std::wstring wav = qm::test::hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/samples/wav/testWAV.wav");
    ASSERT_TRUE(player.start(binDir() + L"\\Player1.exe \"" + wav + L"\""));
    if (waveOutGetNumDevs() > 0) {
        EXPECT_EQ(player.waitExit(kBoundMs), 0u);
        EXPECT_NE(player.readUntil("", kBoundMs).find("Playing: 100.0%"), std::string::npos) << player.output();
        return;
    }
    const std::string out = player.readUntil("no audio output device", kBoundMs);
    EXPECT_EQ(out.find('%'), std::string::npos) << out;
    HWND window = nullptr;
    wchar_t text[256] = {};
    for (int i = 0; i < 200 && !std::wcsstr(text, L"no audio output device"); ++i) {
        Sleep(50);
        if ((window = windowOf(player.id())) != nullptr)
            EnumChildWindows(window, copyCannotPlayText, reinterpret_cast<LPARAM>(text));
    }
    EXPECT_NE(std::wcsstr(text, L"no audio output device"), nullptr) << "the window says why";
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.waitExit(kBoundMs), 2u);
}

TEST(Player, GarbageGivesAnErrorWithoutPercentAndEnds) {
    qm::test::TempDir dir;
    std::vector<uint8_t> garbage(64 * 1024);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    std::vector<uint8_t> truncatedAvi = colourBarsAvi(4, 4);
    truncatedAvi.resize(300);
    for (const auto& bytes : {garbage, truncatedAvi}) {
        std::wstring media = dir.file(L"tmp.avi");
        qm::test::writeWholeFile(media, bytes);
        PipedProcess player;
        ASSERT_TRUE(player.start(videoCommand(media)));
        EXPECT_EQ(player.waitExit(kBoundMs), 2u);
        const std::string& out = player.readUntil("", kBoundMs);
        EXPECT_EQ(out.find('%'), std::string::npos) << out;
        EXPECT_NE(out.find("Error: cannot play"), std::string::npos) << out;
    }
}

TEST(Player, WithoutAFileItIsAUsageError) {
    PipedProcess player;
    ASSERT_TRUE(player.start(binDir() + L"\\Player.exe -x 326 -y 189"));
    EXPECT_EQ(player.waitExit(kBoundMs), 1u);
    EXPECT_NE(player.readUntil("", kBoundMs).find("usage:"), std::string::npos);
}

}  // namespace
