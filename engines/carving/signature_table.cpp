#include "engines/carving/signature_table.h"

#include <iterator>

#include "engines/carving/byte_search.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;

const SignatureRow kSignatureTable[] = {
    {"mpeg", kTypeMpeg, &kMpegStreamDetector, MeasureMpegPacks, false},
    {"mpg", kTypeMpeg, &kMpegStreamDetector, MeasureMpegPacks, false},
    {"vob", kTypeMpeg, &kMpegStreamDetector, MeasureMpegPacks, false},
    {"heic", kTypeHeic, &kIsoBrandDetector, MeasureIsoBoxes, false},
    {"heif", kTypeHeic, &kIsoBrandDetector, MeasureIsoBoxes, false},
    {"avif", kTypeAvif, &kIsoBrandDetector, MeasureIsoBoxes, false},
    {"cr3", kTypeCr3, &kIsoBrandDetector, MeasureIsoBoxes, false},
    {"m4a", kTypeM4a, &kIsoBrandDetector, MeasureMp4Boxes, false},
    {"m4v", kTypeM4v, &kIsoBrandDetector, MeasureMp4Boxes, false},
    {"mp4", kTypeMp4, &kIsoMediaDetector, MeasureMp4Boxes, false},
    {"rmvb", kTypeRmvb, &kRealMediaDetector, MeasureRealMediaIndex, false},
    {"rm", kTypeRmvb, &kRealMediaDetector, MeasureRealMediaIndex, false},
    {"wmv", kTypeWmv, &kAsfDetector, MeasureAsfFileSize, false},
    {"asf", kTypeWmv, &kAsfDetector, MeasureAsfFileSize, false},
    {"wma", kTypeWmv, &kAsfDetector, MeasureAsfFileSize, false},
    {"swf", kTypeSwf, &kFlashMovieDetector, MeasureFlashMovie, false},
    {"avi", kTypeAvi, &kRiffAviDetector, MeasureRiffAvi, false},
    {"flv", kTypeFlv, &kFlashVideoDetector, MeasureFlvTags, false},
    {"3gp", kType3gp, &kIsoMedia3gpDetector, MeasureIsoBoxes, false},
    {"webm", kTypeWebm, &kWebmDetector, MeasureMatroska, false},
    {"mkv", kTypeMkv, &kMatroskaDetector, MeasureMatroska, false},
    {"ts", kTypeTs, &kTransportStreamDetector, MeasureTransportPackets, false},
    {"mts", kTypeMts, &kAvchdDetector, MeasureTimestampedPackets, false},
    {"mxf", kTypeMxf, &kMxfDetector, MeasureNextHeader6G, false},
    {"mp3", kTypeMp3, &kId3v2Detector, MeasureMp3Frames, false},
    {"mid", kTypeMid, &kMidiDetector, MeasureMidiTracks, false},
    {"ape", kTypeApe, &kMonkeysAudioDetector, MeasureApeTag, false},
    {"wav", kTypeWav, &kRiffWaveDetector, MeasureRiffWave, false},
    {"flac", kTypeFlac, &kFlacDetector, MeasureFlacFrames, false},
    {"ogg", kTypeOgg, &kOggDetector, MeasureOggPages, false},
    {"opus", kTypeOpus, &kOggDetector, MeasureOggPages, false},
    {"ogv", kTypeOgv, &kOggDetector, MeasureOggPages, false},
    {"mov", kTypeMov, &kQuickTimeDetector, MeasureIsoBoxes, false},
    {"mp2", kTypeMp2, &kMpegAudioDetector, MeasureMpegAudioFrames, false},
    {"mp3", kTypeMp3, &kUntaggedMpegAudioDetector, MeasureMp3Frames, false},
    {"aac", kTypeAac, &kAdtsDetector, MeasureAdtsFrames, false},
    {"mmf", kTypeMmf, &kSmafDetector, MeasureNextHeader256M, false},
    {"fla", kTypeFla, &kCompoundFirstFourDetector, MeasureNextHeader256M, true},
    {"gif", kTypeGif, &kGifDetector, MeasureGifBlocks, false},
    {"bmp", kTypeBmp, &kBmpDetector, MeasureBmpLength, false},
    {"dib", kTypeBmp, &kBmpDetector, MeasureBmpLength, false},
    {"jpg", kTypeJpg, &kJpegDetector, MeasureJpegSegments, false},
    {"jpeg", kTypeJpg, &kJpegDetector, MeasureJpegSegments, false},
    {"jpe", kTypeJpg, &kJpegDetector, MeasureJpegSegments, false},
    {"jfif", kTypeJpg, &kJpegDetector, MeasureJpegSegments, false},
    {"png", kTypePng, &kPngDetector, MeasurePngChunks, false},
    {"psd", kTypePsd, &kPhotoshopDetector, MeasurePhotoshopSections, false},
    {"webp", kTypeWebp, &kWebpDetector, MeasureWebpLength, false},
    {"raf", kTypeRaf, &kFujifilmRawDetector, MeasureFujifilmRawLength, false},
    {"cr2", kTypeCr2, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"nef", kTypeNef, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"nrw", kTypeNrw, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"arw", kTypeArw, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"sr2", kTypeSr2, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"dng", kTypeDng, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"orf", kTypeOrf, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"rw2", kTypeRw2, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"pef", kTypePef, &kCameraRawDetector, MeasureCameraRawExtent, false},
    {"tif", kTypeTif, &kTiffDetector, MeasureTiffExtent, false},
    {"tiff", kTypeTif, &kTiffDetector, MeasureTiffExtent, false},
    {"ico", kTypeIco, &kIconDetector, MeasureIconExtent, false},
    {"doc", kTypeDoc, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"dot", kTypeDoc, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"wps", kTypeDoc, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"wpt", kTypeDoc, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"xls", kTypeXls, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"xlt", kTypeXls, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"xla", kTypeXls, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"et", kTypeXls, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"ett", kTypeXls, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"ppt", kTypePpt, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"pot", kTypePpt, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"pps", kTypePpt, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"dps", kTypePpt, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"dpt", kTypePpt, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"ole", kTypeOle, &kCompoundFileDetector, MeasureCompoundFile, false},
    {"epub", kTypeEpub, &kPackageMimetypeDetector, MeasureZipEnd4G, false},
    {"odt", kTypeOdt, &kPackageMimetypeDetector, MeasureZipEnd4G, false},
    {"ods", kTypeOds, &kPackageMimetypeDetector, MeasureZipEnd4G, false},
    {"odp", kTypeOdp, &kPackageMimetypeDetector, MeasureZipEnd4G, false},
    {"odg", kTypeOdg, &kPackageMimetypeDetector, MeasureZipEnd4G, false},
    {"docx", kTypeDocx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"docm", kTypeDocx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"dotm", kTypeDocx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"dotx", kTypeDocx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xlsx", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xlsb", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xlsm", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xlsx", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xlam", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xltx", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"xltm", kTypeXlsx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"pptx", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"pptm", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"potx", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"potm", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"ppsx", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"ppsm", kTypePptx, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"mso07", kTypeMso07, &kOoxmlDetector, MeasureZipEndPackage, false},
    {"pdf", kTypePdf, &kPdfDetector, MeasurePdfEnd, false},
    {"gz", kTypeGz, &kGzipDetector, MeasureGzipMembers, false},
    {"gzip", kTypeGz, &kGzipDetector, MeasureGzipMembers, false},
    {"bz2", kTypeBz2, &kBzip2Detector, MeasureBzip2Streams, false},
    {"7z", kType7z, &k7zDetector, Measure7zHeaders, false},
    {"zip", kTypeZip, &kZipDetector, MeasureZipEnd4G, false},
    {"rar", kTypeRar, &kRarDetector, MeasureRarBlocks, false},
    {"cab", kTypeCab, &kCabinetDetector, MeasureCabinetLength, false},
    {"exe", kTypeExe, &kPeImageDetector, nullptr, false},
    {"dll", kTypeDll, &kPeImageDetector, nullptr, false},
    {"sys", kTypeSys, &kPeImageDetector, nullptr, false},
    {"gho", kTypeGho, &kGhostDetector, nullptr, false},
    {"db", kTypeDb, &kSqliteDetector, MeasureSqlitePages, false},
    {"dbx", kTypeDbx, &kOutlookExpressDetector, MeasureNextHeader2G, false},
    {"pst", kTypePst, &kOutlookStoreDetector, MeasureNextHeader2G, false},
    {"fla", kTypeFla, &kCompoundFirstFourDetector, MeasureNextHeader256M, false},
    {"ttf", kTypeTtf, &kTrueTypeDetector, MeasureFontExtent, false},
    {"otf", kTypeOtf, &kOpenTypeDetector, MeasureFontExtent, false},
    {"ico", kTypeIco, &kIconDetector, MeasureIconExtent, false},
    {nullptr, kTypeNoMatch, nullptr, nullptr, false},
};

const size_t kSignatureRowCount = std::size(kSignatureTable) - 1;
static_assert(std::size(kSignatureTable) - 1 <= kMaxSignatureRows, "the dispatch index holds 128 rows");

int FirstRowOfCode(int code) {
    for (size_t i = 0; i < kSignatureRowCount; ++i)
        if (kSignatureTable[i].code == code) return static_cast<int>(i);
    return -1;
}

int FirstRowOfExtension(std::string_view extension) {
    for (size_t i = 0; i < kSignatureRowCount; ++i) {
        const std::string_view name = kSignatureTable[i].extension;
        if (name.size() == extension.size() &&
            EqualsIgnoreCase(reinterpret_cast<const uint8_t*>(extension.data()), name.data(), name.size()))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace qm
