#include "bench/whole_run.h"

#include <algorithm>
#include <map>
#include <span>
#include <stdexcept>
#include <utility>

#include "platform/forwarding.h"
#include "platform/upcase.h"

namespace kdx::bench {

/// The live objects of a replay, by the identity of the question that made them, and a sum
/// of every answer's bytes so that no answer goes unread.
struct Replay {
  explicit Replay(Platform& machineIn) : machine(machineIn) {}
  ~Replay() { CloseAll(); }
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  /// Closes every key and file the replay opened, as the run closes its own.
  void CloseAll() {
    for (const auto& [identity, key] : keys) machine.Registry().RegCloseKey(key);
    keys.clear();
    inputs.clear();
    outputs.clear();
    processes.clear();
    services.clear();
    managers.clear();
    eventLogs.clear();
    modules.clear();
  }

  void Walk(const std::string& text) {
    for (const char c : text) walked += static_cast<unsigned char>(c);
  }
  void Walk(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) walked += static_cast<unsigned char>(data[i]);
  }
  void Walk(std::uint64_t number) { walked += number; }

  Platform& machine;
  std::uint64_t walked = 0;
  std::map<std::string, RegKey> keys;
  std::map<std::string, std::unique_ptr<InputFile>> inputs;
  std::map<std::string, std::string> versionBlocks;
  std::map<std::string, std::unique_ptr<OutputFile>> outputs;
  std::map<std::string, std::unique_ptr<AccessToken>> accessTokens;
  std::map<std::string, std::unique_ptr<ServiceManager>> managers;
  std::map<std::string, std::unique_ptr<ServiceHandle>> services;
  std::map<std::string, std::unique_ptr<ProcessHandle>> processes;
  std::map<std::string, std::uintptr_t> firstModules;
  std::map<std::string, std::unique_ptr<ProcessSnapshot>> snapshots;
  std::map<std::string, std::unique_ptr<PrivilegeToken>> privilegeTokens;
  std::map<std::string, std::unique_ptr<EventLog>> eventLogs;
  std::map<std::string, std::unique_ptr<MessageModule>> modules;
};

void QuestionLog::Add(std::string key, std::function<void(Replay&)> ask) {
  ++asked_;
  ++phases_.back().asked;
  if (known_.insert(std::move(key)).second) phases_.back().questions.push_back(std::move(ask));
}

