#include "preview/converter_choice.h"

#include "preview/preview_kind.h"

namespace qm::preview {

ConverterKind ConverterFor(std::wstring_view extension) {
    struct Choice {
        const wchar_t* list;
        ConverterKind kind;
    };
    static constexpr Choice kOrder[] = {
        {L"*.doc|*.dot|*.docx|*.dotx|*.docm|*.dotm|*.rtf|*.odt", ConverterKind::Word},
        {L"*.ppt|*.pptx|*.pptm|*.pps|*.ppsx|*.ppsm|*.odp", ConverterKind::PowerPoint},
        {L"*.xls|*.xlsx|*.xlsm|*.csv|*.odc|*.vsd|*.vsdm|*.vsdx|*.pub|*.mpp|*.ics|*.vcf|*.msg", ConverterKind::Excel},
        {L"*.pdf", ConverterKind::Pdf},
        {L"*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso", ConverterKind::Archive},
    };
    for (const Choice& choice : kOrder)
        if (InExtensionList(choice.list, extension)) return choice.kind;
    return ConverterKind::None;
}

}  // namespace qm::preview
