#include "engines/source_engine.h"

namespace qm {

int OpenAndAttach(ISourceEngine& engine, const SourceLocation& where) {
    Source source;
    if (int rc = OpenSource(where, source); rc != 0) return rc;
    return engine.AttachSource(source);
}

}  // namespace qm
