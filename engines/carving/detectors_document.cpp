#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/office_classification.h"
#include "engines/carving/package_classification.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int DetectCompoundFirstFour(CarveContext&, ByteView b) {
    return b.size() >= 16 && HasText(b, 0, "\xD0\xCF\x11\xE0") ? kTypeFla : kTypeNoMatch;
}

int DetectCompoundFile(CarveContext& ctx, ByteView b) {
    if (b.size() < 8 || !HasText(b, 0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return kTypeNoMatch;
    return ClassifyCompoundFile(ctx, b);
}

int DetectOoxml(CarveContext& ctx, ByteView b) {
    if (b.size() < 31) return kTypeNoMatch;
    if (!HasText(b, 0, "PK\x03\x04") && !HasText(b, 31, "[Content_Types].xml")) return kTypeNoMatch;
    return ClassifyPackage(ctx, b);
}

int DetectPdf(CarveContext&, ByteView b) { return b.size() >= 5 && HasText(b, 0, "%PDF-") ? kTypePdf : kTypeNoMatch; }

}  // namespace

const Detector kCompoundFirstFourDetector{"compound-file first four bytes", DetectCompoundFirstFour, {{0, 0xD0}}, 1,
                                          false};
const Detector kCompoundFileDetector{"compound file", DetectCompoundFile, {{0, 0xD0}}, 1, true};
const Detector kOoxmlDetector{"OOXML package", DetectOoxml, {{0, 'P'}, {31, '['}}, 2, true};
const Detector kPdfDetector{"PDF", DetectPdf, {{0, '%'}}, 1, false};

}  // namespace qm