namespace {

std::string Number(std::uint64_t value) { return std::to_string(value); }

template <typename T>
T* Find(std::map<std::string, std::unique_ptr<T>>& objects, const std::string& identity) {
  const auto it = objects.find(identity);
  return it == objects.end() ? nullptr : it->second.get();
}

// --- Registry: a key's identity is its parent's and its upper-cased name. ---

class RecordingRegistry final : public ForwardingRegistryStore {
 public:
  RecordingRegistry(RegistryStore& store, QuestionLog& log)
      : ForwardingRegistryStore(store), log_(log) {}

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    const std::string parentId = Identity(parent);
    const std::string id = parentId + "\\" + UpcaseAscii(subKey);
    log_.Add("open|" + id + "|" + Number(access), [parentId, subKey, access, id](Replay& r) {
      RegKey base = 0;
      if (!ParentKey(r, parentId, base)) return;
      RegKey opened = 0;
      if (r.machine.Registry().RegOpenKeyExA(base, subKey, access, opened) != kErrorSuccess) {
        return;
      }
      if (!r.keys.emplace(id, opened).second) r.machine.Registry().RegCloseKey(opened);
    });
    const long error = Inner().RegOpenKeyExA(parent, subKey, access, result);
    if (error == kErrorSuccess) ids_[result] = id;
    return error;
  }
  long RegCloseKey(RegKey key) override {
    ids_.erase(key);
    return Inner().RegCloseKey(key);
  }
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    const std::string id = Identity(key);
    log_.Add("info|" + id, [id](Replay& r) {
      RegKey live = 0;
      if (!ParentKey(r, id, live)) return;
      RegKeyInfo answer;
      r.machine.Registry().RegQueryInfoKeyA(live, answer);
      r.Walk(answer.subKeys + answer.values);
    });
    return Inner().RegQueryInfoKeyA(key, info);
  }
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    const std::string id = Identity(key);
    const std::uint32_t room = nameSize;
    log_.Add("subkey|" + id + "|" + Number(index) + "|" + Number(room), [id, index,
                                                                         room](Replay& r) {
      RegKey live = 0;
      if (!ParentKey(r, id, live)) return;
      std::vector<char> buffer(room);
      std::uint32_t size = room;
      if (r.machine.Registry().RegEnumKeyExA(live, index, buffer.data(), size) == kErrorSuccess) {
        r.Walk(buffer.data(), size);
      }
    });
    return Inner().RegEnumKeyExA(key, index, name, nameSize);
  }
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    const std::string id = Identity(key);
    const std::uint32_t nameRoom = nameSize;
    const bool wantsType = type != nullptr;
    const bool wantsData = data != nullptr;
    const std::optional<std::uint32_t> dataRoom =
        dataSize ? std::optional<std::uint32_t>(*dataSize) : std::nullopt;
    log_.Add("value|" + id + "|" + Number(index) + "|" + Number(nameRoom) + "|" +
                 Number(wantsType) + Number(wantsData) + "|" + Number(dataRoom.value_or(~0U)),
             [=](Replay& r) {
               RegKey live = 0;
               if (!ParentKey(r, id, live)) return;
               std::vector<char> nameBuffer(nameRoom);
               std::vector<std::uint8_t> bytes(wantsData ? dataRoom.value_or(0) : 0);
               std::uint32_t size = nameRoom;
               std::uint32_t kind = 0;
               std::uint32_t bytesSize = dataRoom.value_or(0);
               if (r.machine.Registry().RegEnumValueA(
                       live, index, nameBuffer.data(), size, wantsType ? &kind : nullptr,
                       wantsData ? bytes.data() : nullptr,
                       dataRoom ? &bytesSize : nullptr) != kErrorSuccess) {
                 return;
               }
               r.Walk(nameBuffer.data(), size);
               if (wantsData) r.Walk(reinterpret_cast<const char*>(bytes.data()), bytesSize);
             });
    return Inner().RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    const std::string id = Identity(key);
    const bool wantsType = type != nullptr;
    const bool wantsData = data != nullptr;
    const std::optional<std::uint32_t> dataRoom =
        dataSize ? std::optional<std::uint32_t>(*dataSize) : std::nullopt;
    log_.Add(
        "query|" + id + "|" + UpcaseAscii(valueName) + "|" + Number(wantsType) + Number(wantsData) +
            "|" + Number(dataRoom.value_or(~0U)),
        [=](Replay& r) {
          RegKey live = 0;
          if (!ParentKey(r, id, live)) return;
          std::vector<std::uint8_t> bytes(wantsData ? dataRoom.value_or(0) : 0);
          std::uint32_t kind = 0;
          std::uint32_t bytesSize = dataRoom.value_or(0);
          if (r.machine.Registry().RegQueryValueExA(
                  live, valueName, wantsType ? &kind : nullptr, wantsData ? bytes.data() : nullptr,
                  dataRoom ? &bytesSize : nullptr) != kErrorSuccess) {
            return;
          }
          r.Walk(kind + bytesSize);
          if (wantsData) r.Walk(reinterpret_cast<const char*>(bytes.data()), bytesSize);
        });
    return Inner().RegQueryValueExA(key, valueName, type, data, dataSize);
  }

 private:
  /// Roots are their own identity; a key the log never saw opened gets an empty one.
  std::string Identity(RegKey key) const {
    if (key >= kHKeyClassesRoot && key <= kHKeyCurrentConfig) return "#" + Number(key);
    const auto it = ids_.find(key);
    return it == ids_.end() ? std::string() : it->second;
  }
  static bool ParentKey(Replay& r, const std::string& id, RegKey& key) {
    if (id.size() > 1 && id[0] == '#' && id.find('\\') == std::string::npos) {
      key = static_cast<RegKey>(std::stoull(id.substr(1)));
      return true;
    }
    const auto it = r.keys.find(id);
    if (it == r.keys.end()) return false;
    key = it->second;
    return true;
  }

  QuestionLog& log_;
  std::map<RegKey, std::string> ids_;
};

// --- System facts ---

