#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/test_support.h"
#include "ui/core/skin_values.h"
#include "ui/core/xml_document.h"
#include "ui/core/zip_archive.h"

namespace qm::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

Bytes rawDeflate(const Bytes& in) {
    z_stream z{};
    EXPECT_EQ(Z_OK, deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY));
    Bytes out(deflateBound(&z, static_cast<uLong>(in.size())));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::uint32_t crcOf(const Bytes& b) {
    return static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0), b.data(), static_cast<uInt>(b.size())));
}

struct Spec {
    std::string name;  // bytes as stored
    Bytes data;
    bool deflate = true;
    std::uint16_t flags = 0;
};

// A minimal archive writer, so damaged archives can be made byte by byte on every platform.
struct Built {
    Bytes bytes;
    std::vector<size_t> local, central;
    size_t end = 0;
};

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}
void set16(Bytes& b, size_t at, std::uint16_t v) { putU16(&b[at], v); }
void set32(Bytes& b, size_t at, std::uint32_t v) { putU32(&b[at], v); }

Built buildZip(const std::vector<Spec>& specs, std::string_view comment = {}) {
    Built out;
    Bytes& b = out.bytes;
    std::vector<Bytes> stored;
    for (const auto& s : specs) {
        const Bytes payload = s.deflate ? rawDeflate(s.data) : s.data;
        out.local.push_back(b.size());
        put32(b, 0x04034b50);
        put16(b, 20);
        put16(b, s.flags);
        put16(b, s.deflate ? 8 : 0);
        put32(b, 0);  // time and date
        put32(b, crcOf(s.data));
        put32(b, static_cast<std::uint32_t>(payload.size()));
        put32(b, static_cast<std::uint32_t>(s.data.size()));
        put16(b, static_cast<std::uint16_t>(s.name.size()));
        put16(b, 0);
        b.insert(b.end(), s.name.begin(), s.name.end());
        b.insert(b.end(), payload.begin(), payload.end());
        stored.push_back(payload);
    }
    const size_t directoryAt = b.size();
    for (size_t i = 0; i < specs.size(); ++i) {
        const auto& s = specs[i];
        out.central.push_back(b.size());
        put32(b, 0x02014b50);
        put16(b, 20);
        put16(b, 20);
        put16(b, s.flags);
        put16(b, s.deflate ? 8 : 0);
        put32(b, 0);
        put32(b, crcOf(s.data));
        put32(b, static_cast<std::uint32_t>(stored[i].size()));
        put32(b, static_cast<std::uint32_t>(s.data.size()));
        put16(b, static_cast<std::uint16_t>(s.name.size()));
        put16(b, 0);
        put16(b, 0);
        put16(b, 0);
        put16(b, 0);
        put32(b, 0);
        put32(b, static_cast<std::uint32_t>(out.local[i]));
        b.insert(b.end(), s.name.begin(), s.name.end());
    }
    out.end = b.size();
    put32(b, 0x06054b50);
    put32(b, 0);
    put16(b, static_cast<std::uint16_t>(specs.size()));
    put16(b, static_cast<std::uint16_t>(specs.size()));
    put32(b, static_cast<std::uint32_t>(out.end - directoryAt));
    put32(b, static_cast<std::uint32_t>(directoryAt));
    put16(b, static_cast<std::uint16_t>(comment.size()));
    b.insert(b.end(), comment.begin(), comment.end());
    return out;
}

const Bytes kSkinText = bytesOf(
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Window size=\"400,160\">\n  <Label text=\"Hello\"/>\n"
    "  <Label text=\"Hello\"/>\n  <Label text=\"Hello\"/>\n</Window>\n");

Built sampleZip() {
    return buildZip({{"xml/skin.xml", kSkinText, true}, {"images/logo.png", bytesOf("PNG\x01\x02"), false}});
}

