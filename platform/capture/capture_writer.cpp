#include "platform/capture/capture_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#endif

#include "platform/capture/capture_platform.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "platform/wow64_view.h"

namespace kdx {

namespace {

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
  return _mkdir(path.c_str()) == 0 || errno == EEXIST;
#else
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
#endif
}

// Closes the C stream on every way out.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, FileCloser>;

class Writer {
 public:
  Writer(Platform& machine, std::string folder, CaptureTotals& totals)
      : machine_(machine), folder_(std::move(folder)), totals_(totals) {}

  // Opens a file below the capture folder; the error text stays for the caller.
  CFile Create(const std::string& relative) {
    CFile file(std::fopen((folder_ + "/" + relative).c_str(), "wb"));
    if (!file && problem_.empty()) problem_ = "cannot write " + folder_ + "/" + relative;
    if (file) ++totals_.files;
    return file;
  }
  void Put(std::FILE* file, std::string_view bytes) {
    if (file == nullptr) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() && problem_.empty()) {
      problem_ = "cannot write into " + folder_ + " (disk full?)";
    }
    totals_.bytes += bytes.size();
  }
  bool Folder(const std::string& relative) {
    // Every file names its folders again; each is made once.
    if (!made_.insert(relative).second) return true;
    if (MakeFolder(relative.empty() ? folder_ : folder_ + "/" + relative)) return true;
    if (problem_.empty()) problem_ = "cannot make the folder " + folder_ + "/" + relative;
    return false;
  }
  Platform& Machine() { return machine_; }
  const std::string& Problem() const { return problem_; }

 private:
  Platform& machine_;
  std::string folder_;
  CaptureTotals& totals_;
  std::string problem_;
  std::set<std::string> made_;
};

// --- machine.json ---

}  // namespace

std::string JsonText(const std::string& cp1252) {
  std::string out = "\"";
  for (const char c : Cp1252ToUtf8(cp1252)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    text += kDigits[(byte >> 4) & 0xF];
    text += kDigits[byte & 0xF];
  }
  return text;
}

namespace {

// Members of one JSON object, written as they come.
class JsonObject {
 public:
  void Add(const std::string& name, const std::string& json) {
    text_ += (text_.empty() ? "" : ", ") + JsonText(name) + ": " + json;
  }
  void Add(const std::string& name, std::uint64_t number) { Add(name, std::to_string(number)); }
  void AddText(const std::string& name, const std::string& text) { Add(name, JsonText(text)); }
  std::string Json() const { return "{" + text_ + "}"; }
  bool Empty() const { return text_.empty(); }

 private:
  std::string text_;
};

std::string JsonArray(const std::vector<std::string>& items) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return text + "]";
}

