// Builds small compound files (the container of 97-2003 office documents) for the tests.
#pragma once
#include <cstring>
#include <string>

#include "tests/engines/carving_test_media.h"

namespace qm::test {

struct CompoundSpec {
    uint32_t shift = 9;
    std::string streamName = "Contents";
    uint8_t rootClass[16] = {};
    Bytes firstData = {0x11, 0x22};  // the first bytes of sector 0, the stream's data
    uint32_t dataSectors = 1;
};

// Header, data sectors 0 .. n-1, the directory, then the one allocation-table sector.
inline Bytes BuildCompoundFile(const CompoundSpec& spec) {
    const uint32_t size = 1u << spec.shift;
    const uint32_t n = spec.dataSectors;
    Bytes out(static_cast<size_t>(n + 3) * size, 0);
    uint8_t* h = out.data();
    std::memcpy(h, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    putU16(h + 24, 0x3E);
    putU16(h + 26, spec.shift == 12 ? 4 : 3);
    putU16(h + 28, 0xFFFE);
    putU16(h + 30, static_cast<uint16_t>(spec.shift));
    putU16(h + 32, 6);
    putU32(h + 44, 1);      // one allocation-table sector
    putU32(h + 48, n);      // the directory follows the data
    putU32(h + 56, 4096);
    putU32(h + 60, 0xFFFFFFFE);
    putU32(h + 68, 0xFFFFFFFE);
    for (int i = 0; i < 109; ++i) putU32(h + 76 + 4 * i, 0xFFFFFFFF);
    putU32(h + 76, n + 1);  // the table sits after the directory
    uint8_t* data = out.data() + size;
    std::memcpy(data, spec.firstData.data(), spec.firstData.size());
    uint8_t* dir = out.data() + static_cast<size_t>(n + 1) * size;
    const std::string root = "Root Entry";
    for (size_t i = 0; i < root.size(); ++i) dir[2 * i] = static_cast<uint8_t>(root[i]);
    putU16(dir + 64, static_cast<uint16_t>(2 * root.size() + 2));
    dir[66] = 5;
    std::memcpy(dir + 80, spec.rootClass, 16);
    uint8_t* entry = dir + 128;
    for (size_t i = 0; i < spec.streamName.size() && i < 31; ++i) entry[2 * i] = static_cast<uint8_t>(spec.streamName[i]);
    putU16(entry + 64, static_cast<uint16_t>(2 * spec.streamName.size() + 2));
    entry[66] = 2;
    uint8_t* fat = out.data() + static_cast<size_t>(n + 2) * size;
    for (uint32_t i = 0; i < size / 4; ++i) putU32(fat + 4 * i, 0xFFFFFFFF);
    for (uint32_t i = 0; i + 1 < n; ++i) putU32(fat + 4 * i, i + 1);
    putU32(fat + 4 * (n - 1), 0xFFFFFFFE);
    putU32(fat + 4 * n, 0xFFFFFFFE);
    putU32(fat + 4 * (n + 1), 0xFFFFFFFD);
    return out;
}

}  // namespace qm::test
