#include "platform/capture/capture_platform.h"

#include <algorithm>
#include <map>
#include <span>
#include <utility>

namespace kdx {

std::string CaptureKeyOf(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

namespace {

std::string RootName(RegKey root) {
  switch (root) {
    case kHKeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHKeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHKeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHKeyUsers:
      return "HKEY_USERS";
    case kHKeyCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    default:
      return {};
  }
}

// "a\\b\\", "\\a" and "a\\\\b" name the same key as "a\\b".
std::string JoinKeyPath(const std::string& parent, const std::string& subKey) {
  std::string path = parent;
  std::string part;
  for (std::size_t i = 0; i <= subKey.size(); ++i) {
    if (i == subKey.size() || subKey[i] == '\\') {
      if (!part.empty()) path += "\\" + part;
      part.clear();
    } else {
      part += subKey[i];
    }
  }
  return path;
}

class CaptureRegistry final : public RegistryStore {
 public:
  CaptureRegistry(RegistryStore& inner, CaptureRecord& record) : inner_(inner), record_(record) {}

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    const long error = inner_.RegOpenKeyExA(parent, subKey, access, result);
    const std::string parentPath = PathOf(parent);
    if (parentPath.empty()) return error;
    const std::string path = JoinKeyPath(parentPath, subKey);
    if (error != kErrorSuccess) {
      record_.unopenedKeys.insert(CaptureKeyOf(path));
      return error;
    }
    paths_[result] = path;
    record_.keys.try_emplace(CaptureKeyOf(path), CaptureRecord::Key{path, false});
    return error;
  }
  long RegCloseKey(RegKey key) override {
    paths_.erase(key);
    return inner_.RegCloseKey(key);
  }
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    MarkListed(key);
    return inner_.RegQueryInfoKeyA(key, info);
  }
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    MarkListed(key);
    return inner_.RegEnumKeyExA(key, index, name, nameSize);
  }
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return inner_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    return inner_.RegQueryValueExA(key, valueName, type, data, dataSize);
  }

 private:
  std::string PathOf(RegKey key) const {
    const auto found = paths_.find(key);
    return found != paths_.end() ? found->second : RootName(key);
  }
  void MarkListed(RegKey key) {
    const auto found = record_.keys.find(CaptureKeyOf(PathOf(key)));
    if (found != record_.keys.end()) found->second.subkeysListed = true;
  }

  RegistryStore& inner_;
  CaptureRecord& record_;
  std::map<RegKey, std::string> paths_;
};

class CaptureToken final : public AccessToken {
 public:
  CaptureToken(std::unique_ptr<AccessToken> inner, CapturedToken& record)
      : inner_(std::move(inner)), record_(record) {}
  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    auto groups = inner_->Groups(bufferSize);
    if (groups) record_.groups = groups;
    return groups;
  }

 private:
  std::unique_ptr<AccessToken> inner_;
  CapturedToken& record_;
};

class CaptureSystem final : public SystemFacts {
 public:
  CaptureSystem(SystemFacts& inner, CaptureRecord& record) : inner_(inner), record_(record) {}