class RecordingToken final : public ForwardingAccessToken {
 public:
  RecordingToken(std::unique_ptr<AccessToken> token, std::string id, QuestionLog& log)
      : ForwardingAccessToken(std::move(token)), id_(std::move(id)), log_(log) {}
  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    log_.Add("groups|" + id_ + "|" + Number(bufferSize), [id = id_, bufferSize](Replay& r) {
      if (AccessToken* token = Find(r.accessTokens, id)) {
        if (const auto groups = token->Groups(bufferSize)) r.Walk(groups->size());
      }
    });
    return Inner().Groups(bufferSize);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingSystem final : public ForwardingSystemFacts {
 public:
  RecordingSystem(SystemFacts& system, QuestionLog& log)
      : ForwardingSystemFacts(system), log_(log) {}

  std::optional<std::string> GetWindowsDirectoryA() override {
    Ask("windir", [](SystemFacts& s, Replay& r) { r.Walk(s.GetWindowsDirectoryA().value_or("")); });
    return Inner().GetWindowsDirectoryA();
  }
  std::optional<std::string> GetSystemDirectoryA() override {
    Ask("sysdir", [](SystemFacts& s, Replay& r) { r.Walk(s.GetSystemDirectoryA().value_or("")); });
    return Inner().GetSystemDirectoryA();
  }
  std::optional<OsVersionInfo> GetVersionExA() override {
    Ask("version", [](SystemFacts& s, Replay& r) {
      if (const auto v = s.GetVersionExA()) r.Walk(v->buildNumber);
    });
    return Inner().GetVersionExA();
  }
  SystemTime GetLocalTime() override {
    Ask("time", [](SystemFacts& s, Replay& r) { r.Walk(s.GetLocalTime().second); });
    return Inner().GetLocalTime();
  }
  LocaleFormats GetLocaleFormats() override {
    Ask("locale", [](SystemFacts& s, Replay& r) { r.Walk(s.GetLocaleFormats().shortDate); });
    return Inner().GetLocaleFormats();
  }
  std::optional<std::string> GetUserNameA() override {
    Ask("user", [](SystemFacts& s, Replay& r) { r.Walk(s.GetUserNameA().value_or("")); });
    return Inner().GetUserNameA();
  }
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    return Token("threadtoken", error,
                 [](SystemFacts& s, long& e) { return s.OpenThreadToken(e); });
  }
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    return Token("processtoken", error,
                 [](SystemFacts& s, long& e) { return s.OpenProcessToken(e); });
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    Ask("env|" + name, [name](SystemFacts& s, Replay& r) {
      r.Walk(s.GetEnvironmentVariableA(name).value_or(""));
    });
    return Inner().GetEnvironmentVariableA(name);
  }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    Ask("expand|" + text, [text](SystemFacts& s, Replay& r) {
      r.Walk(s.ExpandEnvironmentStringsA(text).value_or(""));
    });
    return Inner().ExpandEnvironmentStringsA(text);
  }
  std::string FormatMessageA(std::uint32_t code) override {
    Ask("message|" + Number(code),
        [code](SystemFacts& s, Replay& r) { r.Walk(s.FormatMessageA(code)); });
    return Inner().FormatMessageA(code);
  }
  int CompareStringA(const std::string& a, const std::string& b) override {
    Ask("compare|" + a + "|" + b, [a, b](SystemFacts& s, Replay& r) {
      r.Walk(static_cast<std::uint64_t>(s.CompareStringA(a, b)));
    });
    return Inner().CompareStringA(a, b);
  }
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override {
    Ask("localtime|" + Number(fileTime), [fileTime](SystemFacts& s, Replay& r) {
      if (const auto t = s.FileTimeToLocalTime(fileTime)) r.Walk(t->second);
    });
    return Inner().FileTimeToLocalTime(fileTime);
  }
  MemoryStatus GlobalMemoryStatus() override {
    Ask("memory", [](SystemFacts& s, Replay& r) { r.Walk(s.GlobalMemoryStatus().availPhys); });
    return Inner().GlobalMemoryStatus();
  }
  NativeMachine GetNativeMachine() override {
    Ask("machine", [](SystemFacts& s, Replay& r) {
      r.Walk(static_cast<std::uint32_t>(s.GetNativeMachine()));
    });
    return Inner().GetNativeMachine();
  }
  std::uint32_t GetLogicalDrives() override {
    Ask("drives", [](SystemFacts& s, Replay& r) { r.Walk(s.GetLogicalDrives()); });
    return Inner().GetLogicalDrives();
  }
  std::uint32_t GetDriveTypeA(const std::string& root) override {
    Ask("drivetype|" + root, [root](SystemFacts& s, Replay& r) { r.Walk(s.GetDriveTypeA(root)); });
    return Inner().GetDriveTypeA(root);
  }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
    Ask("freeex|" + root, [root](SystemFacts& s, Replay& r) {
      if (const auto f = s.GetDiskFreeSpaceExA(root)) r.Walk(static_cast<std::uint64_t>(f->total));
    });
    return Inner().GetDiskFreeSpaceExA(root);
  }
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
    Ask("free|" + root, [root](SystemFacts& s, Replay& r) {
      if (const auto f = s.GetDiskFreeSpaceA(root)) r.Walk(f->totalClusters);
    });
    return Inner().GetDiskFreeSpaceA(root);
  }
  std::uint32_t SetErrorMode(std::uint32_t mode) override {
    // Not a question: each change of the mode happens again.
    Ask("errormode|" + Number(++errorModes_),
        [mode](SystemFacts& s, Replay& r) { r.Walk(s.SetErrorMode(mode)); });
    return Inner().SetErrorMode(mode);
  }

 private:
  template <typename Call>
  void Ask(const std::string& key, Call call) {
    log_.Add(key, [call](Replay& r) { call(r.machine.System(), r); });
  }
  template <typename Open>
  std::unique_ptr<AccessToken> Token(const std::string& id, long& error, Open open) {
    log_.Add(id, [id, open](Replay& r) {
      long e = 0;
      if (auto token = open(r.machine.System(), e)) r.accessTokens[id] = std::move(token);
    });
    auto token = open(Inner(), error);
    if (!token) return token;
    return std::make_unique<RecordingToken>(std::move(token), id, log_);
  }

  QuestionLog& log_;
  std::uint64_t errorModes_ = 0;
};

// --- Files ---

