// An engine that reads a source someone else opened: the front end opens a source once and
// hands it to every engine of the scan.
#pragma once
#include "disk/source.h"

namespace qm {

class ISourceEngine {
public:
    virtual ~ISourceEngine() = default;
    // Reads through the source's reader from now on. 0, or a Windows error number when the
    // engine cannot use what the source holds.
    virtual int AttachSource(const Source& source) = 0;
    // Where the engine keeps its scan logs; empty means the scan history's current folder.
    virtual void SetLogFolder(const std::wstring& folder) { (void)folder; }
    // Set by the deep scan for the fast engine it runs as its first pass.
    virtual void SetCoordinated(bool coordinated) { (void)coordinated; }
    // Writes what was found so far to the scan logs.
    virtual void FlushStore() {}
};

// The engine slots that name a source by path or disk: opens it and attaches it.
int OpenAndAttach(ISourceEngine& engine, const SourceLocation& where);

}  // namespace qm