  std::optional<std::string> GetWindowsDirectoryA() override {
    return record_.windowsDirectory = inner_.GetWindowsDirectoryA();
  }
  std::optional<std::string> GetSystemDirectoryA() override {
    return record_.systemDirectory = inner_.GetSystemDirectoryA();
  }
  std::optional<OsVersionInfo> GetVersionExA() override {
    return record_.version = inner_.GetVersionExA();
  }
  SystemTime GetLocalTime() override {
    // The run's clock is its first reading: the report's date and its file name.
    const SystemTime now = inner_.GetLocalTime();
    if (!record_.localTime) record_.localTime = now;
    return now;
  }
  LocaleFormats GetLocaleFormats() override {
    return *(record_.locale = inner_.GetLocaleFormats());
  }
  std::optional<std::string> GetUserNameA() override {
    return record_.userName = inner_.GetUserNameA();
  }
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    auto token = inner_.OpenThreadToken(error);
    return Wrap(std::move(token), error, record_.threadToken);
  }
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    auto token = inner_.OpenProcessToken(error);
    return Wrap(std::move(token), error, record_.processToken);
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    auto value = inner_.GetEnvironmentVariableA(name);
    if (value) record_.environment.emplace(CaptureKeyOf(name), name + '=' + *value);
    return value;
  }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    RecordReferencedVariables(text);
    return inner_.ExpandEnvironmentStringsA(text);
  }
  std::string FormatMessageA(std::uint32_t code) override {
    return record_.messages[code] = inner_.FormatMessageA(code);
  }
  int CompareStringA(const std::string& a, const std::string& b) override {
    return inner_.CompareStringA(a, b);
  }
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override {
    auto local = inner_.FileTimeToLocalTime(fileTime);
    if (local && !record_.utcOffsetMinutes) RecordUtcOffset();
    return local;
  }
  NativeMachine GetNativeMachine() override {
    return record_.nativeMachine = inner_.GetNativeMachine();
  }
  MemoryStatus GlobalMemoryStatus() override {
    return *(record_.memory = inner_.GlobalMemoryStatus());
  }
  std::uint32_t GetLogicalDrives() override {
    return *(record_.driveMask = inner_.GetLogicalDrives());
  }
  std::uint32_t GetDriveTypeA(const std::string& root) override {
    return record_.drives[CaptureKeyOf(root)].type = inner_.GetDriveTypeA(root);
  }
  bool HasGetDiskFreeSpaceExA() override {
    return *(record_.hasDiskFreeSpaceEx = inner_.HasGetDiskFreeSpaceExA());
  }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
    return record_.drives[CaptureKeyOf(root)].space = inner_.GetDiskFreeSpaceExA(root);
  }
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
    return record_.drives[CaptureKeyOf(root)].clusters = inner_.GetDiskFreeSpaceA(root);
  }
  std::uint32_t SetErrorMode(std::uint32_t mode) override { return inner_.SetErrorMode(mode); }

 private:
  std::unique_ptr<AccessToken> Wrap(std::unique_ptr<AccessToken> token, long error,
                                    std::optional<CapturedToken>& slot) {
    if (!slot) slot.emplace();
    if (!token) {
      slot->openError = error;
      return token;
    }
    return std::make_unique<CaptureToken>(std::move(token), *slot);
  }
  // The expansion reads variables the run never names itself; the replay needs them too.
  void RecordReferencedVariables(const std::string& text) {
    for (std::size_t start = text.find('%'); start != std::string::npos;) {
      const std::size_t end = text.find('%', start + 1);
      if (end == std::string::npos) break;
      if (end > start + 1) GetEnvironmentVariableA(text.substr(start + 1, end - start - 1));
      start = text.find('%', end + 1);
    }
  }
  // Windows turns every file time with the bias of now, whatever the file's season: one
  // reading gives the offset of them all.
  void RecordUtcOffset() {
    constexpr std::uint64_t kReference = 125911584000000000;  // 2000-01-01 00:00 UTC
    const auto local = inner_.FileTimeToLocalTime(kReference);
    if (!local) return;
    const int minutes = local->hour * 60 + local->minute;
    record_.utcOffsetMinutes = local->year < 2000 ? minutes - 1440 : minutes;
  }

  SystemFacts& inner_;
  CaptureRecord& record_;
};

}  // namespace

std::string CaptureFileKeyOf(const std::string& path) {
  std::string key;
  std::string part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    const char c = i < path.size() ? path[i] : '\\';
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (part == "..") {
      const auto cut = key.rfind('\\');
      key.erase(cut == std::string::npos || cut < 2 ? std::min<std::size_t>(key.size(), 2) : cut);
    } else if (!part.empty() && part != ".") {
      key += (key.empty() ? "" : "\\") + part;
    }
    part.clear();
  }
  return CaptureKeyOf(key);
}

namespace {

/// An open file of the run: its facts are noted, and a read makes the capture copy its bytes.
class CaptureInputFile final : public InputFile {
 public:
  CaptureInputFile(std::unique_ptr<InputFile> inner, CapturedFile& record)
      : inner_(std::move(inner)), record_(record) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    record_.use = FileUse::Copied;
    return inner_->Read(buffer, size, count);
  }
  long Seek(std::uint64_t offset) override {
    record_.use = FileUse::Copied;
    return inner_->Seek(offset);
  }
  long GetInformation(FileInformation& information) override {
    const long error = inner_->GetInformation(information);
    if (error == kErrorSuccess) {
      record_.attributes = information.attributes;
      record_.lastWriteTime = information.lastWriteTime;
      record_.size = information.size;
    }
    return error;
  }

 private:
  std::unique_ptr<InputFile> inner_;
  CapturedFile& record_;
};

class CaptureFiles final : public FileSystem {
 public:
  CaptureFiles(FileSystem& inner, CaptureRecord& record) : inner_(inner), record_(record) {}