class RecordingInput final : public ForwardingInputFile {
 public:
  RecordingInput(std::unique_ptr<InputFile> file, std::string id, QuestionLog& log)
      : ForwardingInputFile(std::move(file)), id_(std::move(id)), log_(log) {}
  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    log_.Add("read|" + id_ + "|" + Number(position_) + "|" + Number(size),
             [id = id_, size](Replay& r) {
               InputFile* file = Find(r.inputs, id);
               if (file == nullptr) return;
               std::vector<char> bytes(size);
               std::size_t got = 0;
               if (file->Read(bytes.data(), size, got) == kErrorSuccess) r.Walk(bytes.data(), got);
             });
    const long error = Inner().Read(buffer, size, count);
    if (error == kErrorSuccess) position_ += count;
    return error;
  }
  long Seek(std::uint64_t offset) override {
    log_.Add("seek|" + id_ + "|" + Number(offset), [id = id_, offset](Replay& r) {
      if (InputFile* file = Find(r.inputs, id)) file->Seek(offset);
    });
    position_ = offset;
    return Inner().Seek(offset);
  }
  long GetInformation(FileInformation& information) override {
    log_.Add("fileinfo|" + id_, [id = id_](Replay& r) {
      InputFile* file = Find(r.inputs, id);
      FileInformation answer;
      if (file != nullptr && file->GetInformation(answer) == kErrorSuccess) {
        r.Walk(answer.size + answer.lastWriteTime + answer.attributes);
      }
    });
    return Inner().GetInformation(information);
  }

 private:
  std::string id_;
  QuestionLog& log_;
  std::uint64_t position_ = 0;
};

class RecordingOutput final : public ForwardingOutputFile {
 public:
  RecordingOutput(std::unique_ptr<OutputFile> file, std::string id, QuestionLog& log)
      : ForwardingOutputFile(std::move(file)), id_(std::move(id)), log_(log) {}
  long Write(const char* data, std::size_t size) override {
    // Writes are no questions: every one happens again, with as many bytes.
    log_.Add("write|" + id_ + "|" + Number(++writes_), [id = id_, size](Replay& r) {
      if (OutputFile* file = Find(r.outputs, id)) file->Write(std::string(size, 'x').data(), size);
    });
    return Inner().Write(data, size);
  }
  long Close() override {
    log_.Add("close|" + id_, [id = id_](Replay& r) {
      if (OutputFile* file = Find(r.outputs, id)) file->Close();
    });
    return Inner().Close();
  }

 private:
  std::string id_;
  QuestionLog& log_;
  std::uint64_t writes_ = 0;
};

class RecordingFiles final : public ForwardingFileSystem {
 public:
  RecordingFiles(FileSystem& files, QuestionLog& log) : ForwardingFileSystem(files), log_(log) {}

  bool FileExists(const std::string& path) override {
    log_.Add("exists|" + path, [path](Replay& r) {
      r.Walk(static_cast<std::uint64_t>(r.machine.Files().FileExists(path)));
    });
    return Inner().FileExists(path);
  }
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    // A path opened again is the same question, and so are the reads and queries of the file
    // that repeat those of its first opening.
    log_.Add("open|" + path, [path](Replay& r) {
      std::unique_ptr<InputFile> opened;
      if (r.machine.Files().OpenInputFile(path, opened) == kErrorSuccess) {
        r.inputs[path] = std::move(opened);
      }
    });
    const long error = Inner().OpenInputFile(path, file);
    if (error == kErrorSuccess)
      file = std::make_unique<RecordingInput>(std::move(file), path, log_);
    return error;
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    log_.Add("attributes|" + path, [path](Replay& r) {
      std::uint32_t answer = 0;
      r.machine.Files().GetFileAttributesA(path, answer);
      r.Walk(answer);
    });
    return Inner().GetFileAttributesA(path, attributes);
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    log_.Add("list|" + folder, [folder](Replay& r) {
      std::vector<FolderEntryData> answer;
      r.machine.Files().ListFolder(folder, answer);
      for (const FolderEntryData& entry : answer) r.Walk(entry.name);
    });
    return Inner().ListFolder(folder, entries);
  }
  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    log_.Add("versioninfo|" + path, [path](Replay& r) {
      std::string answer;
      if (r.machine.Files().GetFileVersionInfoA(path, answer) == kErrorSuccess) {
        r.versionBlocks[path] = std::move(answer);
      }
    });
    const long error = Inner().GetFileVersionInfoA(path, block);
    if (error == kErrorSuccess) blocks_[block.data()] = path;
    return error;
  }
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    const auto owner = blocks_.find(block.data());
    const std::string path = owner == blocks_.end() ? std::string() : owner->second;
    log_.Add("versionquery|" + path + "|" + subBlock, [path, subBlock](Replay& r) {
      const auto it = r.versionBlocks.find(path);
      if (it == r.versionBlocks.end()) return;
      r.Walk(r.machine.Files().VerQueryValueA(it->second, subBlock).value_or(""));
    });
    return Inner().VerQueryValueA(block, subBlock);
  }
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    log_.Add(
        "profile|" + path + "|" + section.value_or("\x01") + "|" + key.value_or("\x01") + "|" +
            defaultText + "|" + Number(size),
        [=](Replay& r) {
          r.Walk(r.machine.Files().GetPrivateProfileStringA(section, key, defaultText, size, path));
        });
    return Inner().GetPrivateProfileStringA(section, key, defaultText, size, path);
  }
  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    log_.Add("shelllink|" + path, [path](Replay& r) {
      r.Walk(r.machine.Files().ReadShellLink(path).path.value_or(""));
    });
    return Inner().ReadShellLink(path);
  }
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    const std::string id = path + "#" + Number(outputs_++);
    // The floor writes beside the report, which stays for a look afterwards.
    log_.Add("create|" + id, [floorPath = path + ".floor", id](Replay& r) {
      std::unique_ptr<OutputFile> made;
      if (r.machine.Files().CreateOutputFile(floorPath, made) == kErrorSuccess) {
        r.outputs[id] = std::move(made);
      }
    });
    const long error = Inner().CreateOutputFile(path, file);
    if (error == kErrorSuccess) file = std::make_unique<RecordingOutput>(std::move(file), id, log_);
    return error;
  }
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    log_.Add("fullpath|" + path, [path](Replay& r) {
      std::string answer;
      r.machine.Files().GetFullPathNameA(path, answer);
      r.Walk(answer);
    });
    return Inner().GetFullPathNameA(path, fullPath);
  }

 private:
  QuestionLog& log_;
  std::map<const char*, std::string> blocks_;
  std::uint64_t outputs_ = 0;
};

