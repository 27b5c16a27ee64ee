// Runs one engine per selected source on the scan worker, with the scan-history bookkeeping.
// It reaches its window only through IScanWindow, so the GUI and the command line share it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engines/file_recovery_parse.h"
#include "session/engine_factory.h"
#include "session/text_source.h"

namespace qm {

class CScanHistory;

// One medium to scan: a partition of a physical disk, or an image file.
struct ScanSource {
    bool isImage = false;
    int diskNumber = 0;
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
    // A partition's drive letter, or its number when it has no letter.
    uint16_t driveLetter = 0;
    std::wstring imagePath;
    uint16_t sourceTag = 0;
    // The engine of the last scan; the front end lists, previews and recovers through it.
    std::unique_ptr<IFileRecoveryParse> engine;
    // Why no engine could be made, when none was.
    EngineRefusal refusal;
    // What the engine's scan returned (0, CancelCode, or a Windows error number).
    int scanResult = 0;

    SourceLocation Location() const;
};

class IScanWindow {
public:
    virtual ~IScanWindow() = default;
    virtual void SetStageText(const std::wstring& text) = 0;
    virtual void SetVisible(bool visible) = 0;
    // A yes/no question; true for yes.
    virtual bool AskYesNo(const std::wstring& question) = 0;
    virtual void Close(int resultCode) = 0;
};

// Window result codes.
inline constexpr int kScanWindowDone = 1;      // the scan ran (completed or cancelled)
inline constexpr int kScanWindowNoEngine = 3;  // a source could not be opened or recognised

class CScanDriver {
public:
    // Makes the engine of a source; may note in source.refusal why it made none.
    using EngineFactory = std::function<std::unique_ptr<IFileRecoveryParse>(ScanSource&, bool professional)>;

    // history may be null (no bookkeeping); factory defaults to opening and probing the
    // source, with the deep scans' bookkeeping in `history`.
    CScanDriver(IScanWindow& window, const ITextSource& texts, CScanHistory* history, EngineFactory factory = {});

    // Scans the sources in order. onFinished runs once all sources are done or the user
    // cancelled (not when a source had no engine). Returns the code the window was closed
    // with, or 0 for an empty list.
    int Run(std::vector<ScanSource>& sources, bool professional, ScanProgressFn progress, void* progressUser,
            const std::function<void()>& onFinished);

    // The stage line for a source.
    std::wstring StageText(const ScanSource& source) const;

private:
    void OfferEarlierScan(IFileRecoveryParse& engine);

    IScanWindow& window_;
    const ITextSource& texts_;
    CScanHistory* history_;
    EngineFactory factory_;
};

// The factory the driver uses by default: opens the source once, probes it and picks the engine.
std::unique_ptr<IFileRecoveryParse> CreateEngineForSource(ScanSource& source, bool professional,
                                                          CScanHistory* history = nullptr);

}  // namespace qm
