// The ordered table that binds each extension to its format code, detector and measure.
// Identification takes the first row whose detector claims a sector.
#pragma once
#include <cstddef>
#include <string_view>

#include "engines/carving/detector.h"

namespace qm {

struct SignatureRow {
    const char* extension;  // narrow, no dot; null in the terminator
    int code;               // FileTypeCode
    const Detector* detector;
    MeasureFn measure;      // null: recognised but not carved
    // The row serves the extension check only. The generic compound-file row stands before
    // the office rows; carving through it would name every Word, Excel and PowerPoint file
    // ".fla", so identification leaves it to the office classification.
    bool extensionCheckOnly;
};

// How many rows the table holds (its terminator not counted); the dispatch index keeps one
// bit per row.
extern const size_t kSignatureRowCount;
inline constexpr size_t kMaxSignatureRows = 128;
// The rows in order, then the terminator (code kTypeNoMatch, no detector).
extern const SignatureRow kSignatureTable[];

// The first row that carries `code`, or -1.
int FirstRowOfCode(int code);
// The first row whose extension equals `extension` ignoring ASCII case, or -1.
int FirstRowOfExtension(std::string_view extension);

}  // namespace qm
