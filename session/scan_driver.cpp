#include "session/scan_driver.h"

#include <cwctype>

#include "engines/resumable_scan.h"
#include "engines/source_engine.h"
#include "platform/folders.h"
#include "results/scan_history.h"
#include "session/engine_factory.h"

namespace qm {

SourceLocation ScanSource::Location() const {
    // An image is scanned whole, or one of its partitions when the area is given.
    if (isImage) return SourceLocation::ImagePartition(imagePath, sourceTag, firstSector, sectorCount);
    return SourceLocation::Partition(diskNumber, firstSector, sectorCount, driveLetter);
}

std::unique_ptr<IFileRecoveryParse> CreateEngineForSource(ScanSource& source, bool professional,
                                                          CScanHistory* history) {
    return CreateEngine(source.Location(), professional, &source.refusal, history);
}

CScanDriver::CScanDriver(IScanWindow& window, const ITextSource& texts, CScanHistory* history, EngineFactory factory)
    : window_(window), texts_(texts), history_(history), factory_(std::move(factory)) {
    if (!factory_) {
        factory_ = [this](ScanSource& source, bool professional) {
            return CreateEngineForSource(source, professional, history_);
        };
    }
}

std::wstring CScanDriver::StageText(const ScanSource& source) const {
    if (source.isImage) return texts_.GetText(L"MSG0703") + L" " + platform::fileNameOf(source.imagePath);
    const wchar_t letter = static_cast<wchar_t>(source.driveLetter);
    const bool alphabetic = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
    if (alphabetic) return FormatWithChar(texts_.GetText(L"MSG0701"), letter);
    return FormatWithNumber(texts_.GetText(L"MSG0702"), source.driveLetter);
}

void CScanDriver::OfferEarlierScan(IFileRecoveryParse& engine) {
    auto* resumable = dynamic_cast<IResumableScan*>(&engine);
    if (!resumable || !resumable->HasResumableScan()) return;
    window_.SetVisible(false);
    if (!window_.AskYesNo(texts_.GetText(L"MSG1206"))) {
        const std::wstring folder = resumable->ResumableFolder();
        resumable->ClearResumableScan();
        if (history_ && !folder.empty()) history_->RemoveFolder(folder);
    }
    window_.SetVisible(true);
}

int CScanDriver::Run(std::vector<ScanSource>& sources, bool professional, ScanProgressFn progress, void* progressUser,
                     const std::function<void()>& onFinished) {
    if (sources.empty()) return 0;
    for (ScanSource& source : sources) {
        window_.SetStageText(StageText(source));
        source.engine.reset();
        source.engine = factory_(source, professional);
        if (!source.engine) {
            // The remaining sources are not scanned; what earlier ones found stays with them.
            window_.Close(kScanWindowNoEngine);
            return kScanWindowNoEngine;
        }
        if (!professional) {
            if (history_) {
                history_->NewFolder();
                // The engine's logs go where this history keeps the new scan.
                std::wstring folder;
                if (history_->CurrentFolder(folder) == 0)
                    if (auto* attached = dynamic_cast<ISourceEngine*>(source.engine.get()))
                        attached->SetLogFolder(folder);
            }
        } else {
            OfferEarlierScan(*source.engine);
        }
        source.engine->SetCallbacks(progress, nullptr, progressUser, 100);
        // Any other result ends this source only; the store keeps what was found.
        source.scanResult = source.engine->Scan(nullptr);
        if (source.scanResult == CancelCode) break;
    }
    if (onFinished) onFinished();
    window_.Close(kScanWindowDone);
    return kScanWindowDone;
}

}  // namespace qm