  bool FileExists(const std::string& path) override {
    const bool exists = inner_.FileExists(path);
    if (exists) Note(path, FileUse::Described);
    return exists;
  }
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    const long error = inner_.OpenInputFile(path, file);
    CapturedFile& opened = NoteOpen(path, error, FileUse::Described);
    if (error == kErrorSuccess) file = std::make_unique<CaptureInputFile>(std::move(file), opened);
    return error;
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    const long error = inner_.GetFileAttributesA(path, attributes);
    if (error == kErrorSuccess) {
      CapturedFile& file = Note(path, FileUse::Listed);
      file.attributes = attributes;
      file.folder = (attributes & kFileAttributeDirectory) != 0;
    }
    return error;
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    const long error = inner_.ListFolder(folder, entries);
    if (error != kErrorSuccess) {
      NoteOpen(folder, error, FileUse::Listed).folder = true;
      return error;
    }
    Note(folder, FileUse::Listed).folder = true;
    for (const FolderEntryData& entry : entries) {
      if (entry.name == "." || entry.name == "..") continue;
      CapturedFile& file = Note(folder + "\\" + entry.name, FileUse::Listed);
      // The listing spells the name as the file system keeps it.
      file.path = folder + "\\" + entry.name;
      file.attributes = entry.attributes;
      file.lastWriteTime = entry.lastWriteTime;
      file.size = entry.size;
      file.folder = (entry.attributes & kFileAttributeDirectory) != 0;
    }
    return error;
  }
  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    CapturedFile& file = Note(path, FileUse::Described);
    const long error = inner_.GetFileVersionInfoA(path, block);
    if (error == kErrorSuccess) file.versionBlock = block;
    return error;
  }
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    return inner_.VerQueryValueA(block, subBlock);
  }
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    Note(path, FileUse::Copied);
    const auto slash = path.find_last_of("\\/");
    record_.iniFileNames.insert(slash == std::string::npos ? path : path.substr(slash + 1));
    return inner_.GetPrivateProfileStringA(section, key, defaultText, size, path);
  }
  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    Note(path, FileUse::Copied);
    return inner_.ReadShellLink(path);
  }
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    return inner_.CreateOutputFile(path, file);
  }
  // Resolving a path reads nothing of the machine: the replay resolves it the same way.
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    return inner_.GetFullPathNameA(path, fullPath);
  }

 private:
  CapturedFile& Note(const std::string& path, FileUse use) {
    CapturedFile& file = record_.files[CaptureFileKeyOf(path)];
    if (file.path.empty()) file.path = path;
    if (use > file.use) file.use = use;
    return file;
  }
  // A file held by another program or barred keeps failing so; a missing one stays missing.
  CapturedFile& NoteOpen(const std::string& path, long error, FileUse use) {
    if (error == kErrorSuccess) return Note(path, use);
    if (error != kErrorAccessDenied && error != kErrorSharingViolation) return scratch_;
    CapturedFile& file = Note(path, FileUse::Listed);
    file.openError = error;
    return file;
  }

  FileSystem& inner_;
  CaptureRecord& record_;
  CapturedFile scratch_;
};

class CaptureServiceHandle final : public ServiceHandle {
 public:
  CaptureServiceHandle(std::unique_ptr<ServiceHandle> inner, CapturedService& record)
      : inner_(std::move(inner)), record_(record) {}
  long QueryServiceStatus(std::uint32_t& state) override {
    const long error = inner_->QueryServiceStatus(state);
    if (error == kErrorSuccess) {
      record_.state = state;
    } else {
      record_.queryError = error;
    }
    return error;
  }

 private:
  std::unique_ptr<ServiceHandle> inner_;
  CapturedService& record_;
};

