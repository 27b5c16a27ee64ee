// Windows error numbers are the error vocabulary of the whole program, on every platform.
#pragma once
#include <string>

namespace qm {

enum : int {
    kOk = 0,
    kErrorInvalidFunction = 1,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorWriteProtect = 19,
    kErrorNotReady = 21,
    kErrorCrc = 23,
    kErrorWriteFault = 29,
    kErrorReadFault = 30,
    kErrorSharingViolation = 32,
    kErrorHandleEof = 38,
    kErrorNotSupported = 50,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorBrokenPipe = 109,
    kErrorDiskFull = 112,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorFilenameTooLong = 206,
    kErrorUnrecognizedVolume = 1005,
    kErrorIoDevice = 1117,
    kErrorFileCorrupt = 1392,
};

namespace platform {

// The error of the last failed platform call on this thread, as a Windows error number.
int lastError();

// The system's message text for a Windows error number, without a trailing line break.
std::wstring errorMessage(int code);

}  // namespace platform
}  // namespace qm
