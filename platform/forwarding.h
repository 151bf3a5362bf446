#pragma once

#include <memory>
#include <utility>

#include "platform/platform.h"

namespace kdx {

// Layers that watch a few platform calls (the capture, the benchmark's recorder, the tests'
// counting layer) derive from these bases. Each base passes every call of its area, and of the
// objects the area hands out, to an inner one unchanged; a layer overrides only the calls it
// observes, and a call added to an area is added here once.

/// An object the platform hands out (an open file, a service, a token) over an inner one.
template <typename Object>
class ForwardingObject : public Object {
 public:
  explicit ForwardingObject(std::unique_ptr<Object> inner) : inner_(std::move(inner)) {}

 protected:
  Object& Inner() { return *inner_; }

 private:
  std::unique_ptr<Object> inner_;
};

class ForwardingAccessToken : public ForwardingObject<AccessToken> {
 public:
  using ForwardingObject::ForwardingObject;
  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    return Inner().Groups(bufferSize);
  }
};

class ForwardingInputFile : public ForwardingObject<InputFile> {
 public:
  using ForwardingObject::ForwardingObject;
  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    return Inner().Read(buffer, size, count);
  }
  long Seek(std::uint64_t offset) override { return Inner().Seek(offset); }
  long GetInformation(FileInformation& information) override {
    return Inner().GetInformation(information);
  }
};

class ForwardingOutputFile : public ForwardingObject<OutputFile> {
 public:
  using ForwardingObject::ForwardingObject;
  long Write(const char* data, std::size_t size) override { return Inner().Write(data, size); }
  long Close() override { return Inner().Close(); }
};

class ForwardingServiceHandle : public ForwardingObject<ServiceHandle> {
 public:
  using ForwardingObject::ForwardingObject;
  long QueryServiceStatus(std::uint32_t& state) override {
    return Inner().QueryServiceStatus(state);
  }
};

class ForwardingServiceManager : public ForwardingObject<ServiceManager> {
 public:
  using ForwardingObject::ForwardingObject;
  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    return Inner().OpenServiceA(name, access, error);
  }
  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    return Inner().EnumServicesStatusA(serviceType, serviceState, bufferSize, error);
  }
};

class ForwardingProcessHandle : public ForwardingObject<ProcessHandle> {
 public:
  using ForwardingObject::ForwardingObject;
  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    return Inner().EnumProcessModules(bufferSize);
  }
  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    return Inner().GetModuleFileNameExA(module, size);
  }
};

class ForwardingProcessSnapshot : public ForwardingObject<ProcessSnapshot> {
 public:
  using ForwardingObject::ForwardingObject;
  std::optional<std::string> Process32First() override { return Inner().Process32First(); }
  std::optional<std::string> Process32Next() override { return Inner().Process32Next(); }
};

class ForwardingPrivilegeToken : public ForwardingObject<PrivilegeToken> {
 public:
  using ForwardingObject::ForwardingObject;
  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    return Inner().AdjustTokenPrivileges(luid, attributes);
  }
};

class ForwardingEventLog : public ForwardingObject<EventLog> {
 public:
  using ForwardingObject::ForwardingObject;
  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    return Inner().ReadEventLogA(buffer, bytesRead, bytesNeeded);
  }
};

class ForwardingMessageModule : public ForwardingObject<MessageModule> {
 public:
  using ForwardingObject::ForwardingObject;
  long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                      std::string& text) override {
    return Inner().FormatMessageA(messageId, strings, text);
  }
};

/// An area over an inner one of the same interface.
template <typename Area>
class ForwardingArea : public Area {
 public:
  explicit ForwardingArea(Area& inner) : inner_(inner) {}

 protected:
  Area& Inner() { return inner_; }

 private:
  Area& inner_;
};

class ForwardingRegistryStore : public ForwardingArea<RegistryStore> {
 public:
  using ForwardingArea::ForwardingArea;
  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    return Inner().RegOpenKeyExA(parent, subKey, access, result);
  }
  long RegCloseKey(RegKey key) override { return Inner().RegCloseKey(key); }
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    return Inner().RegQueryInfoKeyA(key, info);
  }
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    return Inner().RegEnumKeyExA(key, index, name, nameSize);
  }
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return Inner().RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    return Inner().RegQueryValueExA(key, valueName, type, data, dataSize);
  }
};

