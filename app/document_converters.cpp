#include "app/document_converters.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "app/module_folder.h"
#include "app/office_automation.h"
#include "app/outside_program.h"
#include "platform/folders.h"
#include "preview/converter_choice.h"
#include "preview/document_text.h"
#include "preview/lister_output.h"
#include "preview/preview_temp_files.h"

namespace qm::app {

namespace {

constexpr int kConversionFailed = 87;
// Bounds on what the spreadsheet walk reads cell by cell over automation.
constexpr long kMaxRows = 500;
constexpr long kMaxColumns = 64;

std::wstring ExtensionOf(const std::wstring& path) {
    const std::wstring name = platform::fileNameOf(path);
    const size_t dot = name.rfind(L'.');
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return extension;
}

// Where the office program is missing or fails, our own reader gives the text.
int OwnText(const std::wstring& source, std::wstring& out) {
    out.clear();
    const int rc = preview::ExtractDocumentText(source, ExtensionOf(source), out);
    if (rc != 0 || out.empty()) {
        out.clear();
        return rc != 0 ? rc : kConversionFailed;
    }
    return 0;
}

// Runs body over an instance of the office program; when it is not installed or anything in
// the conversion fails, our own reader is asked instead.
template <class Body>
int Automate(const wchar_t* progId, const wchar_t* serverExe, const std::wstring& source, std::wstring& out, Body body) {
    out.clear();
    int rc = kConversionFailed;
    {
        OfficeInstance office(progId, serverExe);
        if (office.Application()) {
            try {
                body(office.Application(), out);
                rc = 0;
            } catch (const AutomationError&) {
                rc = kConversionFailed;
            } catch (...) {
                rc = kConversionFailed;
            }
            office.Finish();
        }
    }
    if (rc == 0 && !out.empty()) return 0;
    return OwnText(source, out);
}

std::wstring ProgramFile(const wchar_t* name) {
    std::wstring path = GetModuleFolder() + name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

int CWord::Convert(const std::wstring& source, std::wstring& out) {
    return Automate(L"Word.Application", L"WINWORD.EXE", source, out, [&](const DispatchRef& word, std::wstring& text) {
        word.Put(L"Visible", BoolVariant(false));
        word.Put(L"DisplayAlerts", LongVariant(0));
        const DispatchRef documents = word.GetObject(L"Documents");
        BstrVariant path(source);
        // FileName, ConfirmConversions, ReadOnly, AddToRecentFiles
        const DispatchRef document =
            documents.CallObject(L"Open", {path.get(), BoolVariant(false), BoolVariant(true), BoolVariant(false)});
        try {
            const DispatchRef range = document.CallObject(L"Range", {LongVariant(0), LongVariant(kTextChars)});
            text = range.GetText(L"Text");
        } catch (...) {
            document.Call(L"Close", {LongVariant(0)});
            throw;
        }
        document.Call(L"Close", {LongVariant(0)});  // without saving
        word.Call(L"Quit", {LongVariant(0)});
    });
}

int CExcel::Convert(const std::wstring& source, std::wstring& out) {
    return Automate(L"Excel.Application", L"EXCEL.EXE", source, out, [&](const DispatchRef& excel, std::wstring& text) {
        excel.Put(L"Visible", BoolVariant(false));
        excel.Put(L"DisplayAlerts", BoolVariant(false));
        const DispatchRef workbooks = excel.GetObject(L"Workbooks");
        BstrVariant path(source);
        // FileName, UpdateLinks, ReadOnly
        const DispatchRef workbook = workbooks.CallObject(L"Open", {path.get(), LongVariant(0), BoolVariant(true)});
        try {
            const DispatchRef sheet = workbook.GetObject(L"ActiveSheet");
            const DispatchRef used = sheet.GetObject(L"UsedRange");
            const long rows = std::min(used.GetObject(L"Rows").GetLong(L"Count"), kMaxRows);
            const long columns = std::min(used.GetObject(L"Columns").GetLong(L"Count"), kMaxColumns);
            const DispatchRef cells = sheet.GetObject(L"Cells");
            for (long r = 1; r <= rows; ++r) {
                for (long c = 1; c <= columns; ++c) {
                    if (c > 1) text += L'\t';
                    text += cells.GetObject(L"Item", {LongVariant(r), LongVariant(c)}).GetText(L"Text");
                }
                text += L"\r\n";
            }
        } catch (...) {
            workbook.Call(L"Close", {BoolVariant(false)});
            throw;
        }
        workbook.Call(L"Close", {BoolVariant(false)});
        excel.Call(L"Quit");
    });
}

int CPPT::Convert(const std::wstring& source, std::wstring& out) {
    return Automate(L"PowerPoint.Application", L"POWERPNT.EXE", source, out, [&](const DispatchRef& ppt, std::wstring& text) {
        constexpr long kMsoTrue = -1, kMsoFalse = 0;
        const DispatchRef presentations = ppt.GetObject(L"Presentations");
        BstrVariant path(source);
        // FileName, ReadOnly, Untitled, WithWindow
        const DispatchRef presentation = presentations.CallObject(
            L"Open", {path.get(), LongVariant(kMsoTrue), LongVariant(kMsoFalse), LongVariant(kMsoFalse)});
        try {
            const DispatchRef slides = presentation.GetObject(L"Slides");
            const long slideCount = slides.GetLong(L"Count");
            for (long s = 1; s <= slideCount; ++s) {
                const DispatchRef shapes = slides.CallObject(L"Item", {LongVariant(s)}).GetObject(L"Shapes");
                const long shapeCount = shapes.GetLong(L"Count");
                for (long i = 1; i <= shapeCount; ++i) {
                    const DispatchRef shape = shapes.CallObject(L"Item", {LongVariant(i)});
                    if (shape.GetLong(L"HasTextFrame") != kMsoTrue) continue;
                    text += shape.GetObject(L"TextFrame").GetObject(L"TextRange").GetText(L"Text");
                    text += L"\r\n";
                }
            }
        } catch (...) {
            presentation.Call(L"Close");
            throw;
        }
        presentation.Call(L"Close");
        ppt.Call(L"Quit");
    });
}

int CPDF::Convert(const std::wstring& source, std::wstring& out) {
    out.clear();
    const std::wstring folder = preview::PreviewTempFolder();
    const std::wstring prefix = platform::joinPath(folder, L"pdf");
    const std::wstring page = prefix + L"-000001.png";
    const std::wstring picture = platform::joinPath(folder, L"tmp.jpg");
    const std::wstring tool = ProgramFile(L"tool.exe");
    OutsideRunLimits limits;
    limits.timeoutMs = kTimeoutMs;
    const OutsideRunResult run =
        RunOutsideProgram(tool, QuotedCommandLine(tool, L"\"" + source + L"\" -f 1 -l 1 \"" + prefix + L"\""), limits);
    if (!run.started) return static_cast<int>(ERROR_FILE_NOT_FOUND);
    if (run.timedOut || !platform::pathExists(page)) {
        platform::deleteFile(page);
        return kConversionFailed;
    }
    if (platform::moveFile(page, picture, true) != 0 || !platform::pathExists(picture)) return kConversionFailed;
    out = picture;
    return 0;
}

int CZIP::Convert(const std::wstring& source, std::wstring& out) {
    out.clear();
    const std::wstring lister = ProgramFile(L"Extract.exe");
    OutsideRunLimits limits;
    limits.timeoutMs = kTimeoutMs;
    const OutsideRunResult run = RunOutsideProgram(lister, QuotedCommandLine(lister, L"l \"" + source + L"\""), limits);
    if (!run.started) return static_cast<int>(ERROR_FILE_NOT_FOUND);
    return preview::ListingFromListerOutput(run.output, out) ? 0 : kConversionFailed;
}

std::unique_ptr<CDocumentConverter> CreateConverter(std::wstring_view extension) {
    switch (preview::ConverterFor(extension)) {
        case preview::ConverterKind::Word: return std::make_unique<CWord>();
        case preview::ConverterKind::PowerPoint: return std::make_unique<CPPT>();
        case preview::ConverterKind::Excel: return std::make_unique<CExcel>();
        case preview::ConverterKind::Pdf: return std::make_unique<CPDF>();
        case preview::ConverterKind::Archive: return std::make_unique<CZIP>();
        case preview::ConverterKind::None: break;
    }
    return nullptr;
}

}  // namespace qm::app