std::string TimeText(const SystemTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::string SidText(const Sid& sid) {
  std::string text = "S-1-" + std::to_string(sid.authority);
  for (const std::uint32_t sub : sid.subAuthorities) text += "-" + std::to_string(sub);
  return text;
}

std::string TokenJson(const CapturedToken& token) {
  JsonObject object;
  if (token.openError != 0) {
    object.Add("error", static_cast<std::uint64_t>(token.openError));
  } else if (!token.groups) {
    object.Add("groupQueryFails", "true");
  } else {
    std::vector<std::string> groups;
    for (const Sid& sid : *token.groups) groups.push_back(JsonText(SidText(sid)));
    object.Add("groups", JsonArray(groups));
  }
  return object.Json();
}

std::string AttributeLetters(std::uint32_t attributes) {
  static constexpr std::pair<std::uint32_t, char> kLetters[] = {
      {kFileAttributeArchive, 'A'},   {kFileAttributeCompressed, 'C'},
      {kFileAttributeDirectory, 'D'}, {kFileAttributeHidden, 'H'},
      {kFileAttributeReadOnly, 'R'},  {kFileAttributeSystem, 'S'},
      {kFileAttributeTemporary, 'T'}, {kFileAttributeReparsePoint, 'L'}};
  std::string letters;
  for (const auto& [bit, letter] : kLetters) {
    if ((attributes & bit) != 0) letters += letter;
  }
  return letters.empty() ? "N" : letters;
}

void AddSystemFacts(const CaptureRecord& record, std::uint16_t userLanguage, JsonObject& json) {
  const auto optionalText = [](const std::optional<std::string>& text) {
    return text ? JsonText(*text) : std::string("null");
  };
  json.Add("windowsDirectory", optionalText(record.windowsDirectory));
  json.Add("systemDirectory", optionalText(record.systemDirectory));
  if (record.version) {
    JsonObject version;
    version.Add("major", record.version->majorVersion);
    version.Add("minor", record.version->minorVersion);
    version.Add("build", record.version->buildNumber);
    version.Add("platformId", record.version->platformId);
    version.AddText("servicePack", record.version->servicePack);
    json.Add("version", version.Json());
  } else {
    json.Add("version", "null");
  }
  if (record.nativeMachine != NativeMachine::kNone) {
    json.AddText("architecture", std::string(ArchitectureName(record.nativeMachine)));
  }
  if (record.userName) json.AddText("userName", *record.userName);
  // Absent, the thread has no token of its own, as on most PCs.
  if (record.threadToken && record.threadToken->openError != kErrorNoToken) {
    json.Add("threadToken", TokenJson(*record.threadToken));
  }
  if (record.processToken) json.Add("processToken", TokenJson(*record.processToken));
  JsonObject environment;
  for (const auto& [key, assignment] : record.environment) {
    const auto equals = assignment.find('=');
    environment.AddText(assignment.substr(0, equals), assignment.substr(equals + 1));
  }
  if (!environment.Empty()) json.Add("environment", environment.Json());
  if (record.localTime) json.AddText("localTime", TimeText(*record.localTime));
  if (record.locale) {
    JsonObject locale;
    locale.AddText("shortDate", record.locale->shortDate);
    locale.AddText("longTime", record.locale->longTime);
    locale.AddText("timeSeparator", record.locale->timeSeparator);
    json.Add("locale", locale.Json());
  }
  if (record.utcOffsetMinutes)
    json.Add("utcOffsetMinutes", std::to_string(*record.utcOffsetMinutes));
  char language[8];
  std::snprintf(language, sizeof language, "0x%04X", userLanguage);
  json.AddText("userLanguage", language);
  JsonObject messages;
  for (const auto& [code, text] : record.messages) messages.AddText(std::to_string(code), text);
  if (!messages.Empty()) json.Add("messages", messages.Json());
  if (record.memory) {
    JsonObject memory;
    memory.Add("totalPhys", record.memory->totalPhys);
    memory.Add("availPhys", record.memory->availPhys);
    memory.Add("totalPageFile", record.memory->totalPageFile);
    memory.Add("availPageFile", record.memory->availPageFile);
    json.Add("memory", memory.Json());
  }
}

void AddDrives(const CaptureRecord& record, JsonObject& json) {
  JsonObject roots;
  for (const auto& [root, drive] : record.drives) {
    if (drive.type == kDriveNoRootDir) continue;
    JsonObject facts;
    facts.Add("type", drive.type);
    if (drive.space) {
      JsonObject space;
      space.Add("freeAvailable", std::to_string(drive.space->freeAvailable));
      space.Add("total", std::to_string(drive.space->total));
      space.Add("totalFree", std::to_string(drive.space->totalFree));
      facts.Add("space", space.Json());
    }
    if (drive.clusters) {
      JsonObject clusters;
      clusters.Add("sectorsPerCluster", drive.clusters->sectorsPerCluster);
      clusters.Add("bytesPerSector", drive.clusters->bytesPerSector);
      clusters.Add("freeClusters", drive.clusters->freeClusters);
      clusters.Add("totalClusters", drive.clusters->totalClusters);
      facts.Add("clusters", clusters.Json());
    }
    roots.Add(root, facts.Json());
  }
  JsonObject drives;
  drives.Add("roots", roots.Json());
  if (record.driveMask) drives.Add("mask", *record.driveMask);
  if (record.hasDiskFreeSpaceEx == false) drives.Add("diskFreeSpaceEx", "false");
  json.Add("drives", drives.Json());
}

void AddServicesAndProcesses(const CaptureRecord& record, JsonObject& json) {
  JsonObject services;
  if (record.managerError == kErrorAccessDenied) services.Add("managerAccess", "[]");
  if (record.enumServicesError) services.Add("enumError", *record.enumServicesError);
  std::vector<std::string> list;
  for (const std::string& key : record.serviceOrder) {
    const auto& [name, service] = record.services.at(key);
    JsonObject entry;
    entry.AddText("name", name);
    entry.AddText("displayName", service.displayName);
    entry.Add("state", service.state);
    if (service.openError == kErrorAccessDenied) entry.Add("access", "[]");
    if (service.queryError != 0) entry.Add("queryError", service.queryError);
    list.push_back(entry.Json());
  }
  services.Add("list", JsonArray(list));
  json.Add("services", services.Json());

  JsonObject processes;
  std::vector<std::string> processList;
  for (const CapturedProcess& process : record.processes) {
    JsonObject entry;
    entry.Add("id", process.id);
    entry.AddText("path", process.path);
    if (process.openError != 0) entry.Add("openError", process.openError);
    if (process.modulesError != 0) entry.Add("modulesError", process.modulesError);
    if (process.pathError != 0) entry.Add("pathError", process.pathError);
    processList.push_back(entry.Json());
  }
  processes.Add("list", JsonArray(processList));
  if (record.enumProcessesError) processes.Add("enumError", *record.enumProcessesError);
  if (record.snapshotError) processes.Add("snapshotError", *record.snapshotError);
  json.Add("processes", processes.Json());

  std::vector<std::string> mutexes;
  for (const auto& [name, error] : record.mutexes) {
    JsonObject mutex;
    mutex.AddText("name", name);
    if (error == kErrorAccessDenied) mutex.Add("access", "[]");
    mutexes.push_back(mutex.Json());
  }
  json.Add("mutexes", JsonArray(mutexes));
  JsonObject privilege;
  if (record.privilegeTokenError != 0) privilege.Add("tokenError", record.privilegeTokenError);
  if (record.privilegeLookupError != 0) privilege.Add("lookupError", record.privilegeLookupError);
  if (!record.privilegeHeld) privilege.Add("held", "false");
  if (!privilege.Empty()) json.Add("shutdownPrivilege", privilege.Json());
}

void AddSpooler(const CaptureRecord& record, JsonObject& json) {
  JsonObject spooler;
  std::vector<std::string> ports;
  for (const PortInfo2& port : record.ports) {
    JsonObject entry;
    entry.AddText("name", port.portName);
    entry.AddText("monitor", port.monitorName);
    entry.AddText("description", port.description);
    ports.push_back(entry.Json());
  }
  spooler.Add("ports", JsonArray(ports));
  std::vector<std::string> printers;
  for (const PrinterEntry& printer : record.printers) {
    JsonObject entry;
    entry.AddText("name", printer.printerName);
    entry.AddText("port", printer.portName);
    printers.push_back(entry.Json());
  }
  spooler.Add("printers", JsonArray(printers));
  std::vector<long> errors = record.enumPortsErrors;
  while (!errors.empty() && errors.back() == 0) errors.pop_back();
  if (!errors.empty()) {
    std::vector<std::string> codes;
    codes.reserve(errors.size());
    for (const long code : errors) codes.push_back(std::to_string(code));
    spooler.Add("enumPortsErrors", JsonArray(codes));
  }
  if (record.enumPrintersError != 0) spooler.Add("enumPrintersError", record.enumPrintersError);
  json.Add("spooler", spooler.Json());
}

// --- where a 64-bit Windows keeps what the run saw ---

// On a 64-bit Windows the run reached files and keys by the names WOW64 shows a 32-bit
// program (System32 for SysWOW64, SOFTWARE for SOFTWARE\Wow6432Node); the machine directory
// holds them where they lie, and the replay shows them under those names again.
std::optional<Wow64View> CapturedWow64View(const CaptureRecord& record) {
  if (record.nativeMachine == NativeMachine::kNone) return std::nullopt;
  const OsVersionInfo version = record.version.value_or(OsVersionInfo{});
  return Wow64View(version.majorVersion, version.minorVersion,
                   record.windowsDirectory.value_or(""));
}

/// A captured file where it lies on the machine (file.path), and the path the run reached it
/// by, which reads it there.
struct PlacedFile {
  CapturedFile file;
  std::string readPath;
};

/// What two paths to one file saw of it, in one: a file the run read by either is copied.
void MergeSightings(PlacedFile& placed, const CapturedFile& other, const std::string& readPath) {
  CapturedFile& file = placed.file;
  if (other.use > file.use) {
    file.use = other.use;
    placed.readPath = readPath;
  }
  file.folder = file.folder || other.folder;
  if (!file.attributes) file.attributes = other.attributes;
  if (!file.lastWriteTime) file.lastWriteTime = other.lastWriteTime;
  if (!file.size) file.size = other.size;
  if (!file.versionBlock) file.versionBlock = other.versionBlock;
  if (file.openError == 0) file.openError = other.openError;
}

/// The captured files by the capture key of where they lie.
std::map<std::string, PlacedFile> FilesWhereTheyLie(
    const std::map<std::string, CapturedFile>& files, const std::optional<Wow64View>& view) {
  std::map<std::string, PlacedFile> placed;
  for (const auto& [key, file] : files) {
    CapturedFile lying = file;
    if (view) lying.path = view->FilePath(file.path);
    const auto [found, added] =
        placed.try_emplace(CaptureFileKeyOf(lying.path), PlacedFile{lying, file.path});
    if (!added) MergeSightings(found->second, file, file.path);
  }
  return placed;
}

// --- drive folders ---

// The parts of a capture key ("C:\\WINDOWS\\WIN.INI").
std::vector<std::string> PartsOf(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path + "\\") {
    if (c != '\\' && c != '/') {
      part += c;
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
      part.clear();
    }
  }
  return parts;
}