// Made by the zip tool (Info-ZIP 3.0, with its extra fields and folder entries): xml/Skin.xml deflated,
// images/MessageBox/Error.bin stored.
const Bytes kToolArchive = {
    0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x04, 0x00, 0x1c, 0x00, 0x78, 0x6d, 0x6c, 0x2f, 0x55, 0x54, 0x09, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x69, 0x9f, 0x16, 0x6b, 0x75,
    0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x03, 0x04, 0x14, 0x00, 0x00, 0x00, 0x08, 0x00,
    0x51, 0x5f, 0x87, 0x5d, 0x54, 0x95, 0x25, 0x3f, 0x5f, 0x00, 0x00, 0x00, 0x91, 0x00, 0x00, 0x00, 0x0c, 0x00, 0x1c, 0x00, 0x78, 0x6d, 0x6c, 0x2f,
    0x53, 0x6b, 0x69, 0x6e, 0x2e, 0x78, 0x6d, 0x6c, 0x55, 0x54, 0x09, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b,
    0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0xb3, 0xb1, 0xaf, 0xc8, 0xcd, 0x51, 0x28, 0x4b, 0x2d, 0x2a, 0xce, 0xcc,
    0xcf, 0xb3, 0x55, 0x32, 0xd4, 0x33, 0x50, 0x52, 0x48, 0xcd, 0x4b, 0xce, 0x4f, 0xc9, 0xcc, 0x4b, 0xb7, 0x55, 0x2a, 0x2d, 0x49, 0xd3, 0xb5, 0x50,
    0xb2, 0xb7, 0xe3, 0xb2, 0x09, 0xcf, 0xcc, 0x4b, 0xc9, 0x2f, 0x57, 0x28, 0xce, 0xac, 0x4a, 0xb5, 0x55, 0x32, 0x31, 0x30, 0xd0, 0x31, 0x34, 0x33,
    0x50, 0xb2, 0xe3, 0x52, 0x50, 0xb0, 0xf1, 0x49, 0x4c, 0x4a, 0xcd, 0x51, 0x28, 0x49, 0xad, 0x28, 0xb1, 0x55, 0xf2, 0x48, 0xcd, 0xc9, 0xc9, 0x57,
    0xd2, 0x27, 0x5d, 0xdc, 0x46, 0x1f, 0x62, 0x81, 0x1d, 0x17, 0x00, 0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87,
    0x5d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x1c, 0x00, 0x69, 0x6d, 0x61, 0x67, 0x65, 0x73, 0x2f,
    0x55, 0x54, 0x09, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04,
    0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x00, 0x1c, 0x00, 0x69, 0x6d, 0x61, 0x67, 0x65, 0x73, 0x2f, 0x4d, 0x65, 0x73, 0x73, 0x61, 0x67, 0x65,
    0x42, 0x6f, 0x78, 0x2f, 0x55, 0x54, 0x09, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00,
    0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x1a, 0x17,
    0x7a, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x1b, 0x00, 0x1c, 0x00, 0x69, 0x6d, 0x61, 0x67, 0x65, 0x73, 0x2f, 0x4d, 0x65, 0x73,
    0x73, 0x61, 0x67, 0x65, 0x42, 0x6f, 0x78, 0x2f, 0x45, 0x72, 0x72, 0x6f, 0x72, 0x2e, 0x62, 0x69, 0x6e, 0x55, 0x54, 0x09, 0x00, 0x03, 0x69, 0x9f,
    0x16, 0x6b, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4e, 0x47,
    0x00, 0x01, 0x02, 0x03, 0xff, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0xed, 0x41, 0x00,
    0x00, 0x00, 0x00, 0x78, 0x6d, 0x6c, 0x2f, 0x55, 0x54, 0x05, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00,
    0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x14, 0x00, 0x00, 0x00, 0x08, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x54,
    0x95, 0x25, 0x3f, 0x5f, 0x00, 0x00, 0x00, 0x91, 0x00, 0x00, 0x00, 0x0c, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xa4,
    0x81, 0x3e, 0x00, 0x00, 0x00, 0x78, 0x6d, 0x6c, 0x2f, 0x53, 0x6b, 0x69, 0x6e, 0x2e, 0x78, 0x6d, 0x6c, 0x55, 0x54, 0x05, 0x00, 0x03, 0x69, 0x9f,
    0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x18,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0xed, 0x41, 0xe3, 0x00, 0x00, 0x00, 0x69, 0x6d, 0x61, 0x67, 0x65, 0x73, 0x2f, 0x55, 0x54,
    0x05, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b,
    0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x12, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0xed, 0x41, 0x24, 0x01, 0x00, 0x00, 0x69, 0x6d, 0x61, 0x67,
    0x65, 0x73, 0x2f, 0x4d, 0x65, 0x73, 0x73, 0x61, 0x67, 0x65, 0x42, 0x6f, 0x78, 0x2f, 0x55, 0x54, 0x05, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b, 0x75,
    0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x51, 0x5f, 0x87, 0x5d, 0x1a, 0x17, 0x7a, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x1b, 0x00, 0x18, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xa4, 0x81, 0x70, 0x01, 0x00, 0x00, 0x69, 0x6d, 0x61, 0x67, 0x65, 0x73, 0x2f, 0x4d, 0x65, 0x73, 0x73, 0x61,
    0x67, 0x65, 0x42, 0x6f, 0x78, 0x2f, 0x45, 0x72, 0x72, 0x6f, 0x72, 0x2e, 0x62, 0x69, 0x6e, 0x55, 0x54, 0x05, 0x00, 0x03, 0x69, 0x9f, 0x16, 0x6b,
    0x75, 0x78, 0x0b, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x05,
    0x00, 0x05, 0x00, 0xa2, 0x01, 0x00, 0x00, 0xcd, 0x01, 0x00, 0x00, 0x00, 0x00,
};

