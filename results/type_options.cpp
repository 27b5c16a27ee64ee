#include "results/type_options.h"

#include "results/type_classification.h"

namespace qm {

const wchar_t* const kFileTypeHint =
    L"If you only want to recover jpg files, make sure you select jpg only. "
    L"This will greatly improve the searching performance.";

namespace {

std::vector<TypeGroup> makeGroups() {
    return {
        {L"FileTypePhoto",
         L"Photo File Type",
         {
             {L"Bitmap (.bmp)", L"bmp"},
             {L"Gif Graphics Files (.gif)", L"gif"},
             {L"JPG/JPEG (.jpg .jpeg)", L"jpg|jpeg"},
             {L"PNG Graphics Files (.png)", L"png"},
             {L"Adobe Photoshop (.psd)", L"psd"},
             {L"TIFF Graphics Files (.tif .tiff)", L"tif|tiff"},
             {L"Paintbrush Files (.pcx .scr)", L"pcx|scr"},
             {L"ICON File (.ico)", L"ico"},
             {L"Nikon (.nef)", L"nef"},
             {L"Nikon (.nrw)", L"nrw"},
             {L"Canon (.crw)", L"crw"},
             {L"Canon (.cr2)", L"cr2"},
             {L"Sony (.sr2)", L"sr2"},
             {L"Sony (.arw)", L"arw"},
             {L"Sony (.srf)", L"srf"},
             {L"DjVu Files (.djvu)", L"djvu"},
             {L"Portable Graymap (.pgm)", L"pgm"},
             {L"Kodak (.k25)", L"k25"},
             {L"Kodak (.kdc)", L"kdc"},
             {L"Kodak (.dcr)", L"dcr"},
             {L"Fujifilm (.raf)", L"raf"},
             {L"IFF Graphics Files (.iff)", L"iff"},
             {L"Portable Bitmap (.pbm)", L"pbm"},
             {L"Mamiya (.mef)", L"mef"},
             {L"JPEG 2000 (.jp2)", L"jp2"},
             {L"Leaf (.mos)", L"mos"},
             {L"Sigma (.x3f)", L"x3f"},
             {L"Olympus (.orf)", L"orf"},
             {L"Epson (.erf)", L"erf"},
             {L"InDesign Files (.indd)", L"indd"},
             {L"Pentax (.pef)", L"pef"},
             {L"Paint Shop Pro (.psp)", L"psp"},
             {L"Minolta (.mrw)", L"mrw"},
             {L"DNG Photo Files (.dng)", L"dng"},
             {L"RAW Photo Files (.raw)", L"raw"},
             {L"PICT Files (.pct)", L"pct"},
             {L"Targa (.tga)", L"tga"},
             {L"Thumbnail Files (.thm)", L"thm"},
             {L"HEIF Photos (.heic .heif)", L"heic|heif"},
             {L"AVIF Images (.avif)", L"avif"},
             {L"WebP Images (.webp)", L"webp"},
             {L"Canon CR3 (.cr3)", L"cr3"},
             {L"Panasonic RAW (.rw2)", L"rw2"},
         }},
        {L"FileTypeAudio",
         L"Audio File Type",
         {
             {L"MP3 Audio (.mp3)", L"mp3"},
             {L"Wave Audio (.wav)", L"wav"},
             {L"AIFF Audio (.aiff)", L"aiff"},
             {L"RPS Files (.rps)", L"rps"},
             {L"MIDI (.mid .midi)", L"mid|midi"},
             {L"MPEG-4 Audio (.m4a .m4p)", L"m4a|m4p"},
             {L"Sun Audio (.au)", L"au"},
             {L"Ogg Vorbis (.ogg)", L"ogg"},
             {L"Windows Media Audio (.wma)", L"wma"},
             {L"RealMedia (.rm)", L"rm"},
             {L"RealAudio (.ra)", L"ra"},
             {L"ACID Files (.acd)", L"acd"},
             {L"AMR Audio (.amr)", L"amr"},
             {L"ATRAC3 Audio (.at3)", L"at3"},
             {L"Core Audio (.caf)", L"caf"},
             {L"Digital Speech (.dss)", L"dss"},
             {L"Ringtone (.m4r)", L"m4r"},
             {L"NRA Files (.nra)", L"nra"},
             {L"Sound Files (.snd)", L"snd"},
             {L"FLAC Audio (.flac)", L"flac"},
             {L"Opus Audio (.opus)", L"opus"},
             {L"AAC Audio (.aac)", L"aac"},
         }},
        {L"FileTypeVideo",
         L"Video File Type",
         {
             {L"RealMedia VBR (.rmvb)", L"rmvb"},
             {L"RealMedia (.rm)", L"rm"},
             {L"MPEG Video (.mpeg)", L"mpeg"},
             {L"QuickTime (.mov)", L"mov"},
             {L"AVI Video (.avi)", L"avi"},
             {L"Windows Media Video (.wmv)", L"wmv"},
             {L"Advanced Systems Format (.asf)", L"asf"},
             {L"MPEG-4 Video (.mp4)", L"mp4"},
             {L"MPEG-4 Video (.m4v)", L"m4v"},
             {L"3GPP Video (.3gp)", L"3gp"},
             {L"Digital Video (.dv)", L"dv"},
             {L"3GPP2 Video (.3g2)", L"3g2"},
             {L"MPEG-4 Book (.m4b)", L"m4b"},
             {L"Matroska (.mkv)", L"mkv"},
             {L"AVCHD Video (.mts)", L"mts"},
             {L"DivX Video (.divx)", L"divx"},
             {L"Ogg Media (.ogm)", L"ogm"},
             {L"MOI Files (.moi)", L"moi"},
             {L"DVD Video (.vob)", L"vob"},
             {L"AJP Files (.ajp)", L"ajp"},
             {L"Flash MP4 Video (.f4v)", L"f4v"},
             {L"MQV Files (.mqv)", L"mqv"},
             {L"SVI Files (.svi)", L"svi"},
             {L"VID Files (.vid)", L"vid"},
             {L"TOD Files (.tod)", L"tod"},
             {L"HD Movie (.hdmov)", L"hdmov"},
             {L"MOD Files (.mod)", L"mod"},
             {L"MXF Files (.mxf)", L"mxf"},
             {L"LRV Files (.lrv)", L"lrv"},
             {L"WebM Video (.webm)", L"webm"},
             {L"Ogg Video (.ogv)", L"ogv"},
         }},
        {L"FileTypeOffice",
         L"Office File Type",
         {
             {L"Documents (.doc .docx)", L"doc|docx"},
             {L"Spreadsheets (.xls .xlsx)", L"xls|xlsx"},
             {L"Presentations (.ppt .pptx)", L"ppt|pptx"},
             {L"Text Files (.txt)", L"txt"},
             {L"PDF Files (.pdf)", L"pdf"},
             {L"XML Files (.xml)", L"xml"},
             {L"Web Pages (.html .htm)", L"html|htm"},
             {L"Compiled Help (.chm)", L"chm"},
             {L"OpenDocument Spreadsheet (.ods)", L"ods"},
             {L"OLE Files (.ole)", L"ole"},
             {L"OpenDocument Text (.odt)", L"odt"},
             {L"Mail Store (.pst)", L"pst"},
             {L"Mail Folders (.dbx)", L"dbx"},
             {L"WPS Documents (.wps)", L"wps"},
             {L"DPS Presentations (.dps)", L"dps"},
             {L"ET Spreadsheets (.et)", L"et"},
             {L"Notebooks (.one)", L"one"},
             {L"Project Files (.mpp)", L"mpp"},
             {L"Databases (.mdb)", L"mdb"},
             {L"Mail Store (.pst)", L"pst"},
             {L"Databases (.accdb)", L"accdb"},
             {L"OpenDocument Slides (.odp)", L"odp"},
             {L"OpenDocument Drawings (.odg)", L"odg"},
             {L"E-books (.epub)", L"epub"},
         }},
        {L"FileTypeZip",
         L"Archive File Type",
         {
             {L"ZIP Archives (.zip)", L"zip"},
             {L"RAR Archives (.rar)", L"rar"},
             {L"TAR Archives (.tar)", L"tar"},
             {L"GZIP Archives (.gzip)", L"gzip"},
             {L"7z Archives (.7z)", L"7z"},
             {L"Cabinet Files (.cab)", L"cab"},
             {L"ARJ Archives (.arj)", L"arj"},
             {L"LZH Archives (.lzh)", L"lzh"},
             {L"ACE Archives (.ace)", L"ace"},
             {L"GZ Archives (.gz)", L"gz"},
             {L"UUE Files (.uue)", L"uue"},
             {L"BZIP2 Archives (.bz2)", L"bz2"},
             {L"Java Archives (.jar)", L"jar"},
             {L"Disc Images (.iso)", L"iso"},
         }},
        {L"FileTypeOther",
         L"Other File Type",
         {
             {L"Other Files (.*)", L"other"},
         }},
    };
}

}  // namespace

const std::vector<TypeGroup>& TypeGroups() {
    static const std::vector<TypeGroup> groups = makeGroups();
    return groups;
}

std::vector<std::wstring> SplitUserdata(std::wstring_view userdata) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= userdata.size()) {
        size_t end = userdata.find(L'|', start);
        if (end == std::wstring_view::npos) end = userdata.size();
        if (end > start) parts.emplace_back(userdata.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

void SelectedExtensions::tick(TypeOptionId option, std::wstring_view userdata) {
    untick(option);  // a second tick of the same option replaces its extensions
    std::vector<std::wstring> parts = SplitUserdata(LowerAscii(std::wstring(userdata)));
    for (const std::wstring& extension : parts) byExtension_[extension] = option;
    ticked_[option] = std::move(parts);
}

void SelectedExtensions::untick(TypeOptionId option) {
    auto it = ticked_.find(option);
    if (it == ticked_.end()) return;
    const std::vector<std::wstring> parts = std::move(it->second);
    ticked_.erase(it);
    for (const std::wstring& extension : parts) {
        auto chosen = byExtension_.find(extension);
        if (chosen == byExtension_.end() || chosen->second != option) continue;
        // Hand the extension to another ticked option that carries it, if any.
        TypeOptionId heir = nullptr;
        bool found = false;
        for (const auto& [other, otherParts] : ticked_) {
            for (const std::wstring& part : otherParts) {
                if (part == extension) {
                    heir = other;
                    found = true;
                    break;
                }
            }
            if (found) break;
        }
        if (found) {
            chosen->second = heir;
        } else {
            byExtension_.erase(chosen);
        }
    }
}

void SelectedExtensions::clear() {
    byExtension_.clear();
    ticked_.clear();
}

void TickGroup(SelectedExtensions& selection, const TypeGroup& group) {
    for (const TypeOption& option : group.options) selection.tick(&option, option.userdata);
}

}  // namespace qm
