// PLACEHOLDER: stands in for an engine whose scanning is not built yet. It opens its source
// like the real engine will, so the factory and the scan driver work end to end, and it
// reports nothing found. Each subclass is replaced by its real engine.
#pragma once
#include "disk/sector_reader.h"
#include "engines/null_engine.h"

namespace qm {

class CPlaceholderEngine : public CNullEngine {
public:
    int OpenImage(const std::wstring& imagePath, uint16_t) override { return reader_.OpenImageFile(imagePath); }
    int OpenPartition(int diskNumber, uint64_t, uint64_t, uint16_t) override { return reader_.OpenDisk(diskNumber); }

protected:
    SectorReader reader_;
};

}  // namespace qm