bool OnDrive(const std::vector<std::string>& parts) {
  return !parts.empty() && parts[0].size() == 2 && parts[0][1] == ':' &&
         ((parts[0][0] >= 'A' && parts[0][0] <= 'Z') || (parts[0][0] >= 'a' && parts[0][0] <= 'z'));
}

// The folder below the capture that holds a path: each part spelt as the file system lists
// it where the run listed it, else as the run first spelt it.
std::string RelativePathOf(const std::map<std::string, PlacedFile>& files, const std::string& key) {
  const std::vector<std::string> keyParts = PartsOf(key);
  std::string relative = "drive_";
  relative += static_cast<char>(keyParts[0][0] - 'A' + 'a');
  std::string prefix = keyParts[0];
  for (std::size_t i = 1; i < keyParts.size(); ++i) {
    prefix += "\\" + keyParts[i];
    const auto found = files.find(prefix);
    const std::vector<std::string> spelt =
        found != files.end() ? PartsOf(found->second.file.path) : std::vector<std::string>();
    relative += "/" + (spelt.size() == i + 1 ? spelt.back() : keyParts[i]);
  }
  return relative;
}

struct FileFacts {
  std::optional<std::uint64_t> lastWriteTime;
  std::optional<std::uint32_t> attributes;
  std::optional<std::uint64_t> size;
};