// --- Services and processes ---

class RecordingService final : public ForwardingServiceHandle {
 public:
  RecordingService(std::unique_ptr<ServiceHandle> service, std::string id, QuestionLog& log)
      : ForwardingServiceHandle(std::move(service)), id_(std::move(id)), log_(log) {}
  long QueryServiceStatus(std::uint32_t& state) override {
    log_.Add("status|" + id_, [id = id_](Replay& r) {
      std::uint32_t answer = 0;
      if (ServiceHandle* service = Find(r.services, id)) service->QueryServiceStatus(answer);
      r.Walk(answer);
    });
    return Inner().QueryServiceStatus(state);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingManager final : public ForwardingServiceManager {
 public:
  RecordingManager(std::unique_ptr<ServiceManager> manager, std::string id, QuestionLog& log)
      : ForwardingServiceManager(std::move(manager)), id_(std::move(id)), log_(log) {}
  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    const std::string id = id_ + "|" + name + "|" + Number(access);
    log_.Add("service|" + id, [manager = id_, name, access, id](Replay& r) {
      ServiceManager* live = Find(r.managers, manager);
      long e = 0;
      if (live == nullptr) return;
      if (auto service = live->OpenServiceA(name, access, e)) r.services[id] = std::move(service);
    });
    auto service = Inner().OpenServiceA(name, access, error);
    if (!service) return service;
    return std::make_unique<RecordingService>(std::move(service), id, log_);
  }
  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    log_.Add("services|" + id_ + "|" + Number(serviceType) + "|" + Number(serviceState) + "|" +
                 Number(bufferSize),
             [manager = id_, serviceType, serviceState, bufferSize](Replay& r) {
               ServiceManager* live = Find(r.managers, manager);
               long e = 0;
               if (live == nullptr) return;
               for (const ServiceStatusEntry& entry :
                    live->EnumServicesStatusA(serviceType, serviceState, bufferSize, e)) {
                 r.Walk(entry.serviceName);
                 r.Walk(entry.displayName);
               }
             });
    return Inner().EnumServicesStatusA(serviceType, serviceState, bufferSize, error);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingProcess final : public ForwardingProcessHandle {
 public:
  RecordingProcess(std::unique_ptr<ProcessHandle> process, std::string id, QuestionLog& log)
      : ForwardingProcessHandle(std::move(process)), id_(std::move(id)), log_(log) {}
  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    log_.Add("modules|" + id_ + "|" + Number(bufferSize), [id = id_, bufferSize](Replay& r) {
      ProcessHandle* process = Find(r.processes, id);
      if (process == nullptr) return;
      if (const auto module = process->EnumProcessModules(bufferSize)) r.firstModules[id] = *module;
    });
    return Inner().EnumProcessModules(bufferSize);
  }
  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    log_.Add("modulename|" + id_ + "|" + Number(module) + "|" + Number(size),
             [id = id_, size](Replay& r) {
               ProcessHandle* process = Find(r.processes, id);
               const auto first = r.firstModules.find(id);
               if (process == nullptr || first == r.firstModules.end()) return;
               r.Walk(process->GetModuleFileNameExA(first->second, size).value_or(""));
             });
    return Inner().GetModuleFileNameExA(module, size);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingSnapshot final : public ForwardingProcessSnapshot {
 public:
  RecordingSnapshot(std::unique_ptr<ProcessSnapshot> snapshot, std::string id, QuestionLog& log)
      : ForwardingProcessSnapshot(std::move(snapshot)), id_(std::move(id)), log_(log) {}
  std::optional<std::string> Process32First() override { return Next(true); }
  std::optional<std::string> Process32Next() override { return Next(false); }

 private:
  std::optional<std::string> Next(bool first) {
    log_.Add("process|" + id_ + "|" + Number(step_++), [id = id_, first](Replay& r) {
      ProcessSnapshot* snapshot = Find(r.snapshots, id);
      if (snapshot == nullptr) return;
      r.Walk((first ? snapshot->Process32First() : snapshot->Process32Next()).value_or(""));
    });
    return first ? Inner().Process32First() : Inner().Process32Next();
  }

  std::string id_;
  QuestionLog& log_;
  std::uint64_t step_ = 0;
};

class RecordingPrivileges final : public ForwardingPrivilegeToken {
 public:
  RecordingPrivileges(std::unique_ptr<PrivilegeToken> token, std::string id, QuestionLog& log)
      : ForwardingPrivilegeToken(std::move(token)), id_(std::move(id)), log_(log) {}
  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    log_.Add("adjust|" + id_ + "|" + Number(luid) + "|" + Number(attributes),
             [id = id_, luid, attributes](Replay& r) {
               if (PrivilegeToken* token = Find(r.privilegeTokens, id)) {
                 token->AdjustTokenPrivileges(luid, attributes);
               }
             });
    return Inner().AdjustTokenPrivileges(luid, attributes);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingServices final : public ForwardingServicesProcesses {
 public:
  RecordingServices(ServicesProcesses& services, QuestionLog& log)
      : ForwardingServicesProcesses(services), log_(log) {}

  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override {
    const std::string id = machine + "|" + Number(access);
    log_.Add("manager|" + id, [machine, access, id](Replay& r) {
      long e = 0;
      if (auto manager = r.machine.Services().OpenSCManagerA(machine, access, e)) {
        r.managers[id] = std::move(manager);
      }
    });
    auto manager = Inner().OpenSCManagerA(machine, access, error);
    if (!manager) return manager;
    return std::make_unique<RecordingManager>(std::move(manager), id, log_);
  }
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override {
    log_.Add("processes|" + Number(bufferSize), [bufferSize](Replay& r) {
      if (const auto ids = r.machine.Services().EnumProcesses(bufferSize)) r.Walk(ids->size());
    });
    return Inner().EnumProcesses(bufferSize);
  }
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override {
    const std::string id = Number(access) + "|" + Number(processId);
    log_.Add("openprocess|" + id, [access, processId, id](Replay& r) {
      long e = 0;
      if (auto process = r.machine.Services().OpenProcess(access, processId, e)) {
        r.processes[id] = std::move(process);
      }
    });
    auto process = Inner().OpenProcess(access, processId, error);
    if (!process) return process;
    return std::make_unique<RecordingProcess>(std::move(process), id, log_);
  }
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override {
    const std::string id = Number(snapshots_++);
    log_.Add("snapshot|" + id, [id](Replay& r) {
      long e = 0;
      if (auto snapshot = r.machine.Services().CreateToolhelp32Snapshot(e)) {
        r.snapshots[id] = std::move(snapshot);
      }
    });
    auto snapshot = Inner().CreateToolhelp32Snapshot(error);
    if (!snapshot) return snapshot;
    return std::make_unique<RecordingSnapshot>(std::move(snapshot), id, log_);
  }
  long OpenMutexA(std::uint32_t access, const std::string& name) override {
    log_.Add("mutex|" + Number(access) + "|" + name, [access, name](Replay& r) {
      r.Walk(static_cast<std::uint64_t>(r.machine.Services().OpenMutexA(access, name)));
    });
    return Inner().OpenMutexA(access, name);
  }
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override {
    const std::string id = Number(access);
    log_.Add("privileges|" + id, [access, id](Replay& r) {
      long e = 0;
      if (auto token = r.machine.Services().OpenProcessToken(access, e)) {
        r.privilegeTokens[id] = std::move(token);
      }
    });
    auto token = Inner().OpenProcessToken(access, error);
    if (!token) return token;
    return std::make_unique<RecordingPrivileges>(std::move(token), id, log_);
  }
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                     long& error) override {
    log_.Add("privilege|" + name, [name](Replay& r) {
      long e = 0;
      r.Walk(r.machine.Services().LookupPrivilegeValueA(name, e).value_or(0));
    });
    return Inner().LookupPrivilegeValueA(name, error);
  }

 private:
  QuestionLog& log_;
  std::uint64_t snapshots_ = 0;
};

// --- Spooler and event logs ---

class RecordingSpooler final : public ForwardingPrintSpooler {
 public:
  RecordingSpooler(PrintSpooler& spooler, QuestionLog& log)
      : ForwardingPrintSpooler(spooler), log_(log) {}
  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override {
    log_.Add("ports|" + Number(bufferSize), [bufferSize](Replay& r) {
      std::uint32_t size = 0;
      std::vector<PortInfo2> answer;
      r.machine.Spooler().EnumPortsA(bufferSize, size, answer);
      for (const PortInfo2& port : answer) r.Walk(port.portName);
    });
    return Inner().EnumPortsA(bufferSize, needed, ports);
  }
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override {
    log_.Add("printers|" + Number(flags) + "|" + Number(level), [flags, level](Replay& r) {
      std::vector<PrinterEntry> answer;
      r.machine.Spooler().EnumPrintersA(flags, level, answer);
      for (const PrinterEntry& printer : answer) r.Walk(printer.printerName);
    });
    return Inner().EnumPrintersA(flags, level, printers);
  }

 private:
  QuestionLog& log_;
};

class RecordingEventLog final : public ForwardingEventLog {
 public:
  RecordingEventLog(std::unique_ptr<EventLog> log, std::string id, QuestionLog& questions)
      : ForwardingEventLog(std::move(log)), id_(std::move(id)), questions_(questions) {}
  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    const std::size_t size = buffer.size();
    questions_.Add("readlog|" + id_ + "|" + Number(reads_++), [id = id_, size](Replay& r) {
      EventLog* log = Find(r.eventLogs, id);
      if (log == nullptr) return;
      std::vector<char> bytes(size);
      std::uint32_t got = 0;
      std::uint32_t needed = 0;
      if (log->ReadEventLogA(bytes, got, needed) == kErrorSuccess) r.Walk(bytes.data(), got);
    });
    return Inner().ReadEventLogA(buffer, bytesRead, bytesNeeded);
  }

 private:
  std::string id_;
  QuestionLog& questions_;
  std::uint64_t reads_ = 0;
};

class RecordingModule final : public ForwardingMessageModule {
 public:
  RecordingModule(std::unique_ptr<MessageModule> module, std::string id, QuestionLog& log)
      : ForwardingMessageModule(std::move(module)), id_(std::move(id)), log_(log) {}
  long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                      std::string& text) override {
    std::string key = "format|" + id_ + "|" + Number(messageId);
    for (const std::string& s : strings) key += "|" + s;
    log_.Add(std::move(key), [id = id_, messageId, strings](Replay& r) {
      MessageModule* module = Find(r.modules, id);
      std::string answer;
      if (module != nullptr &&
          module->FormatMessageA(messageId, strings, answer) == kErrorSuccess) {
        r.Walk(answer);
      }
    });
    return Inner().FormatMessageA(messageId, strings, text);
  }