class ForwardingSystemFacts : public ForwardingArea<SystemFacts> {
 public:
  using ForwardingArea::ForwardingArea;
  std::optional<std::string> GetWindowsDirectoryA() override {
    return Inner().GetWindowsDirectoryA();
  }
  std::optional<std::string> GetSystemDirectoryA() override {
    return Inner().GetSystemDirectoryA();
  }
  std::optional<OsVersionInfo> GetVersionExA() override { return Inner().GetVersionExA(); }
  SystemTime GetLocalTime() override { return Inner().GetLocalTime(); }
  LocaleFormats GetLocaleFormats() override { return Inner().GetLocaleFormats(); }
  std::optional<std::string> GetUserNameA() override { return Inner().GetUserNameA(); }
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    return Inner().OpenThreadToken(error);
  }
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    return Inner().OpenProcessToken(error);
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    return Inner().GetEnvironmentVariableA(name);
  }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    return Inner().ExpandEnvironmentStringsA(text);
  }
  std::string FormatMessageA(std::uint32_t code) override { return Inner().FormatMessageA(code); }
  int CompareStringA(const std::string& a, const std::string& b) override {
    return Inner().CompareStringA(a, b);
  }
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override {
    return Inner().FileTimeToLocalTime(fileTime);
  }
  NativeMachine GetNativeMachine() override { return Inner().GetNativeMachine(); }
  MemoryStatus GlobalMemoryStatus() override { return Inner().GlobalMemoryStatus(); }
  std::uint32_t GetLogicalDrives() override { return Inner().GetLogicalDrives(); }
  std::uint32_t GetDriveTypeA(const std::string& root) override {
    return Inner().GetDriveTypeA(root);
  }
  bool HasGetDiskFreeSpaceExA() override { return Inner().HasGetDiskFreeSpaceExA(); }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
    return Inner().GetDiskFreeSpaceExA(root);
  }
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
    return Inner().GetDiskFreeSpaceA(root);
  }
  std::uint32_t SetErrorMode(std::uint32_t mode) override { return Inner().SetErrorMode(mode); }
};

class ForwardingFileSystem : public ForwardingArea<FileSystem> {
 public:
  using ForwardingArea::ForwardingArea;
  bool FileExists(const std::string& path) override { return Inner().FileExists(path); }
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    return Inner().OpenInputFile(path, file);
  }
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    return Inner().GetFullPathNameA(path, fullPath);
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    return Inner().GetFileAttributesA(path, attributes);
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    return Inner().ListFolder(folder, entries);
  }
  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    return Inner().GetFileVersionInfoA(path, block);
  }
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    return Inner().VerQueryValueA(block, subBlock);
  }
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    return Inner().GetPrivateProfileStringA(section, key, defaultText, size, path);
  }
  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    return Inner().ReadShellLink(path);
  }
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    return Inner().CreateOutputFile(path, file);
  }
  long CreateDirectoryA(const std::string& path) override { return Inner().CreateDirectoryA(path); }
};

class ForwardingServicesProcesses : public ForwardingArea<ServicesProcesses> {
 public:
  using ForwardingArea::ForwardingArea;
  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override {
    return Inner().OpenSCManagerA(machine, access, error);
  }
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override {
    return Inner().EnumProcesses(bufferSize);
  }
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override {
    return Inner().OpenProcess(access, processId, error);
  }
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override {
    return Inner().CreateToolhelp32Snapshot(error);
  }
  long OpenMutexA(std::uint32_t access, const std::string& name) override {
    return Inner().OpenMutexA(access, name);
  }
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override {
    return Inner().OpenProcessToken(access, error);
  }
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                     long& error) override {
    return Inner().LookupPrivilegeValueA(name, error);
  }
};

class ForwardingPrintSpooler : public ForwardingArea<PrintSpooler> {
 public:
  using ForwardingArea::ForwardingArea;
  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override {
    return Inner().EnumPortsA(bufferSize, needed, ports);
  }
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override {
    return Inner().EnumPrintersA(flags, level, printers);
  }
};

class ForwardingEventLogs : public ForwardingArea<EventLogs> {
 public:
  using ForwardingArea::ForwardingArea;
  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override {
    return Inner().OpenEventLogA(logName, error);
  }
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
    return Inner().LoadLibraryExA(path, error);
  }
};

/// A platform made of one layer per area over another platform; an area given no layer of
/// its own is the inner platform's.
class LayeredPlatform : public Platform {
 public:
  explicit LayeredPlatform(Platform& inner) : inner_(inner) {}

  RegistryStore& Registry() override { return registry_ ? *registry_ : inner_.Registry(); }
  SystemFacts& System() override { return system_ ? *system_ : inner_.System(); }
  FileSystem& Files() override { return files_ ? *files_ : inner_.Files(); }
  ServicesProcesses& Services() override { return services_ ? *services_ : inner_.Services(); }
  PrintSpooler& Spooler() override { return spooler_ ? *spooler_ : inner_.Spooler(); }
  kdx::EventLogs& EventLogs() override { return eventLogs_ ? *eventLogs_ : inner_.EventLogs(); }

 protected:
  void Layer(std::unique_ptr<RegistryStore> area) { registry_ = std::move(area); }
  void Layer(std::unique_ptr<SystemFacts> area) { system_ = std::move(area); }
  void Layer(std::unique_ptr<FileSystem> area) { files_ = std::move(area); }
  void Layer(std::unique_ptr<ServicesProcesses> area) { services_ = std::move(area); }
  void Layer(std::unique_ptr<PrintSpooler> area) { spooler_ = std::move(area); }
  void Layer(std::unique_ptr<kdx::EventLogs> area) { eventLogs_ = std::move(area); }

 private:
  Platform& inner_;
  std::unique_ptr<RegistryStore> registry_;
  std::unique_ptr<SystemFacts> system_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<ServicesProcesses> services_;
  std::unique_ptr<PrintSpooler> spooler_;
  std::unique_ptr<kdx::EventLogs> eventLogs_;
};

}  // namespace kdx
