#pragma once

#include <array>

// The members of machine.json's objects, one namespace an object: its reader accepts these
// names and no others (kAll), and its writer writes by the same names, so the two cannot come
// to spell one differently.
namespace kdx::machine_json::members {

namespace machine {
inline constexpr const char* kWindowsDirectory = "windowsDirectory";
inline constexpr const char* kSystemDirectory = "systemDirectory";
inline constexpr const char* kVersion = "version";
inline constexpr const char* kArchitecture = "architecture";
inline constexpr const char* kUserName = "userName";
inline constexpr const char* kThreadToken = "threadToken";
inline constexpr const char* kProcessToken = "processToken";
inline constexpr const char* kEnvironment = "environment";
inline constexpr const char* kLocalTime = "localTime";
inline constexpr const char* kLocale = "locale";
inline constexpr const char* kUtcOffsetMinutes = "utcOffsetMinutes";
inline constexpr const char* kUserLanguage = "userLanguage";
inline constexpr const char* kMessages = "messages";
inline constexpr const char* kRegistryAccess = "registryAccess";
inline constexpr const char* kReportFile = "reportFile";
inline constexpr const char* kMemory = "memory";
inline constexpr const char* kDrives = "drives";
inline constexpr const char* kServices = "services";
inline constexpr const char* kProcesses = "processes";
inline constexpr const char* kMutexes = "mutexes";
inline constexpr const char* kShutdownPrivilege = "shutdownPrivilege";
inline constexpr const char* kSpooler = "spooler";
inline constexpr const char* kFiles = "files";
// clang-format off
inline constexpr std::array kAll = {
    kWindowsDirectory, kSystemDirectory, kVersion, kArchitecture, kUserName, kThreadToken,
    kProcessToken, kEnvironment, kLocalTime, kLocale, kUtcOffsetMinutes, kUserLanguage,
    kMessages, kRegistryAccess, kReportFile, kMemory, kDrives, kServices, kProcesses, kMutexes,
    kShutdownPrivilege, kSpooler, kFiles};
// clang-format on
inline constexpr std::array kRequired = {kWindowsDirectory, kSystemDirectory, kVersion};
}  // namespace machine

namespace version {
inline constexpr const char* kMajor = "major";
inline constexpr const char* kMinor = "minor";
inline constexpr const char* kBuild = "build";
inline constexpr const char* kPlatformId = "platformId";
inline constexpr const char* kServicePack = "servicePack";
inline constexpr std::array kAll = {kMajor, kMinor, kBuild, kPlatformId, kServicePack};
}  // namespace version

namespace token {
inline constexpr const char* kGroups = "groups";
inline constexpr const char* kError = "error";
inline constexpr const char* kGroupQueryFails = "groupQueryFails";
inline constexpr std::array kAll = {kGroups, kError, kGroupQueryFails};
}  // namespace token

namespace locale {
inline constexpr const char* kShortDate = "shortDate";
inline constexpr const char* kLongTime = "longTime";
inline constexpr const char* kTimeSeparator = "timeSeparator";
inline constexpr std::array kAll = {kShortDate, kLongTime, kTimeSeparator};
}  // namespace locale

namespace file {
inline constexpr const char* kLastWrite = "lastWrite";
inline constexpr const char* kAttributes = "attributes";
inline constexpr const char* kOpenError = "openError";
inline constexpr const char* kSize = "size";
inline constexpr const char* kVersionInfo = "versionInfo";
inline constexpr std::array kAll = {kLastWrite, kAttributes, kOpenError, kSize, kVersionInfo};
}  // namespace file

namespace report_file {
inline constexpr const char* kFailAfterBytes = "failAfterBytes";
inline constexpr const char* kErrorCode = "errorCode";
inline constexpr const char* kFailures = "failures";
inline constexpr std::array kAll = {kFailAfterBytes, kErrorCode, kFailures};
}  // namespace report_file

namespace memory {
inline constexpr const char* kTotalPhys = "totalPhys";
inline constexpr const char* kAvailPhys = "availPhys";
inline constexpr const char* kTotalPageFile = "totalPageFile";
inline constexpr const char* kAvailPageFile = "availPageFile";
inline constexpr std::array kAll = {kTotalPhys, kAvailPhys, kTotalPageFile, kAvailPageFile};
}  // namespace memory

namespace space {
inline constexpr const char* kFreeAvailable = "freeAvailable";
inline constexpr const char* kTotal = "total";
inline constexpr const char* kTotalFree = "totalFree";
inline constexpr std::array kAll = {kFreeAvailable, kTotal, kTotalFree};
}  // namespace space

namespace clusters {
inline constexpr const char* kSectorsPerCluster = "sectorsPerCluster";
inline constexpr const char* kBytesPerSector = "bytesPerSector";
inline constexpr const char* kFreeClusters = "freeClusters";
inline constexpr const char* kTotalClusters = "totalClusters";
inline constexpr std::array kAll = {kSectorsPerCluster, kBytesPerSector, kFreeClusters,
                                    kTotalClusters};
}  // namespace clusters

namespace drive {
inline constexpr const char* kType = "type";
inline constexpr const char* kSpace = "space";
inline constexpr const char* kClusters = "clusters";
inline constexpr std::array kAll = {kType, kSpace, kClusters};
}  // namespace drive

namespace drives {
inline constexpr const char* kRoots = "roots";
inline constexpr const char* kMask = "mask";
inline constexpr const char* kDiskFreeSpaceEx = "diskFreeSpaceEx";
inline constexpr std::array kAll = {kRoots, kMask, kDiskFreeSpaceEx};
}  // namespace drives

namespace service {
inline constexpr const char* kName = "name";
inline constexpr const char* kDisplayName = "displayName";
inline constexpr const char* kState = "state";
inline constexpr const char* kAccess = "access";
inline constexpr const char* kQueryError = "queryError";
inline constexpr std::array kAll = {kName, kDisplayName, kState, kAccess, kQueryError};
}  // namespace service

namespace services {
inline constexpr const char* kManagerAccess = "managerAccess";
inline constexpr const char* kEnumError = "enumError";
inline constexpr const char* kList = "list";
inline constexpr std::array kAll = {kManagerAccess, kEnumError, kList};
}  // namespace services

namespace process {
inline constexpr const char* kId = "id";
inline constexpr const char* kPath = "path";
inline constexpr const char* kOpenError = "openError";
inline constexpr const char* kModulesError = "modulesError";
inline constexpr const char* kPathError = "pathError";
inline constexpr std::array kAll = {kId, kPath, kOpenError, kModulesError, kPathError};
}  // namespace process

namespace processes {
inline constexpr const char* kList = "list";
inline constexpr const char* kEnumError = "enumError";
inline constexpr const char* kSnapshotError = "snapshotError";
inline constexpr std::array kAll = {kList, kEnumError, kSnapshotError};
}  // namespace processes

namespace mutex {
inline constexpr const char* kName = "name";
inline constexpr const char* kAccess = "access";
inline constexpr std::array kAll = {kName, kAccess};
}  // namespace mutex

namespace privilege {
inline constexpr const char* kTokenError = "tokenError";
inline constexpr const char* kLookupError = "lookupError";
inline constexpr const char* kHeld = "held";
inline constexpr std::array kAll = {kTokenError, kLookupError, kHeld};
}  // namespace privilege

namespace port {
inline constexpr const char* kName = "name";
inline constexpr const char* kMonitor = "monitor";
inline constexpr const char* kDescription = "description";
inline constexpr std::array kAll = {kName, kMonitor, kDescription};
}  // namespace port

namespace printer {
inline constexpr const char* kName = "name";
inline constexpr const char* kPort = "port";
inline constexpr std::array kAll = {kName, kPort};
}  // namespace printer

namespace spooler {
inline constexpr const char* kPorts = "ports";
inline constexpr const char* kPrinters = "printers";
inline constexpr const char* kEnumPortsErrors = "enumPortsErrors";
inline constexpr const char* kEnumPrintersError = "enumPrintersError";
inline constexpr std::array kAll = {kPorts, kPrinters, kEnumPortsErrors, kEnumPrintersError};
}  // namespace spooler

}  // namespace kdx::machine_json::members