// Copies a file the run read; its facts come with it.
FileFacts CopyFile(Writer& writer, const PlacedFile& placed, const std::string& relative) {
  FileFacts facts;
  CFile out = writer.Create(relative);
  std::unique_ptr<InputFile> in;
  if (writer.Machine().Files().OpenInputFile(placed.readPath, in) != kErrorSuccess) return facts;
  FileInformation information;
  if (in->GetInformation(information) == kErrorSuccess) {
    facts.lastWriteTime = information.lastWriteTime;
    facts.attributes = information.attributes;
  }
  std::vector<char> buffer(1 << 16);
  std::size_t count = 0;
  while (in->Read(buffer.data(), buffer.size(), count) == kErrorSuccess && count > 0) {
    writer.Put(out.get(), std::string_view(buffer.data(), count));
  }
  return facts;
}

// The facts of a file the run did not read: what the run saw, and what it did not see asked of
// the machine once more.
FileFacts FactsOfUnreadFile(Writer& writer, const PlacedFile& placed) {
  const CapturedFile& file = placed.file;
  FileFacts facts{file.lastWriteTime, file.attributes, file.size};
  if (facts.lastWriteTime && facts.attributes && facts.size) return facts;
  std::unique_ptr<InputFile> in;
  if (writer.Machine().Files().OpenInputFile(placed.readPath, in) != kErrorSuccess) return facts;
  FileInformation information;
  if (in->GetInformation(information) != kErrorSuccess) return facts;
  if (!facts.lastWriteTime) facts.lastWriteTime = information.lastWriteTime;
  if (!facts.attributes) facts.attributes = information.attributes;
  if (!facts.size) facts.size = information.size;
  return facts;
}

