// Environment variables of this process.
#pragma once
#include <string>

namespace qm::platform {

void setEnvironment(const std::string& name, const std::wstring& value);

}  // namespace qm::platform
