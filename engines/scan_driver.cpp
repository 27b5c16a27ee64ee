#include "engines/scan_driver.h"

#include <cwctype>

#include "engines/engine_factory.h"
#include "engines/resumable_scan.h"
#include "platform/folders.h"
#include "results/scan_history.h"

namespace qm {

std::unique_ptr<IFileRecoveryParse> CreateEngineForSource(const ScanSource& source, bool professional) {
    if (source.isImage) return CreateEngineForImage(source.imagePath, source.sourceTag, professional ? 1 : 0);
    return CreateEngineForPartition(source.diskNumber, source.firstSector, source.sectorCount, source.driveLetter,
                                    professional ? 1 : 0);
}

CScanDriver::CScanDriver(IScanWindow& window, const ITextSource& texts, CScanHistory* history, EngineFactory factory)
    : window_(window), texts_(texts), history_(history), factory_(std::move(factory)) {
    if (!factory_) factory_ = CreateEngineForSource;
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

int CScanDriver::Run(std::vector<ScanSource>& sources, bool professional, ScanProgressFn progress,
                     void* progressUser, const std::function<void()>& onFinished) {
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
            if (history_) history_->NewFolder();
        } else {
            OfferEarlierScan(*source.engine);
        }
        source.engine->SetCallbacks(progress, nullptr, progressUser, 100);
        // Any other result ends this source only; the store keeps what was found.
        if (source.engine->Scan(nullptr) == CancelCode) break;
    }
    if (onFinished) onFinished();
    window_.Close(kScanWindowDone);
    return kScanWindowDone;
}

}  // namespace qm
