// The extension lists that classify found files into groups. Each item is "*." plus a
// lower-case extension, items joined by "|"; tests against a list are substring tests.
#pragma once
#include <string>
#include <string_view>

namespace qm {

inline constexpr const wchar_t* kPhotoList =
    L"*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|*.cr2|*.sr2|*.arw|"
    L"*.srf|*.djvu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|*.x3f|*.orf|*.erf|*.indd|*.pef|"
    L"*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga|*.thm|*.heic|*.heif|*.avif|*.webp|*.cr3|*.rw2";
inline constexpr const wchar_t* kAudioList =
    L"*.mp3|*.wav|*.ape|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|*.amr|*.at3|*.caf|"
    L"*.dss|*.m4r|*.nra|*.snd|*.flac|*.opus|*.aac";
inline constexpr const wchar_t* kDocumentList =
    L"*.doc|*.xls|*.ppt|*.odt|*.ods|*.pdf|*.docx|*.xlsx|*.pptx|*.ole|*.txt|*.xml|*.chm|*.htm|*.html|*.pst|*.dbx|"
    L"*.wps|*.dps|*.et|*.one|*.mpp|*.mdb|*.accdb|*.odp|*.odg|*.epub";
inline constexpr const wchar_t* kVideoList =
    L"*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.m4v|*.3gp|*.dv|*.3g2|*.m4b|*.mkv|*.mts|"
    L"*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|*.hdmov|*.mod|*.mxf|*.lrv|*.webm|*.ogv";
inline constexpr const wchar_t* kArchiveList =
    L"*.zip|*.rar|*.gzip|*.tar|*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";
// What preview converts or extracts to a temporary file.
inline constexpr const wchar_t* kPreviewList =
    L"*.pdf|*.doc|*.dot|*.docx|*.dotx|*.docm|*.dotm|*.rtf|*.odt|*.ppt|*.pptx|*.pptm|*.pps|*.ppsx|*.ppsm|*.odp|"
    L"*.xls|*.xlsx|*.xlsm|*.csv|*.odc|*.vsd|*.vsdm|*.vsdx|*.pub|*.mpp|*.ics|*.vcf|*.msg|*.zip|*.rar|*.gzip|*.tar|"
    L"*.7z|*.cab|*.arj|*.lzh|*.ace|*.gz|*.uue|*.bz2|*.jar|*.iso";

// Whether `list` holds the item "*." + `extension` whole: "fla" is not "flac", "jp" not "jpg".
template <typename Char>
bool ListHasExtension(std::basic_string_view<Char> list, std::basic_string_view<Char> extension) {
    if (extension.empty()) return false;
    for (size_t at = list.find(extension); at != std::basic_string_view<Char>::npos;
         at = list.find(extension, at + 1)) {
        const size_t end = at + extension.size();
        if (at >= 2 && list[at - 2] == Char('*') && list[at - 1] == Char('.') &&
            (end == list.size() || list[end] == Char('|')))
            return true;
    }
    return false;
}

// The five lists joined by "|" in the order photo, audio, document, video, archive, in the
// ANSI code page: what the result store counts as a known type.
inline std::string KnownTypesAnsi() {
    std::string out;
    for (const wchar_t* list : {kPhotoList, kAudioList, kDocumentList, kVideoList, kArchiveList}) {
        if (!out.empty()) out += '|';
        for (const wchar_t* p = list; *p; ++p) out += static_cast<char>(*p);  // the lists are ASCII
    }
    return out;
}

}  // namespace qm
