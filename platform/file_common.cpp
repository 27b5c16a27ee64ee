#include <algorithm>

#include "platform/errors.h"
#include "platform/file.h"

namespace qm::platform {

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

int readFully(File& file, void* buffer, size_t length, size_t& got) {
    got = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (got < length) {
        const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(length - got, 1u << 30));
        uint32_t n = 0;
        if (int rc = file.read(out + got, piece, n); rc != 0) return rc;
        if (n == 0) return kErrorHandleEof;
        got += n;
    }
    return 0;
}

int writeFully(File& file, const void* buffer, size_t length) {
    size_t done = 0;
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (done < length) {
        const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(length - done, 1u << 30));
        uint32_t n = 0;
        if (int rc = file.write(in + done, piece, n); rc != 0) return rc;
        if (n == 0) return kErrorWriteFault;
        done += n;
    }
    return 0;
}

namespace {
OpenObserver g_openObserver = nullptr;
void* g_openObserverUser = nullptr;
}  // namespace

void setOpenObserver(OpenObserver observer, void* user) {
    g_openObserver = observer;
    g_openObserverUser = user;
}

void notifyOpen(const std::wstring& path) {
    if (g_openObserver) g_openObserver(path, g_openObserverUser);
}

}  // namespace qm::platform