TEST(ZipArchive, ReadsAnArchiveMadeByTheZipTool) {
    ZipArchive zip;
    ASSERT_EQ(0, zip.open(kToolArchive));
    EXPECT_EQ((std::vector<std::wstring>{L"xml/Skin.xml", L"images/MessageBox/Error.bin"}), zip.names());
    Bytes out;
    ASSERT_EQ(0, zip.extract(L"XML\\skin.XML", out));
    EXPECT_EQ(kSkinText, out);
    ASSERT_EQ(0, zip.extract(L"images\\messagebox/error.bin", out));
    EXPECT_EQ(bytesOf(std::string("PNG\0\x01\x02\x03\xff", 8)), out);
    EXPECT_TRUE(zip.contains(L"Images/MessageBox/Error.bin"));
    EXPECT_FALSE(zip.contains(L"xml/"));  // folders are not entries to extract
    EXPECT_EQ(2, zip.extract(L"xml/", out));
    EXPECT_EQ(2, zip.extract(L"xml/Skin.xm", out));
    EXPECT_TRUE(out.empty());
}

// Runs the zip tool in `folder`; false when the tool cannot run here (Wine has no POSIX shell).
bool runZip(const std::wstring& folder, const std::string& arguments) {
#ifdef _WIN32
    (void)folder;
    (void)arguments;
    return false;
#else
    if (std::system("command -v zip >/dev/null 2>&1") != 0) return false;
    const std::string command = "cd '" + platform::toUtf8(folder) + "' && zip -q " + arguments;
    EXPECT_EQ(0, std::system(command.c_str())) << command;
    return true;
#endif
}

TEST(ZipArchive, RoundTripsFilesPackedByTheZipTool) {
    test::TempDir dir;
    Bytes noise(5000), text, big(3u << 20, 'a');
    std::uint32_t seed = 12345;
    for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
    for (int i = 0; i < 200; ++i) text.insert(text.end(), kSkinText.begin(), kSkinText.end());
    ASSERT_EQ(0, platform::createFolderTree(dir.file(L"xml")));
    ASSERT_EQ(0, platform::createFolderTree(platform::joinPath(dir.file(L"images"), L"MessageBox")));
    test::writeWholeFile(platform::joinPath(dir.file(L"xml"), L"skin.xml"), text);
    test::writeWholeFile(platform::joinPath(platform::joinPath(dir.file(L"images"), L"MessageBox"), L"error.png"), noise);
    test::writeWholeFile(dir.file(L"big.txt"), big);
    test::writeWholeFile(dir.file(L"empty.txt"), {});
    if (!runZip(dir.path(), "-r -9 out.zip xml images big.txt empty.txt")) GTEST_SKIP() << "zip tool not runnable";

    ZipArchive zip;
    ASSERT_EQ(0, zip.open(test::readWholeFile(dir.file(L"out.zip"))));
    auto names = zip.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"big.txt", L"empty.txt", L"images/MessageBox/error.png", L"xml/skin.xml"}),
              names);
    Bytes out;
    ASSERT_EQ(0, zip.extract(L"xml\\skin.xml", out));
    EXPECT_EQ(text, out);
    ASSERT_EQ(0, zip.extract(L"images\\MessageBox\\error.png", out));
    EXPECT_EQ(noise, out);
    ASSERT_EQ(0, zip.extract(L"BIG.TXT", out));
    EXPECT_EQ(big, out);
    ASSERT_EQ(0, zip.extract(L"empty.txt", out));
    EXPECT_TRUE(out.empty());
}

