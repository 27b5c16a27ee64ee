// The parts of a zip-packaged document (office XML, OpenDocument) and their relationships.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "preview/document_text_parts.h"
#include "ui/core/zip_archive.h"

namespace qm::preview {

// 0, or 13 when the bytes are not a readable zip.
int OpenPackage(Bytes file, ui::ZipArchive& zip);

// A part's bytes; empty when absent or damaged.
std::vector<std::uint8_t> PackagePart(const ui::ZipArchive& zip, const std::wstring& name);

// The relationships of part `source` ("xl/workbook.xml" reads "xl/_rels/workbook.xml.rels"):
// id -> target part name resolved against the source's folder ("xl/worksheets/sheet1.xml").
std::map<std::wstring, std::wstring> PartRelationships(const ui::ZipArchive& zip, const std::wstring& source);

}  // namespace qm::preview