class CaptureServiceManager final : public ServiceManager {
 public:
  CaptureServiceManager(std::unique_ptr<ServiceManager> inner, CaptureRecord& record)
      : inner_(std::move(inner)), record_(record) {}

  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    auto handle = inner_->OpenServiceA(name, access, error);
    if (!handle && error == kErrorServiceDoesNotExist) return handle;
    auto& [shownName, service] = ServiceNamed(name);
    if (!handle) {
      service.openError = error;
      return handle;
    }
    return std::make_unique<CaptureServiceHandle>(std::move(handle), service);
  }
  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    auto entries = inner_->EnumServicesStatusA(serviceType, serviceState, bufferSize, error);
    if (error != kErrorSuccess && error != kErrorMoreData) {
      record_.enumServicesError = error;
      return entries;
    }
    // The manager's order comes first; services only opened by name follow it.
    std::vector<std::string> order;
    for (const ServiceStatusEntry& entry : entries) {
      auto& [name, service] = ServiceNamed(entry.serviceName);
      name = entry.serviceName;
      service.displayName = entry.displayName;
      service.state = entry.currentState;
      order.push_back(CaptureKeyOf(entry.serviceName));
    }
    for (const std::string& key : record_.serviceOrder) {
      if (std::find(order.begin(), order.end(), key) == order.end()) order.push_back(key);
    }
    record_.serviceOrder = order;
    return entries;
  }

 private:
  std::pair<std::string, CapturedService>& ServiceNamed(const std::string& name) {
    const std::string key = CaptureKeyOf(name);
    auto [found, added] = record_.services.try_emplace(key, name, CapturedService{});
    if (added) record_.serviceOrder.push_back(key);
    return found->second;
  }

  std::unique_ptr<ServiceManager> inner_;
  CaptureRecord& record_;
};

class CaptureProcessHandle final : public ProcessHandle {
 public:
  CaptureProcessHandle(std::unique_ptr<ProcessHandle> inner, CapturedProcess& record)
      : inner_(std::move(inner)), record_(record) {}
  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    auto module = inner_->EnumProcessModules(bufferSize);
    if (!module) record_.modulesError = kErrorAccessDenied;
    return module;
  }
  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    auto path = inner_->GetModuleFileNameExA(module, size);
    if (path) {
      record_.path = *path;
    } else {
      record_.pathError = kErrorAccessDenied;
    }
    return path;
  }

 private:
  std::unique_ptr<ProcessHandle> inner_;
  CapturedProcess& record_;
};

class CaptureSnapshot final : public ProcessSnapshot {
 public:
  CaptureSnapshot(std::unique_ptr<ProcessSnapshot> inner, CaptureRecord& record)
      : inner_(std::move(inner)), record_(record) {}
  std::optional<std::string> Process32First() override { return Note(inner_->Process32First()); }
  std::optional<std::string> Process32Next() override { return Note(inner_->Process32Next()); }

 private:
  std::optional<std::string> Note(std::optional<std::string> name) {
    if (name && !record_.enumProcessesError && record_.processes.size() < 100000) {
      CapturedProcess process;
      process.id = static_cast<std::uint32_t>(record_.processes.size() + 1) * 4;
      process.path = *name;
      record_.processes.push_back(process);
    }
    return name;
  }
  std::unique_ptr<ProcessSnapshot> inner_;
  CaptureRecord& record_;
};

class CapturePrivilegeToken final : public PrivilegeToken {
 public:
  CapturePrivilegeToken(std::unique_ptr<PrivilegeToken> inner, CaptureRecord& record)
      : inner_(std::move(inner)), record_(record) {}
  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    const long error = inner_->AdjustTokenPrivileges(luid, attributes);
    if (error == kErrorNotAllAssigned) record_.privilegeHeld = false;
    return error;
  }

 private:
  std::unique_ptr<PrivilegeToken> inner_;
  CaptureRecord& record_;
};

class CaptureServices final : public ServicesProcesses {
 public:
  CaptureServices(ServicesProcesses& inner, CaptureRecord& record)
      : inner_(inner), record_(record) {}

  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override {
    auto manager = inner_.OpenSCManagerA(machine, access, error);
    if (!manager) {
      if (machine.empty()) record_.managerError = error;
      return manager;
    }
    return std::make_unique<CaptureServiceManager>(std::move(manager), record_);
  }
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override {
    auto ids = inner_.EnumProcesses(bufferSize);
    if (!ids) {
      record_.enumProcessesError = kErrorAccessDenied;
      return ids;
    }
    for (const std::uint32_t id : *ids) ProcessWithId(id);
    return ids;
  }
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override {
    auto process = inner_.OpenProcess(access, processId, error);
    CapturedProcess& record = ProcessWithId(processId);
    if (!process) {
      record.openError = error;
      return process;
    }
    return std::make_unique<CaptureProcessHandle>(std::move(process), record);
  }
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override {
    auto snapshot = inner_.CreateToolhelp32Snapshot(error);
    if (!snapshot) {
      record_.snapshotError = error;
      return snapshot;
    }
    return std::make_unique<CaptureSnapshot>(std::move(snapshot), record_);
  }
  long OpenMutexA(std::uint32_t access, const std::string& name) override {
    const long error = inner_.OpenMutexA(access, name);
    if (error == kErrorSuccess || error == kErrorAccessDenied) record_.mutexes[name] = error;
    return error;
  }
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override {
    auto token = inner_.OpenProcessToken(access, error);
    if (!token) {
      record_.privilegeTokenError = error;
      return token;
    }
    return std::make_unique<CapturePrivilegeToken>(std::move(token), record_);
  }
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                     long& error) override {
    auto luid = inner_.LookupPrivilegeValueA(name, error);
    if (!luid) record_.privilegeLookupError = error;
    return luid;
  }

 private:
  CapturedProcess& ProcessWithId(std::uint32_t id) {
    for (CapturedProcess& process : record_.processes) {
      if (process.id == id) return process;
    }
    record_.processes.push_back(CapturedProcess{id, {}, 0, 0, 0});
    return record_.processes.back();
  }

  ServicesProcesses& inner_;
  CaptureRecord& record_;
};