// The version resource as the file holds it: GetFileVersionInfoA's buffer less the room it
// leaves behind the resource for VerQueryValueA's conversions, which the replay leaves again.
// A buffer whose room holds anything else, or a 16-bit one, is kept whole.
std::string_view VersionResourceOf(std::string_view block) {
  if (block.size() < 8 || (block.size() - 4) % 2 != 0) return block;
  const auto firstKeyByte = static_cast<unsigned char>(block[4]);
  if (firstKeyByte >= ' ' && firstKeyByte < 0x80) return block;
  const std::size_t resource = (block.size() - 4) / 2;
  const std::size_t rootLength =
      static_cast<unsigned char>(block[0]) | static_cast<std::size_t>(block[1] & 0xFF) << 8;
  for (std::size_t i = resource; i < block.size(); ++i) {
    const bool conversionMark = i >= rootLength && i < rootLength + 4;
    if (!conversionMark && block[i] != '\0') return block;
  }
  return block.substr(0, resource);
}

void WriteDriveFiles(const CaptureRecord& record, Writer& writer, JsonObject& json) {
  JsonObject files;
  std::set<char> drives;
  const std::map<std::string, PlacedFile> placedFiles =
      FilesWhereTheyLie(record.files, CapturedWow64View(record));
  for (const auto& [key, placed] : placedFiles) {
    const CapturedFile& file = placed.file;
    const std::vector<std::string> parts = PartsOf(key);
    if (!OnDrive(parts)) continue;
    if (drives.insert(parts[0][0]).second) {
      writer.Folder(std::string("drive_") + static_cast<char>(parts[0][0] - 'A' + 'a'));
    }
    if (parts.size() < 2) continue;
    const std::string relative = RelativePathOf(placedFiles, key);
    for (std::size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      writer.Folder(relative.substr(0, slash));
    }
    FileFacts facts{file.lastWriteTime, file.attributes, std::nullopt};
    if (file.folder) {
      writer.Folder(relative);
    } else if (file.use == FileUse::Copied) {
      const FileFacts read = CopyFile(writer, placed, relative);
      if (!facts.lastWriteTime) facts.lastWriteTime = read.lastWriteTime;
      if (!facts.attributes) facts.attributes = read.attributes;
    } else {
      // A file the run never read is stated by its size: no bytes of it go into the capture.
      facts = FactsOfUnreadFile(writer, placed);
      // Known by its name alone, it is an empty file.
      if (!facts.size) writer.Create(relative);
    }
    JsonObject stated;
    if (facts.lastWriteTime) {
      const auto local = writer.Machine().System().FileTimeToLocalTime(*facts.lastWriteTime);
      if (local) stated.AddText("lastWrite", TimeText(*local));
    }
    if (facts.attributes) stated.AddText("attributes", AttributeLetters(*facts.attributes));
    if (file.openError != 0) stated.Add("openError", file.openError);
    if (facts.size) {
      stated.Add("size", *facts.size);
      if (file.versionBlock) {
        stated.AddText("versionInfo", HexText(VersionResourceOf(*file.versionBlock)));
      }
    }
    if (!stated.Empty()) files.Add(file.path, stated.Json());
  }
  if (!files.Empty()) json.Add("files", files.Json());
}

// --- registry/capture.reg ---

std::string RegText(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// REGEDIT4 has no way to write a line break in a key's or a value's name.
bool HoldsLineBreak(std::string_view name) { return name.find_first_of("\r\n") != name.npos; }

}  // namespace

std::optional<std::string> RegValueLine(const std::string& name, std::uint32_t type,
                                        std::string_view data) {
  if (HoldsLineBreak(name)) return std::nullopt;
  std::string line = name.empty() ? "@=" : "\"" + RegText(name) + "\"=";
  const bool plainText = type == kRegSz && !data.empty() && data.back() == '\0' &&
                         data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
  if (plainText) return line + "\"" + RegText(std::string(data.substr(0, data.size() - 1))) + "\"";
  char hex[16];
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(data[i]);
    std::snprintf(hex, sizeof hex, "dword:%08x", value);
    return line + hex;
  }
  std::snprintf(hex, sizeof hex, "hex(%x):", type);
  line += type == kRegBinary ? "hex:" : hex;
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", static_cast<std::uint8_t>(data[i]));
    line += hex;
  }
  return line;
}