 private:
  std::string id_;
  QuestionLog& log_;
};

class RecordingEventLogs final : public ForwardingEventLogs {
 public:
  RecordingEventLogs(EventLogs& logs, QuestionLog& log) : ForwardingEventLogs(logs), log_(log) {}
  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override {
    const std::string id = logName + "#" + Number(opens_++);
    log_.Add("openlog|" + id, [logName, id](Replay& r) {
      long e = 0;
      if (auto log = r.machine.EventLogs().OpenEventLogA(logName, e))
        r.eventLogs[id] = std::move(log);
    });
    auto log = Inner().OpenEventLogA(logName, error);
    if (!log) return log;
    return std::make_unique<RecordingEventLog>(std::move(log), id, log_);
  }
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
    log_.Add("library|" + path, [path](Replay& r) {
      long e = 0;
      if (auto module = r.machine.EventLogs().LoadLibraryExA(path, e)) {
        r.modules.emplace(path, std::move(module));
      }
    });
    auto module = Inner().LoadLibraryExA(path, error);
    if (!module) return module;
    return std::make_unique<RecordingModule>(std::move(module), path, log_);
  }

 private:
  QuestionLog& log_;
  std::uint64_t opens_ = 0;
};

class RecordingMachine final : public LayeredPlatform {
 public:
  RecordingMachine(Platform& machine, QuestionLog& log) : LayeredPlatform(machine) {
    Layer(std::make_unique<RecordingRegistry>(machine.Registry(), log));
    Layer(std::make_unique<RecordingSystem>(machine.System(), log));
    Layer(std::make_unique<RecordingFiles>(machine.Files(), log));
    Layer(std::make_unique<RecordingServices>(machine.Services(), log));
    Layer(std::make_unique<RecordingSpooler>(machine.Spooler(), log));
    Layer(std::make_unique<RecordingEventLogs>(machine.EventLogs(), log));
  }
};

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

