#pragma once

namespace kdx {

/// The Win32 error codes the program looks at or hands out. The platform areas answer with
/// these codes on every platform, so that the simulated machine fails as Windows does.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorPathNotFound = 3;
inline constexpr long kErrorTooManyOpenFiles = 4;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorNotEnoughMemory = 8;
inline constexpr long kErrorReadFault = 30;
inline constexpr long kErrorSharingViolation = 32;
inline constexpr long kErrorLockViolation = 33;
inline constexpr long kErrorHandleEof = 38;
inline constexpr long kErrorHandleDiskFull = 39;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorDiskFull = 112;
inline constexpr long kErrorCallNotImplemented = 120;
inline constexpr long kErrorInsufficientBuffer = 122;
inline constexpr long kErrorInvalidName = 123;
inline constexpr long kErrorInvalidLevel = 124;
inline constexpr long kErrorModNotFound = 126;
inline constexpr long kErrorBadPathname = 161;
inline constexpr long kErrorAlreadyExists = 183;
inline constexpr long kErrorBadExeFormat = 193;
inline constexpr long kErrorFilenameExcedRange = 206;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorMrMidNotFound = 317;
inline constexpr long kErrorNoToken = 1008;
inline constexpr long kErrorServiceDoesNotExist = 1060;
inline constexpr long kErrorNotAllAssigned = 1300;
inline constexpr long kErrorNoSuchPrivilege = 1313;
inline constexpr long kErrorEventlogFileChanged = 1503;
inline constexpr long kErrorRpcServerUnavailable = 1722;
inline constexpr long kErrorResourceTypeNotFound = 1813;

}  // namespace kdx
