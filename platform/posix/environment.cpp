#include <cstdlib>

#include "platform/environment.h"
#include "platform/text.h"

namespace qm::platform {

void setEnvironment(const std::string& name, const std::wstring& value) {
    ::setenv(name.c_str(), toUtf8(value).c_str(), 1);
}

}  // namespace qm::platform