std::unique_ptr<Platform> RecordingPlatform(Platform& machine, QuestionLog& log) {
  return std::make_unique<RecordingMachine>(machine, log);
}

PhaseTimes ReplayQuestions(Platform& machine, const QuestionLog& log) {
  PhaseTimes times;
  Replay replay(machine);
  for (const QuestionLog::Phase& phase : log.Phases()) {
    const Clock::time_point start = Clock::now();
    for (const auto& ask : phase.questions) ask(replay);
    times.names.push_back(phase.name);
    times.milliseconds.push_back(MillisecondsBetween(start, Clock::now()));
  }
  // Closing what the floor opened belongs to its last phase, as the run's closes do.
  const Clock::time_point start = Clock::now();
  replay.CloseAll();
  if (!times.milliseconds.empty())
    times.milliseconds.back() += MillisecondsBetween(start, Clock::now());
  if (replay.walked == 0) throw std::runtime_error("the floor read nothing");
  return times;
}

void TimingFrontEnd::ShowStatus(const std::string& line) {
  names_.push_back(line);
  starts_.push_back(Clock::now());
  if (log_ != nullptr) log_->StartPhase(line);
}

PhaseTimes TimingFrontEnd::Finish() const {
  PhaseTimes times;
  const Clock::time_point end = Clock::now();
  for (std::size_t i = 0; i < names_.size(); ++i) {
    times.names.push_back(names_[i]);
    times.milliseconds.push_back(
        MillisecondsBetween(starts_[i], i + 1 < starts_.size() ? starts_[i + 1] : end));
  }
  return times;
}