namespace {

RegKey RootOf(const std::string& path, std::string& subPath) {
  static constexpr std::pair<std::string_view, RegKey> kRoots[] = {
      {"HKEY_CLASSES_ROOT", kHKeyClassesRoot},
      {"HKEY_CURRENT_USER", kHKeyCurrentUser},
      {"HKEY_LOCAL_MACHINE", kHKeyLocalMachine},
      {"HKEY_USERS", kHKeyUsers},
      {"HKEY_CURRENT_CONFIG", kHKeyCurrentConfig}};
  const std::string root = path.substr(0, path.find('\\'));
  subPath = root.size() < path.size() ? path.substr(root.size() + 1) : std::string();
  for (const auto& [name, key] : kRoots) {
    if (name == root) return key;
  }
  return 0;
}

/// The full path of a key where it lies ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\...").
std::string KeyWhereItLies(const std::string& path, const std::optional<Wow64View>& view) {
  std::string subPath;
  const RegKey root = RootOf(path, subPath);
  if (!view || root == 0) return path;
  const std::string lies = view->KeyPath(root, subPath);
  return path.substr(0, path.find('\\')) + (lies.empty() ? "" : "\\" + lies);
}

// The values of the key the run opened by path, as .reg lines below the header of where it
// lies; its subkeys' names when the run listed them.
std::string KeySection(RegistryStore& store, const std::string& path, const std::string& lies,
                       bool withSubkeys, std::vector<std::string>& subkeys) {
  std::string subPath;
  const RegKey root = RootOf(path, subPath);
  RegKey key = 0;
  if (root == 0 || HoldsLineBreak(path) ||
      store.RegOpenKeyExA(root, subPath, kKeyRead, key) != kErrorSuccess) {
    return {};
  }
  const OpenedKey opened(store, key);
  RegKeyInfo info;
  if (store.RegQueryInfoKeyA(key, info) != kErrorSuccess) return {};
  std::string section = "\r\n[" + lies + "]\r\n";
  std::vector<char> name(info.maxValueNameLen + 2);
  std::vector<std::uint8_t> data(info.maxValueLen + 1);
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
    std::uint32_t type = 0;
    std::uint32_t dataSize = static_cast<std::uint32_t>(data.size());
    const long error =
        store.RegEnumValueA(key, index, name.data(), nameSize, &type, data.data(), &dataSize);
    if (error != kErrorSuccess) break;
    const auto line =
        RegValueLine(std::string(name.data(), nameSize), type,
                     std::string_view(reinterpret_cast<const char*>(data.data()), dataSize));
    if (line) section += *line + "\r\n";
  }
  if (withSubkeys) ListSubkeyNames(store, key, info, subkeys);
  return section;
}

// A listed subkey the run could not open (a name the A calls cannot spell: "??????" for one in
// another script) keeps refusing every open in the replay.
void WriteRegistry(const CaptureRecord& record, Writer& writer, CaptureTotals& totals,
                   JsonObject& json) {
  JsonObject refused;
  std::string stubs;
  std::string sections;
  const std::optional<Wow64View> view = CapturedWow64View(record);
  // Two names of one key (SOFTWARE\X and SOFTWARE\Wow6432Node\X) give it once.
  std::set<std::string> written;
  for (const auto& [upper, key] : record.keys) {
    const std::string lies = KeyWhereItLies(key.path, view);
    if (!written.insert(CaptureKeyOf(lies)).second) continue;
    std::vector<std::string> subkeys;
    const std::string section =
        KeySection(writer.Machine().Registry(), key.path, lies, key.subkeysListed, subkeys);
    if (section.empty()) continue;
    sections += section;
    ++totals.keys;
    // A listed subkey the run did not open is written as an empty key, ahead of the rest, so
    // that it keeps the spelling the registry lists it by.
    for (const std::string& subkey : subkeys) {
      const std::string path = key.path + "\\" + subkey;
      if (record.keys.count(CaptureKeyOf(path)) != 0 || HoldsLineBreak(path)) continue;
      const std::string subkeyLies = KeyWhereItLies(path, view);
      stubs += "\r\n[" + subkeyLies + "]\r\n";
      ++totals.keys;
      if (record.unopenedKeys.count(CaptureKeyOf(path)) != 0) refused.Add(subkeyLies, "[]");
    }
  }
  if (!refused.Empty()) json.Add("registryAccess", refused.Json());
  writer.Folder("registry");
  CFile file = writer.Create("registry/capture.reg");
  writer.Put(file.get(), "REGEDIT4\r\n" + stubs + sections + "\r\n");
}

