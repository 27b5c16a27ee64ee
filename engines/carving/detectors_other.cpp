#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int DetectPeImage(CarveContext&, ByteView b) {
    if (b.size() < 512 || !HasText(b, 0, "MZ")) return kTypeNoMatch;
    const uint32_t pe = b.u32(60);
    if (pe > 488 || !HasText(b, pe, "PE\x00\x00")) return kTypeNoMatch;
    const uint16_t characteristics = b.u16(pe + 22);
    if ((characteristics & 0x0002) == 0) return kTypeNoMatch;  // not an executable image
    if (characteristics & 0x1000) return kTypeSys;
    if (characteristics & 0x2000) return kTypeDll;
    return kTypeExe;
}

int DetectGhost(CarveContext&, ByteView b) { return b.size() >= 2 && HasText(b, 0, "\xFE\xEF") ? kTypeGho : kTypeNoMatch; }

int DetectSqlite(CarveContext&, ByteView b) {
    return b.size() >= 16 && b.equals(0, "SQLite format 3", 16) ? kTypeDb : kTypeNoMatch;
}

int DetectOutlookStore(CarveContext&, ByteView b) {
    return b.size() >= 16 && HasText(b, 0, "!BDN") && HasText(b, 8, "SM") ? kTypePst : kTypeNoMatch;
}

int DetectOutlookExpress(CarveContext&, ByteView b) {
    return b.size() >= 16 && HasText(b, 0, "\xCF\xAD\x12\xFE") ? kTypeDbx : kTypeNoMatch;
}

}  // namespace

const Detector kPeImageDetector{"PE image", DetectPeImage, {{0, 'M'}}, 1, false};
const Detector kGhostDetector{"Ghost image", DetectGhost, {{0, 0xFE}}, 1, false};
const Detector kSqliteDetector{"SQLite", DetectSqlite, {{0, 'S'}}, 1, false};
const Detector kOutlookStoreDetector{"Outlook store", DetectOutlookStore, {{0, '!'}}, 1, false};
const Detector kOutlookExpressDetector{"Outlook Express store", DetectOutlookExpress, {{0, 0xCF}}, 1, false};

}  // namespace qm
