#include <cstdlib>

#include "platform/environment.h"
#include "platform/text.h"

namespace qm::platform {

void setEnvironment(const std::string& name, const std::wstring& value) {
    _wputenv_s(fromUtf8(name).c_str(), value.c_str());
}

}  // namespace qm::platform