class CaptureSpooler final : public PrintSpooler {
 public:
  CaptureSpooler(PrintSpooler& inner, CaptureRecord& record) : inner_(inner), record_(record) {}

  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override {
    const long error = inner_.EnumPortsA(bufferSize, needed, ports);
    const bool failed = error != kErrorSuccess && error != kErrorInsufficientBuffer;
    record_.enumPortsErrors.push_back(failed ? error : 0);
    if (error == kErrorSuccess) record_.ports = ports;
    return error;
  }
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override {
    const long error = inner_.EnumPrintersA(flags, level, printers);
    if (error != kErrorSuccess) {
      record_.enumPrintersError = error;
    } else if (level == 5 || record_.printers.empty()) {
      record_.printers = printers;
    }
    return error;
  }

 private:
  PrintSpooler& inner_;
  CaptureRecord& record_;
};

class CaptureEventLog final : public EventLog {
 public:
  CaptureEventLog(std::unique_ptr<EventLog> inner, std::vector<std::string>& records)
      : inner_(std::move(inner)), records_(records) {}
  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    const long error = inner_->ReadEventLogA(buffer, bytesRead, bytesNeeded);
    if (error == kErrorSuccess) SplitRecords(buffer.first(bytesRead));
    return error;
  }

 private:
  // Each EVENTLOGRECORD starts with its length.
  void SplitRecords(std::span<const char> bytes) {
    while (bytes.size() >= 4) {
      std::uint32_t length = 0;
      for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<std::uint8_t>(bytes[i]);
      if (length < 8 || length > bytes.size()) return;
      records_.emplace_back(bytes.data(), length);
      bytes = bytes.subspan(length);
    }
  }

  std::unique_ptr<EventLog> inner_;
  std::vector<std::string>& records_;
};

class CaptureEventLogs final : public EventLogs {
 public:
  CaptureEventLogs(kdx::EventLogs& inner, CaptureRecord& record) : inner_(inner), record_(record) {}
  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override {
    auto log = inner_.OpenEventLogA(logName, error);
    if (!log) return log;
    return std::make_unique<CaptureEventLog>(std::move(log), record_.eventRecords[logName]);
  }
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
    auto module = inner_.LoadLibraryExA(path, error);
    if (module) record_.messageFiles.insert(path);
    return module;
  }

 private:
  kdx::EventLogs& inner_;
  CaptureRecord& record_;
};

}  // namespace

CapturePlatform::CapturePlatform(Platform& inner)
    : inner_(inner),
      registry_(std::make_unique<CaptureRegistry>(inner.Registry(), record_)),
      system_(std::make_unique<CaptureSystem>(inner.System(), record_)),
      files_(std::make_unique<CaptureFiles>(inner.Files(), record_)),
      services_(std::make_unique<CaptureServices>(inner.Services(), record_)),
      spooler_(std::make_unique<CaptureSpooler>(inner.Spooler(), record_)),
      eventLogs_(std::make_unique<CaptureEventLogs>(inner.EventLogs(), record_)) {}

CapturePlatform::~CapturePlatform() = default;

RegistryStore& CapturePlatform::Registry() { return *registry_; }
SystemFacts& CapturePlatform::System() { return *system_; }
FileSystem& CapturePlatform::Files() { return *files_; }
ServicesProcesses& CapturePlatform::Services() { return *services_; }
PrintSpooler& CapturePlatform::Spooler() { return *spooler_; }
kdx::EventLogs& CapturePlatform::EventLogs() { return *eventLogs_; }

}  // namespace kdx
