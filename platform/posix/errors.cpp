#include "platform/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/errno_map.h"
#include "platform/text.h"

namespace qm::platform {

int fromErrno(int e) {
    switch (e) {
        case 0: return 0;
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM: return kErrorAccessDenied;
        case EBADF: return kErrorInvalidHandle;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EROFS: return kErrorWriteProtect;
        case ENOMEDIUM: return kErrorNotReady;
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case EEXIST: return kErrorAlreadyExists;
        case EINVAL:
        case EOVERFLOW: return kErrorInvalidParameter;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG: return kErrorFilenameTooLong;
        case ENOTEMPTY: return kErrorDirNotEmpty;
        case ENOTTY:
        case ENOSYS: return kErrorInvalidFunction;
        case EOPNOTSUPP: return kErrorNotSupported;
        case EPIPE: return kErrorBrokenPipe;
        case EIO:
        case ENXIO: return kErrorIoDevice;
        default: return kErrorInvalidFunction;
    }
}

int lastError() {
    return fromErrno(errno);
}

namespace {

// The errno that stands for a Windows error number, or 0 when none does.
int errnoFor(int code) {
    switch (code) {
        case kErrorInvalidFunction: return ENOSYS;
        case kErrorFileNotFound:
        case kErrorPathNotFound: return ENOENT;
        case kErrorAccessDenied: return EACCES;
        case kErrorInvalidHandle: return EBADF;
        case kErrorNotEnoughMemory: return ENOMEM;
        case kErrorWriteProtect: return EROFS;
        case kErrorNotReady: return ENOMEDIUM;
        case kErrorWriteFault:
        case kErrorReadFault:
        case kErrorIoDevice: return EIO;
        case kErrorSharingViolation: return EBUSY;
        case kErrorNotSupported: return EOPNOTSUPP;
        case kErrorFileExists:
        case kErrorAlreadyExists: return EEXIST;
        case kErrorInvalidParameter: return EINVAL;
        case kErrorBrokenPipe: return EPIPE;
        case kErrorDiskFull: return ENOSPC;
        case kErrorDirNotEmpty: return ENOTEMPTY;
        case kErrorFilenameTooLong: return ENAMETOOLONG;
        default: return 0;
    }
}

}  // namespace

std::wstring errorMessage(int code) {
    // The system's own wording where an errno stands for the number, as other programs here
    // print it; the numbers themselves stay Windows' in reports and exit codes.
    if (code == 0) return L"Success";
    if (const int e = errnoFor(code)) return fromUtf8(std::strerror(e));
    switch (code) {
        case kErrorCrc: return L"Data error (cyclic redundancy check)";
        case kErrorHandleEof: return L"Reached the end of the medium";
        case kErrorInvalidName: return L"Invalid file name";
        case kErrorFileCorrupt: return L"File or folder is corrupted and unreadable";
        case kErrorUnrecognizedVolume: return L"No file system this mode knows was found";
        default: {
            wchar_t text[64];
            std::swprintf(text, 64, L"Error %d", code);
            return text;
        }
    }
}

}  // namespace qm::platform