// Also made by the zip tool: "zip -P secret" (encrypted) and "zip - -" reading a pipe, which cannot know
// the size in advance and so writes ZIP64 records.
const Bytes kToolEncryptedArchive = {
    0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x09, 0x00, 0x00, 0x00, 0x78, 0x60, 0x87, 0x5d, 0xda, 0x89, 0x49, 0x9b, 0x18, 0x00, 0x00, 0x00, 0x0c, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x2e, 0x74, 0x78, 0x74, 0xef, 0x3c, 0x49, 0x2f, 0x92, 0xca, 0xe0, 0x26, 0xa2, 0xa9, 0x52, 0xaf, 0x87,
    0x1a, 0x22, 0x78, 0x9d, 0x3d, 0x7a, 0x37, 0xd7, 0x6b, 0xc4, 0x47, 0x50, 0x4b, 0x07, 0x08, 0xda, 0x89, 0x49, 0x9b, 0x18, 0x00, 0x00, 0x00, 0x0c,
    0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x09, 0x00, 0x00, 0x00, 0x78, 0x60, 0x87, 0x5d, 0xda, 0x89, 0x49, 0x9b, 0x18,
    0x00, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xa4, 0x81, 0x00, 0x00, 0x00,
    0x00, 0x61, 0x2e, 0x74, 0x78, 0x74, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x33, 0x00, 0x00, 0x00, 0x4b, 0x00,
    0x00, 0x00, 0x00, 0x00,
};
const Bytes kToolZip64Archive = {
    0x50, 0x4b, 0x03, 0x04, 0x2d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x78, 0x60, 0x87, 0x5d, 0xb4, 0x57, 0xa5, 0xea, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0xff, 0x01, 0x00, 0x14, 0x00, 0x2d, 0x01, 0x00, 0x10, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x70, 0x69, 0x70, 0x65, 0x64, 0x0a, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x2d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x78, 0x60, 0x87,
    0x5d, 0xb4, 0x57, 0xa5, 0xea, 0x06, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x80, 0x11, 0x00, 0x00, 0x00, 0x00, 0x2d, 0x50, 0x4b, 0x06, 0x06, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1e, 0x03, 0x2d, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x2f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x39, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x06, 0x07, 0x00, 0x00, 0x00, 0x00,
    0x68, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
    0x2f, 0x00, 0x00, 0x00, 0x39, 0x00, 0x00, 0x00, 0x00, 0x00,
};

TEST(ZipArchive, RefusesZip64AndEncryptedArchivesFromTheZipTool) {
    ZipArchive zip;
    ASSERT_EQ(0, zip.open(kToolArchive));
    EXPECT_EQ(13, zip.open(kToolEncryptedArchive));
    EXPECT_TRUE(zip.names().empty());  // the previous archive is gone too
    EXPECT_EQ(13, zip.open(kToolZip64Archive));
    EXPECT_FALSE(zip.contains(L"-"));
}

bool endsWith(const std::wstring& text, std::wstring_view tail) {
    return text.size() >= tail.size() && std::wstring_view(text).substr(text.size() - tail.size()) == tail;
}