PhaseTimes TimeRun(Platform& machine, const std::string& savePath, QuestionLog* log,
                   const RunSequence& run) {
  std::unique_ptr<Platform> recording;
  Platform* used = &machine;
  if (log != nullptr) {
    recording = RecordingPlatform(machine, *log);
    used = recording.get();
  }
  TimingFrontEnd frontEnd(savePath, log);
  RunContext context(*used, frontEnd);
  if (!run(context)) {
    throw std::runtime_error("the run wrote no report: " +
                             (frontEnd.errors.empty() ? std::string() : frontEnd.errors.front()));
  }
  return frontEnd.Finish();
}

namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Sum(const PhaseTimes& times) {
  double sum = 0;
  for (const double ms : times.milliseconds) sum += ms;
  return sum;
}

/// The phase's name in plain ASCII, for any console.
std::string PlainName(const std::string& name) {
  std::string plain;
  for (const char c : name) plain += static_cast<unsigned char>(c) < 0x80 ? c : '?';
  return plain;
}

}  // namespace

Comparison CompareWithFloor(Platform& machine, const std::string& savePath, int rounds,
                            const RunSequence& run) {
  QuestionLog log;
  TimeRun(machine, savePath, &log, run);
  std::vector<PhaseTimes> runs;
  std::vector<PhaseTimes> floors;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      runs.push_back(TimeRun(machine, savePath, nullptr, run));
      floors.push_back(ReplayQuestions(machine, log));
    } else {
      floors.push_back(ReplayQuestions(machine, log));
      runs.push_back(TimeRun(machine, savePath, nullptr, run));
    }
  }
  Comparison comparison;
  comparison.asked = log.Asked();
  comparison.distinct = log.Distinct();
  if (runs.empty()) return comparison;
  comparison.names = runs.front().names;
  for (const QuestionLog::Phase& phase : log.Phases()) {
    comparison.phaseAsked.push_back(phase.asked);
    comparison.phaseDistinct.push_back(phase.questions.size());
  }
  for (std::size_t phase = 0; phase < comparison.names.size(); ++phase) {
    std::vector<double> runPhase;
    std::vector<double> floorPhase;
    runPhase.reserve(runs.size());
    floorPhase.reserve(floors.size());
    for (const PhaseTimes& times : runs) {
      runPhase.push_back(phase < times.milliseconds.size() ? times.milliseconds[phase] : 0);
    }
    for (const PhaseTimes& times : floors) {
      floorPhase.push_back(phase < times.milliseconds.size() ? times.milliseconds[phase] : 0);
    }
    comparison.run.push_back(Median(runPhase));
    comparison.floor.push_back(Median(floorPhase));
  }
  std::vector<double> runTotals;
  std::vector<double> floorTotals;
  runTotals.reserve(runs.size());
  floorTotals.reserve(floors.size());
  for (const PhaseTimes& times : runs) runTotals.push_back(Sum(times));
  for (const PhaseTimes& times : floors) floorTotals.push_back(Sum(times));
  comparison.runTotal = Median(runTotals);
  comparison.floorTotal = Median(floorTotals);
  return comparison;
}

void PrintComparison(const Comparison& comparison, std::FILE* out) {
  const auto ratio = [](double run, double floor) { return floor > 0 ? run / floor : 0.0; };
  const auto count = [](const std::vector<std::size_t>& counts, std::size_t i) {
    return i < counts.size() ? counts[i] : 0;
  };
  std::fprintf(out, "%-46s %9s %9s %6s %8s %8s\n", "phase (ms, medians)", "run", "floor", "ratio",
               "asked", "distinct");
  for (std::size_t i = 0; i < comparison.names.size(); ++i) {
    std::fprintf(out, "%-46s %9.2f %9.2f %6.2f %8zu %8zu\n", PlainName(comparison.names[i]).c_str(),
                 comparison.run[i], comparison.floor[i],
                 ratio(comparison.run[i], comparison.floor[i]), count(comparison.phaseAsked, i),
                 count(comparison.phaseDistinct, i));
  }
  std::fprintf(out, "%-46s %9.2f %9.2f %6.2f\n", "whole run", comparison.runTotal,
               comparison.floorTotal, ratio(comparison.runTotal, comparison.floorTotal));
  std::fprintf(out, "questions asked by the run: %zu, of them distinct (the floor's): %zu\n",
               comparison.asked, comparison.distinct);
}

}  // namespace kdx::bench
