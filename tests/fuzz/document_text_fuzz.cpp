// Document text: any bytes under any of the readers' extensions must give a result code and at
// most the preview's limit of text, never a crash, a hang or an out-of-bounds read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/folders.h"
#include "preview/document_text.h"
#include "tests/fuzz/fuzz_work_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The last byte picks the reader and the rest is the file, so one corpus of real documents
    // with a byte appended reaches every reader.
    static const wchar_t* const kExtensions[] = {L"docx", L"xlsx", L"pptx", L"odt", L"rtf",
                                                 L"csv",  L"doc",  L"xls",  L"ppt"};
    const wchar_t* extension = kExtensions[data[size - 1] % 9];
    const std::wstring path = qm::platform::joinPath(qm::fuzz::WorkFolder("document_text"), L"input");
    {
        qm::platform::File file;
        if (file.open(path, qm::platform::OpenMode::CreateAlways) != 0) return 0;
        if (qm::platform::writeFully(file, data, size - 1) != 0) return 0;
    }
    std::wstring text;
    const int rc = qm::preview::ExtractDocumentText(path, extension, text);
    if (rc != 0 && !text.empty()) __builtin_trap();
    if (text.size() > qm::preview::kDocumentTextLimit) __builtin_trap();
    return 0;
}