// The program's own skin archive: packed here as the build packs it, or, where the POSIX tools cannot
// run (Wine), the one the build made beside the fixtures. Null when neither is to be had.
std::unique_ptr<ZipArchive> ownSkin(const test::TempDir& dir) {
    Bytes bytes;
#ifdef _WIN32
    (void)dir;
    const std::wstring built = test::hostPath(std::string(QM_FIXTURE_DIR) + "/../skin/skin.zip");
    if (!platform::pathExists(built)) return nullptr;
    bytes = test::readWholeFile(built);
#else
    if (std::system("command -v zip >/dev/null 2>&1 && command -v rsvg-convert >/dev/null 2>&1") != 0) return nullptr;
    const std::string source = std::string(QM_SOURCE_DIR) + "/skin";
    const std::string command = "bash '" + source + "/pack_skin.sh' '" + source + "' '" +
                                platform::toUtf8(dir.file(L"stage")) + "' '" + platform::toUtf8(dir.file(L"skin.zip")) +
                                "' >/dev/null 2>&1";
    EXPECT_EQ(0, std::system(command.c_str())) << command;
    bytes = test::readWholeFile(dir.file(L"skin.zip"));
#endif
    auto zip = std::make_unique<ZipArchive>();
    EXPECT_EQ(0, zip->open(std::move(bytes)));
    return zip;
}

// Every entry extracts, every layout parses, and every image and colour attribute is in a syntax the
// controls can read, naming a picture that is there.
TEST(ZipArchive, TheProgramsOwnSkinOpensAndEveryLayoutParses) {
    test::TempDir dir;
    const auto zip = ownSkin(dir);
    if (!zip) GTEST_SKIP() << "no skin archive: the packing tools are missing";
    size_t layouts = 0;
    for (const auto& name : zip->names()) {
        const std::string where = platform::toUtf8(name);
        Bytes bytes;
        ASSERT_EQ(0, zip->extract(name, bytes)) << where;
        if (!endsWith(name, L".xml")) continue;
        ++layouts;
        const XmlParseResult r = ParseXml(bytes);
        ASSERT_TRUE(r.ok) << where << ": " << platform::toUtf8(r.error);
        std::vector<const XmlElement*> pending{&r.root};
        while (!pending.empty()) {
            const XmlElement* e = pending.back();
            pending.pop_back();
            for (const auto& a : e->attributes) {
                const std::string at = where + " line " + std::to_string(e->line) + " " + platform::toUtf8(a.name);
                if (endsWith(a.name, L"image") && !a.value.empty()) {
                    ImageAttributes image;
                    std::wstring error;
                    EXPECT_TRUE(ParseImageAttributes(a.value, image, &error)) << at << ": " << platform::toUtf8(error);
                    if (!image.file.empty()) {
                        EXPECT_TRUE(zip->contains(image.file)) << at << ": no " << platform::toUtf8(image.file);
                    }
                }
                std::uint32_t argb;
                if (endsWith(a.name, L"color") || endsWith(a.name, L"color2")) {
                    EXPECT_TRUE(ParseColor(a.value, argb)) << at << ": " << platform::toUtf8(a.value);
                }
            }
            for (const auto& child : e->children) pending.push_back(&child);
        }
    }
    EXPECT_GT(layouts, 0u);
}

TEST(ZipArchive, RoundTripsStoredDeflatedEmptyAndForeignNames) {
    Bytes big(1u << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 / 3);
    const Built built = buildZip({{"a.txt", bytesOf("stored"), false},
                                 {"empty", {}, true},
                                 {"empty-stored", {}, false},
                                 {"big.bin", big, true},
                                 {"caf\xC3\xA9.txt", bytesOf("utf8"), false},
                                 {"\x82t\x82.txt", bytesOf("cp437"), false},
                                 {"A.TXT", bytesOf("second of the same name"), false}},
                                std::string(300, 'c'));
    ZipArchive zip;
    ASSERT_EQ(0, zip.open(built.bytes));
    ASSERT_EQ(7u, zip.names().size());
    EXPECT_EQ(L"caf\xE9.txt", zip.names()[4]);
    EXPECT_EQ(L"\xE9t\xE9.txt", zip.names()[5]);
    Bytes out;
    ASSERT_EQ(0, zip.extract(L"a.txt", out));
    EXPECT_EQ(bytesOf("stored"), out);  // the first of equal names wins
    ASSERT_EQ(0, zip.extract(L"empty", out));
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(0, zip.extract(L"empty-stored", out));
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(0, zip.extract(L"big.bin", out));
    EXPECT_EQ(big, out);
    ASSERT_EQ(0, zip.extract(L"CAF\xE9.TXT", out));  // accented letters compare exactly
    EXPECT_EQ(2, zip.extract(L"CAF\xC9.TXT", out));
}

