#pragma once

namespace qm::platform {
// Maps an errno value to the Windows error number of the same meaning.
int fromErrno(int e);
}