// --- eventlog/*.evt ---

std::uint32_t Dword(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

void PutDword(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string Utf16z(std::string_view ansi) {
  std::string bytes;
  for (const char16_t unit : AnsiToUtf16(ansi)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes + std::string(2, '\0');
}

void PadTo4(std::string& bytes) { bytes.resize((bytes.size() + 3) / 4 * 4, '\0'); }

constexpr std::uint32_t kEvtSignature = 0x654C664C;  // "LfLe"

// One EVENTLOGRECORD of the A call in the file's UTF-16 form; empty when it is malformed.
std::string WideRecord(std::string_view record) {
  constexpr std::size_t kFixed = 56;
  if (record.size() < kFixed + 4) return {};
  const std::uint16_t strings = static_cast<std::uint16_t>(Dword(record, 24) >> 16);
  const std::uint32_t stringOffset = Dword(record, 36);
  const std::uint32_t sidLength = Dword(record, 40);
  const std::uint32_t sidOffset = Dword(record, 44);
  const std::uint32_t dataLength = Dword(record, 48);
  const std::uint32_t dataOffset = Dword(record, 52);
  if (stringOffset > record.size() || sidOffset > record.size() ||
      sidLength > record.size() - sidOffset || dataOffset > record.size() ||
      dataLength > record.size() - dataOffset) {
    return {};
  }
  const std::string_view names = record.substr(kFixed);
  const std::size_t sourceEnd = names.find('\0');
  const std::size_t computerEnd = names.find('\0', sourceEnd + 1);
  if (computerEnd == std::string_view::npos) return {};
  std::string wide(record.substr(0, kFixed));
  wide += Utf16z(names.substr(0, sourceEnd));
  wide += Utf16z(names.substr(sourceEnd + 1, computerEnd - sourceEnd - 1));
  PadTo4(wide);
  PutDword(wide, 44, static_cast<std::uint32_t>(wide.size()));
  wide += record.substr(sidOffset, sidLength);
  PutDword(wide, 36, static_cast<std::uint32_t>(wide.size()));
  std::string_view texts = record.substr(stringOffset);
  for (std::uint16_t i = 0; i < strings; ++i) {
    const std::size_t end = std::min(texts.find('\0'), texts.size());
    wide += Utf16z(texts.substr(0, end));
    texts.remove_prefix(std::min(end + 1, texts.size()));
  }
  PutDword(wide, 52, static_cast<std::uint32_t>(wide.size()));
  wide += record.substr(dataOffset, dataLength);
  PadTo4(wide);
  const auto length = static_cast<std::uint32_t>(wide.size() + 4);
  PutDword(wide, 0, length);
  PutDword(wide, 4, kEvtSignature);
  wide.resize(length);
  PutDword(wide, length - 4, length);
  return wide;
}

}  // namespace

std::string EvtFileOfRecords(const std::vector<std::string>& newestFirst) {
  constexpr std::uint32_t kHeaderSize = 0x30;
  constexpr std::uint32_t kEofSize = 0x28;
  std::string body;
  std::uint32_t oldest = 1;
  std::uint32_t next = 1;
  for (auto record = newestFirst.rbegin(); record != newestFirst.rend(); ++record) {
    const std::string wide = WideRecord(*record);
    if (wide.empty()) continue;
    if (body.empty()) oldest = Dword(wide, 8);
    next = Dword(wide, 8) + 1;
    body += wide;
  }
  const auto end = static_cast<std::uint32_t>(kHeaderSize + body.size());
  std::string header(kHeaderSize, '\0');
  const std::uint32_t headerFields[] = {kHeaderSize, kEvtSignature,  1, 1, kHeaderSize, end, next,
                                        oldest,      end + kEofSize, 0, 0, kHeaderSize};
  for (std::size_t i = 0; i < 12; ++i) PutDword(header, i * 4, headerFields[i]);
  std::string eof(kEofSize, '\0');
  const std::uint32_t eofFields[] = {kEofSize,    0x11111111, 0x22222222, 0x33333333, 0x44444444,
                                     kHeaderSize, end,        next,       oldest,     kEofSize};
  for (std::size_t i = 0; i < 10; ++i) PutDword(eof, i * 4, eofFields[i]);
  return header + body + eof;
}

namespace {

void WriteEventLogs(const CaptureRecord& record, Writer& writer) {
  bool folderMade = false;
  for (const auto& [log, records] : record.eventRecords) {
    if (records.empty()) continue;
    if (!folderMade) folderMade = writer.Folder("eventlog");
    CFile file = writer.Create("eventlog/" + log + ".evt");
    writer.Put(file.get(), EvtFileOfRecords(records));
  }
}

// A message file named without a folder is where LoadLibraryExA found it: the system folder,
// else the Windows folder.
std::string MessageFilePath(const CaptureRecord& record, Platform& machine,
                            const std::string& path) {
  if (path.find('\\') != std::string::npos || path.find('/') != std::string::npos) return path;
  for (const auto& folder : {record.systemDirectory, record.windowsDirectory}) {
    if (folder && machine.Files().FileExists(*folder + "\\" + path)) return *folder + "\\" + path;
  }
  return {};
}

// Windows answers a profile read of an INI file whose section the registry maps from that
// registry key, without the run opening it: the mapping and its keys go into the capture.
void AddIniFileMappings(RegistryStore& store, CaptureRecord& record) {
  const std::string mappings =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";
  for (const std::string& name : record.iniFileNames) {
    std::string subPath;
    const RegKey root = RootOf(mappings + name, subPath);
    RegKey key = 0;
    if (store.RegOpenKeyExA(root, subPath, kKeyRead, key) != kErrorSuccess) continue;
    const OpenedKey opened(store, key);
    record.keys.try_emplace(CaptureKeyOf(mappings + name), CaptureRecord::Key{mappings + name});
    std::vector<char> valueName(1024);
    std::vector<std::uint8_t> data(4096);
    for (std::uint32_t index = 0;; ++index) {
      std::uint32_t nameSize = static_cast<std::uint32_t>(valueName.size());
      std::uint32_t type = 0;
      std::uint32_t dataSize = static_cast<std::uint32_t>(data.size() - 1);
      if (store.RegEnumValueA(key, index, valueName.data(), nameSize, &type, data.data(),
                              &dataSize) != kErrorSuccess) {
        break;
      }
      if (type != kRegSz && type != kRegExpandSz) continue;
      std::string target(reinterpret_cast<const char*>(data.data()), dataSize);
      target = target.substr(0, target.find('\0'));
      target.erase(0, target.find_first_not_of("!#@"));
      const std::string prefix = CaptureKeyOf(target.substr(0, 4));
      std::string path;
      if (prefix == "USR:") path = "HKEY_CURRENT_USER\\" + target.substr(4);
      if (prefix == "SYS:") path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + target.substr(4);
      if (!path.empty()) record.keys.try_emplace(CaptureKeyOf(path), CaptureRecord::Key{path});
    }
  }
}

}  // namespace

std::string WriteCapture(const CaptureRecord& record, Platform& machine, const std::string& folder,
                         std::uint16_t userLanguage, CaptureTotals& totals) {
  Writer writer(machine, folder, totals);
  if (!writer.Folder("")) return writer.Problem();
  CaptureRecord withMessageFiles = record;  // and the INI files' mappings
  for (const std::string& name : record.messageFiles) {
    const std::string path = MessageFilePath(record, machine, name);
    if (path.empty()) continue;
    CapturedFile& file = withMessageFiles.files[CaptureFileKeyOf(path)];
    if (file.path.empty()) file.path = path;
    file.use = FileUse::Copied;
  }
  JsonObject json;
  AddSystemFacts(record, userLanguage, json);
  AddDrives(record, json);
  AddServicesAndProcesses(record, json);
  AddSpooler(record, json);
  WriteDriveFiles(withMessageFiles, writer, json);
  AddIniFileMappings(machine.Registry(), withMessageFiles);
  WriteRegistry(withMessageFiles, writer, totals, json);
  WriteEventLogs(record, writer);
  CFile file = writer.Create("machine.json");
  writer.Put(file.get(), json.Json() + "\n");
  return writer.Problem();
}

}  // namespace kdx