TEST(ZipArchive, FindsTheEndRecordBehindTheLongestComment) {
    Built built = buildZip({{"a", bytesOf("x"), false}}, std::string(0xFFFF, 'c'));
    ZipArchive zip;
    EXPECT_EQ(0, zip.open(built.bytes));
    // One byte more lies outside the search window.
    built.bytes.push_back(0);
    EXPECT_EQ(13, zip.open(built.bytes));
    // A comment holding an end-record signature does not mislead the search.
    built = buildZip({{"a", bytesOf("x"), false}}, std::string("PK\x05\x06", 4) + std::string(30, '\0'));
    EXPECT_EQ(0, zip.open(built.bytes));
    EXPECT_TRUE(zip.contains(L"a"));
}

TEST(ZipArchive, RefusesDamagedDirectories) {
    ZipArchive zip;
    EXPECT_EQ(13, zip.open({}));
    EXPECT_EQ(13, zip.open(Bytes(21, 0)));
    EXPECT_EQ(13, zip.open(bytesOf("this is not an archive at all, just text")));

    const Built good = sampleZip();
    ASSERT_EQ(0, zip.open(good.bytes));
    for (size_t n = 0; n < good.bytes.size(); ++n) {
        EXPECT_EQ(13, zip.open(Bytes(good.bytes.begin(), good.bytes.begin() + n))) << n;
        EXPECT_FALSE(zip.contains(L"xml/skin.xml")) << n;  // a failed open leaves nothing behind
    }

    auto damaged = [&](auto change) {
        Built b = sampleZip();
        change(b);
        return zip.open(b.bytes);
    };
    EXPECT_EQ(13, damaged([](Built& b) { set32(b.bytes, b.end + 16, static_cast<std::uint32_t>(b.end)); }));
    EXPECT_EQ(13, damaged([](Built& b) { set32(b.bytes, b.end + 16, 0xFFFFFFF0u); }));
    EXPECT_EQ(13, damaged([](Built& b) { set32(b.bytes, b.end + 12, 0x7FFFFFFFu); }));
    EXPECT_EQ(13, damaged([](Built& b) {  // more entries counted than the directory holds
        set16(b.bytes, b.end + 8, 3);
        set16(b.bytes, b.end + 10, 3);
    }));
    EXPECT_EQ(13, damaged([](Built& b) { set16(b.bytes, b.end + 8, 1); }));  // spanned archive
    EXPECT_EQ(13, damaged([](Built& b) { set16(b.bytes, b.end + 4, 1); }));
    EXPECT_EQ(13, damaged([](Built& b) { set32(b.bytes, b.central[1], 0x12345678); }));
    EXPECT_EQ(13, damaged([](Built& b) { set16(b.bytes, b.central[1] + 28, 0xFFFF); }));  // name past the end
    EXPECT_EQ(13, damaged([](Built& b) { set16(b.bytes, b.central[0] + 34, 2); }));       // on another disk
}

