// Shared by the PDF reader tests: sample files and small hand-written documents.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/pdf_render/pdf_page_model.h"

namespace qm::pdf::test {

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> sample(const std::string& name) {
    return readFile(std::string(QM_SOURCE_DIR) + "/tests/data/samples/pdf/" + name);
}

// A document of the given objects ("<<...>>" bodies, numbered from 1) with a correct xref table;
// object 1 is the catalog.
inline std::vector<uint8_t> makePdf(const std::vector<std::string>& objects) {
    std::string out = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        const std::string number = std::to_string(offset);
        out += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return std::vector<uint8_t>(out.begin(), out.end());
}

// A one-page document showing `content` with Helvetica as /F1.
inline std::vector<uint8_t> makeTextPdf(const std::string& content, const std::string& contentDictExtra = "") {
    return makePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                    "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 600 800] >>",
                    "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
                    "<< /Length " + std::to_string(content.size()) + contentDictExtra + " >>\nstream\n" + content +
                        "\nendstream",
                    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>"});
}

inline const TextRun* findRun(const PageModel& model, const std::wstring& part) {
    for (const TextRun& run : model.runs)
        if (run.text.find(part) != std::wstring::npos) return &run;
    return nullptr;
}

}  // namespace qm::pdf::test
