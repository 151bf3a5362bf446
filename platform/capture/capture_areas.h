#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/capture/capture_record.h"
#include "platform/forwarding.h"

namespace kdx {

// The capture's layer over each platform area, one file each: every call goes to the machine,
// and what the replay must answer alike goes into the record.

/// Notes each key the run opens by its full path, and which keys it lists.
class CaptureRegistry final : public ForwardingRegistryStore {
 public:
  CaptureRegistry(RegistryStore& inner, CaptureRecord& record)
      : ForwardingRegistryStore(inner), record_(record) {}

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override;
  long RegCloseKey(RegKey key) override;
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override;
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize) override;

 private:
  std::string PathOf(RegKey key) const;
  void MarkListed(RegKey key);

  CaptureRecord& record_;
  std::map<RegKey, std::string> paths_;
};

/// Notes the system's facts as the run reads them.
class CaptureSystem final : public ForwardingSystemFacts {
 public:
  CaptureSystem(SystemFacts& inner, CaptureRecord& record)
      : ForwardingSystemFacts(inner), record_(record) {}

  std::optional<std::string> GetWindowsDirectoryA() override;
  std::optional<std::string> GetSystemDirectoryA() override;
  std::optional<OsVersionInfo> GetVersionExA() override;
  SystemTime GetLocalTime() override;
  LocaleFormats GetLocaleFormats() override;
  std::optional<std::string> GetUserNameA() override;
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override;
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override;
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override;
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override;
  std::string FormatMessageA(std::uint32_t code) override;
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override;
  NativeMachine GetNativeMachine() override;
  MemoryStatus GlobalMemoryStatus() override;
  std::uint32_t GetLogicalDrives() override;
  std::uint32_t GetDriveTypeA(const std::string& root) override;
  bool HasGetDiskFreeSpaceExA() override;
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override;
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override;

 private:
  std::unique_ptr<AccessToken> NoteToken(std::unique_ptr<AccessToken> token, long error,
                                         SimToken& slot);
  void NoteReferencedVariables(const std::string& text);
  void NoteUtcOffset();
  SimDrive* DriveOf(const std::string& root);

  CaptureRecord& record_;
  bool localTimeKnown_ = false;
  bool utcOffsetKnown_ = false;
};

/// Notes each file and folder the run looks at, and which files it reads.
class CaptureFiles final : public ForwardingFileSystem {
 public:
  CaptureFiles(FileSystem& inner, CaptureRecord& record)
      : ForwardingFileSystem(inner), record_(record) {}

  bool FileExists(const std::string& path) override;
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override;
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override;
  long GetFileVersionInfoA(const std::string& path, std::string& block) override;
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override;
  ShellLinkAnswers ReadShellLink(const std::string& path) override;

 private:
  CapturedFile& Note(const std::string& path, FileUse use);
  CapturedFile* NoteOpen(const std::string& path, long error, FileUse use);

  CaptureRecord& record_;
};

/// Notes the services, processes, mutexes and the shutdown privilege as the run meets them.
class CaptureServices final : public ForwardingServicesProcesses {
 public:
  CaptureServices(ServicesProcesses& inner, CaptureRecord& record)
      : ForwardingServicesProcesses(inner), record_(record) {}

  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override;
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override;
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override;
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override;
  long OpenMutexA(std::uint32_t access, const std::string& name) override;
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override;
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name, long& error) override;

 private:
  CaptureRecord& record_;
};

/// Notes the spooler's ports and printers.
class CaptureSpooler final : public ForwardingPrintSpooler {
 public:
  CaptureSpooler(PrintSpooler& inner, CaptureRecord& record)
      : ForwardingPrintSpooler(inner), record_(record) {}

  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override;
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override;

 private:
  CaptureRecord& record_;
};

/// Keeps the event records the run reads and the message files it loads.
class CaptureEventLogs final : public ForwardingEventLogs {
 public:
  CaptureEventLogs(EventLogs& inner, CaptureRecord& record)
      : ForwardingEventLogs(inner), record_(record) {}

  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override;
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override;

 private:
  CaptureRecord& record_;
};

}  // namespace kdx