TEST(ZipArchive, RefusesZip64AndEncryption) {
    ZipArchive zip;
    auto opened = [&](auto change) {
        Built b = sampleZip();
        change(b);
        return zip.open(b.bytes);
    };
    EXPECT_EQ(13, opened([](Built& b) { set16(b.bytes, b.central[0] + 8, 0x0001); }));
    EXPECT_EQ(13, opened([](Built& b) { set16(b.bytes, b.central[1] + 8, 0x0041); }));
    EXPECT_EQ(13, opened([](Built& b) { set32(b.bytes, b.central[0] + 24, 0xFFFFFFFF); }));
    EXPECT_EQ(13, opened([](Built& b) { set32(b.bytes, b.central[1] + 42, 0xFFFFFFFF); }));
    EXPECT_EQ(13, opened([](Built& b) {
        set16(b.bytes, b.end + 8, 0xFFFF);
        set16(b.bytes, b.end + 10, 0xFFFF);
    }));
    EXPECT_EQ(13, opened([](Built& b) {  // a ZIP64 locator in front of the end record
        Bytes locator;
        put32(locator, 0x07064b50);
        locator.resize(20, 0);
        b.bytes.insert(b.bytes.begin() + static_cast<std::ptrdiff_t>(b.end), locator.begin(), locator.end());
    }));
    // The data-descriptor flag alone is fine: sizes come from the directory.
    EXPECT_EQ(0, opened([](Built& b) { set16(b.bytes, b.central[0] + 8, 0x0008); }));
}

TEST(ZipArchive, RefusesDamagedEntries) {
    auto extracted = [](auto change, const wchar_t* name = L"xml/skin.xml") {
        Built b = sampleZip();
        change(b);
        ZipArchive zip;
        EXPECT_EQ(0, zip.open(b.bytes));
        Bytes out{1, 2, 3};
        const int status = zip.extract(name, out);
        if (status != 0) {
            EXPECT_TRUE(out.empty());
        }
        return status;
    };
    EXPECT_EQ(0, extracted([](Built&) {}));
    EXPECT_EQ(13, extracted([](Built& b) { b.bytes[b.central[0] + 16] ^= 1; }));  // bad CRC
    EXPECT_EQ(13, extracted([](Built& b) { b.bytes[b.central[1] + 16] ^= 1; }, L"images/logo.png"));
    EXPECT_EQ(13, extracted([](Built& b) {  // scrambled deflate data
        for (size_t i = 0; i < 8; ++i) b.bytes[b.local[0] + 30 + 12 + i] ^= 0x5A;
    }));
    EXPECT_EQ(13, extracted([](Built& b) { set32(b.bytes, b.central[0] + 42, 7); }));  // bad local offset
    EXPECT_EQ(13, extracted([](Built& b) { set32(b.bytes, b.central[0] + 42, 0x7FFFFFF0); }));
    EXPECT_EQ(13, extracted([](Built& b) { set16(b.bytes, b.local[0] + 28, 0xFFFF); }));  // data past the end
    EXPECT_EQ(13, extracted([](Built& b) { set16(b.bytes, b.central[0] + 10, 12); }));    // bzip2
    EXPECT_EQ(13, extracted([](Built& b) {                                                // size too small
        set32(b.bytes, b.central[0] + 24, static_cast<std::uint32_t>(kSkinText.size() - 1));
    }));
    EXPECT_EQ(13, extracted([](Built& b) {  // size too large
        set32(b.bytes, b.central[0] + 24, static_cast<std::uint32_t>(kSkinText.size() + 1));
    }));
    EXPECT_EQ(13, extracted([](Built& b) { set32(b.bytes, b.central[0] + 24, 5u << 20); }));  // ratio bomb
    EXPECT_EQ(13, extracted([](Built& b) { set32(b.bytes, b.central[1] + 24, 4); }, L"images/logo.png"));
    EXPECT_EQ(13, extracted([](Built& b) {  // stored entry claiming bytes beyond the archive
        set32(b.bytes, b.central[1] + 20, 0x100000);
        set32(b.bytes, b.central[1] + 24, 0x100000);
    }, L"images/logo.png"));
}

TEST(ZipArchive, BoundsTheSizeOfAnEntry) {
    const Bytes atLimit(kZipMaxEntrySize, 0);
    Bytes overLimit(kZipMaxEntrySize + 1, 0);
    const Built built = buildZip({{"limit", atLimit, true}, {"over", overLimit, true}});
    overLimit = {};
    ZipArchive zip;
    ASSERT_EQ(0, zip.open(built.bytes));
    Bytes out;
    EXPECT_EQ(13, zip.extract(L"over", out));
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(0, zip.extract(L"limit", out));
    EXPECT_EQ(atLimit.size(), out.size());
}

}  // namespace
}  // namespace qm::ui
