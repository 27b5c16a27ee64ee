// EPUB books and OpenDocument files are ZIP archives whose first entry, stored uncompressed
// and named "mimetype", holds the package's media type; reading it tells them from other ZIPs.
#include <string_view>

#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int KindOf(std::string_view type) {
    if (type == "application/epub+zip") return kTypeEpub;
    constexpr std::string_view kOpenDocument = "application/vnd.oasis.opendocument.";
    if (type.substr(0, kOpenDocument.size()) != kOpenDocument) return kTypeNoMatch;
    std::string_view kind = type.substr(kOpenDocument.size());
    constexpr std::string_view kTemplate = "-template";
    if (kind.size() > kTemplate.size() && kind.substr(kind.size() - kTemplate.size()) == kTemplate)
        kind.remove_suffix(kTemplate.size());
    if (kind == "text") return kTypeOdt;
    if (kind == "spreadsheet") return kTypeOds;
    if (kind == "presentation") return kTypeOdp;
    if (kind == "graphics") return kTypeOdg;
    return kTypeNoMatch;
}

int DetectPackageMimetype(CarveContext&, ByteView b) {
    if (!HasText(b, 0, "PK\x03\x04") || !HasText(b, 30, "mimetype")) return kTypeNoMatch;
    const uint16_t method = b.u16(8);
    const uint32_t size = b.u32(18);
    if (method != 0 || b.u32(22) != size || b.u16(26) != 8 || size > 128) return kTypeNoMatch;
    const size_t dataAt = 38 + static_cast<size_t>(b.u16(28));
    if (!b.has(dataAt, size)) return kTypeNoMatch;
    return KindOf(std::string_view(reinterpret_cast<const char*>(b.data() + dataAt), size));
}

}  // namespace

const Detector kPackageMimetypeDetector{"package mimetype", DetectPackageMimetype, {{30, 'm'}}, 1, false};

}  // namespace qm
