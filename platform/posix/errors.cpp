#include "platform/errors.h"

#include <cerrno>
#include <cstdio>

#include "platform/posix/errno_map.h"

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

std::wstring errorMessage(int code) {
    // The texts Windows gives for these numbers, so that reports read alike everywhere.
    switch (code) {
        case 0: return L"The operation completed successfully.";
        case kErrorInvalidFunction: return L"Incorrect function.";
        case kErrorFileNotFound: return L"The system cannot find the file specified.";
        case kErrorPathNotFound: return L"The system cannot find the path specified.";
        case kErrorAccessDenied: return L"Access is denied.";
        case kErrorInvalidHandle: return L"The handle is invalid.";
        case kErrorNotEnoughMemory: return L"Not enough memory resources are available to process this command.";
        case kErrorWriteProtect: return L"The media is write protected.";
        case kErrorNotReady: return L"The device is not ready.";
        case kErrorCrc: return L"Data error (cyclic redundancy check).";
        case kErrorWriteFault: return L"The system cannot write to the specified device.";
        case kErrorReadFault: return L"The system cannot read from the specified device.";
        case kErrorSharingViolation:
            return L"The process cannot access the file because it is being used by another process.";
        case kErrorHandleEof: return L"Reached the end of the file.";
        case kErrorNotSupported: return L"The request is not supported.";
        case kErrorFileExists: return L"The file exists.";
        case kErrorInvalidParameter: return L"The parameter is incorrect.";
        case kErrorBrokenPipe: return L"The pipe has been ended.";
        case kErrorDiskFull: return L"There is not enough space on the disk.";
        case kErrorInvalidName: return L"The filename, directory name, or volume label syntax is incorrect.";
        case kErrorDirNotEmpty: return L"The directory is not empty.";
        case kErrorAlreadyExists: return L"Cannot create a file when that file already exists.";
        case kErrorFilenameTooLong: return L"The filename or extension is too long.";
        case kErrorIoDevice: return L"The request could not be performed because of an I/O device error.";
        case kErrorFileCorrupt: return L"The file or directory is corrupted and unreadable.";
        default: {
            wchar_t text[64];
            std::swprintf(text, 64, L"Error %d.", code);
            return text;
        }
    }
}

}  // namespace qm::platform
