#include "platform/capture/capture_directory.h"

#include <algorithm>

#include "platform/formats/evt_file_writer.h"
#include "platform/formats/reg_file_writer.h"
#include "platform/machine/local_file_time.h"
#include "platform/machine/machine_directory_writer.h"
#include "platform/registry.h"
#include "platform/registry_roots.h"
#include "platform/upcase.h"
#include "platform/wow64_view.h"

namespace kdx {

// The record holds what the run was told. Some of what the replay needs the run never asks
// for, and the capture asks the machine for it a second time, here and nowhere else, with
// reading calls only:
// - the bytes of the files the run read: it read them through a profile call, the shell's
//   link object or a buffer at a time, none of which hands the whole file over;
// - every value of the keys it opened: it reads values by name, and the replay must answer
//   any the run may name or list;
// - the keys of the INI file mappings, which Windows reads behind a profile call;
// - the facts (time, attributes, size) of a file the run used without being told them, and
//   where a message file named without its folder lies.

namespace {

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
  if (parts.empty() || parts[0].size() != 2 || parts[0][1] != ':') return false;
  const char letter = UpcaseAscii(parts[0].substr(0, 1))[0];
  return letter >= 'A' && letter <= 'Z';
}

// --- where a 64-bit Windows keeps what the run saw ---

// On a 64-bit Windows the run reached files and keys by the names WOW64 shows a 32-bit
// program (System32 for SysWOW64, SOFTWARE for SOFTWARE\Wow6432Node); the machine directory
// holds them where they lie, and the replay shows them under those names again.

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

/// The full path of a key where it lies ("HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\...").
std::string KeyWhereItLies(const std::string& path, const std::optional<Wow64View>& view) {
  const std::string root = path.substr(0, path.find('\\'));
  const std::optional<RegKey> rootKey = RootKeyNamed(root);
  if (!view || !rootKey) return path;
  const std::string lies =
      view->KeyPath(*rootKey, root.size() < path.size() ? path.substr(root.size() + 1) : "");
  return root + (lies.empty() ? "" : "\\" + lies);
}

// --- drive folders ---

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

/// The file's facts as the run saw them, and what it was not told of them asked again.
CapturedFile CompletedFacts(FileSystem& files, const PlacedFile& placed) {
  const CapturedFile& file = placed.file;
  CapturedFile facts = file;
  // A folder opens as no file; what the run saw of it is all there is.
  if (file.folder) return facts;
  const bool needsSize = file.use != FileUse::Copied && !facts.size;
  if (facts.lastWriteTime && facts.attributes && !needsSize) return facts;
  std::unique_ptr<InputFile> in;
  if (files.OpenInputFile(placed.readPath, in) != kErrorSuccess) return facts;
  FileInformation information;
  if (in->GetInformation(information) != kErrorSuccess) return facts;
  if (!facts.lastWriteTime) facts.lastWriteTime = information.lastWriteTime;
  if (!facts.attributes) facts.attributes = information.attributes;
  if (needsSize) facts.size = information.size;
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

/// The local time machine.json states of a file time, as the replay turns it back: by the
/// offset the run's own conversions showed. Nothing for a time past the year 9999, which the
/// directory's four-digit years cannot hold.
std::optional<SystemTime> StatedLocalTime(std::uint64_t fileTime, int utcOffsetMinutes) {
  const SystemTime local = LocalTimeOfFileTime(fileTime, utcOffsetMinutes);
  if (local.year > 9999) return std::nullopt;
  return local;
}

/// What machine.json states of a file: a file the run did not read goes by its size alone.
SimFileFacts StatedFacts(const CapturedFile& facts, int utcOffsetMinutes) {
  SimFileFacts stated;
  stated.path = facts.path;
  if (facts.lastWriteTime)
    stated.lastWrite = StatedLocalTime(*facts.lastWriteTime, utcOffsetMinutes);
  stated.attributes = facts.attributes;
  stated.openError = facts.openError;
  if (!facts.folder && facts.use != FileUse::Copied && facts.size) {
    stated.size = facts.size;
    if (facts.versionBlock)
      stated.versionInfo = std::string(VersionResourceOf(*facts.versionBlock));
  }
  return stated;
}

bool StatesNothing(const SimFileFacts& stated) {
  return !stated.lastWrite && !stated.attributes && stated.openError == kErrorSuccess &&
         !stated.size;
}

void AddDriveItem(std::vector<DriveItem>& items, DriveItem::Kind kind, std::string relative,
                  std::string windowsPath = {}) {
  items.push_back(DriveItem{kind, std::move(relative), std::move(windowsPath)});
}

/// The drive folders and their files, and the facts machine.json states of them.
void AddDriveFiles(const std::map<std::string, PlacedFile>& files, FileSystem& machineFiles,
                   MachineDirectory& directory) {
  std::set<std::string> madeFolders;
  const auto folder = [&](const std::string& relative) {
    if (madeFolders.insert(relative).second) {
      AddDriveItem(directory.driveItems, DriveItem::Kind::Folder, relative);
    }
  };
  for (const auto& [key, placed] : files) {
    const CapturedFile& file = placed.file;
    const std::vector<std::string> parts = PartsOf(key);
    if (!OnDrive(parts)) continue;
    folder(std::string("drive_") + static_cast<char>(parts[0][0] - 'A' + 'a'));
    if (parts.size() < 2) continue;
    const std::string relative = RelativePathOf(files, key);
    for (std::size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      folder(relative.substr(0, slash));
    }
    const CapturedFile facts = CompletedFacts(machineFiles, placed);
    if (file.folder) {
      folder(relative);
    } else if (file.use == FileUse::Copied) {
      AddDriveItem(directory.driveItems, DriveItem::Kind::CopiedFile, relative, placed.readPath);
    } else if (!facts.size) {
      // Known by its name alone, it is an empty file.
      AddDriveItem(directory.driveItems, DriveItem::Kind::EmptyFile, relative);
    }
    // A file the run never read is stated by its size: no bytes of it go into the capture.
    SimFileFacts stated = StatedFacts(facts, directory.config.utcOffsetMinutes);
    if (!StatesNothing(stated)) {
      directory.config.files[NormalWindowsPath(file.path)] = std::move(stated);
    }
  }
}

// --- registry/capture.reg ---

// The values of the key the run opened by path, as .reg lines below the header of where it
// lies; its subkeys' names when the run listed them.
std::string KeySection(RegistryStore& store, const std::string& path, const std::string& lies,
                       bool withSubkeys, std::vector<std::string>& subkeys) {
  const std::string root = path.substr(0, path.find('\\'));
  const std::optional<RegKey> rootKey = RootKeyNamed(root);
  const std::optional<std::string> keyLine = RegKeyLine(lies);
  const std::string subPath = root.size() < path.size() ? path.substr(root.size() + 1) : "";
  RegKey key = 0;
  if (!rootKey || !keyLine ||
      store.RegOpenKeyExA(*rootKey, subPath, kKeyRead, key) != kErrorSuccess) {
    return {};
  }
  const OpenedKey opened(store, key);
  RegKeyInfo info;
  if (store.RegQueryInfoKeyA(key, info) != kErrorSuccess) return {};
  std::string section = "\r\n" + *keyLine + "\r\n";
  std::vector<char> name(info.maxValueNameLen + 2);
  std::vector<std::uint8_t> data(info.maxValueLen + 1);
  for (std::uint32_t index = 0;; ++index) {
    auto nameSize = static_cast<std::uint32_t>(name.size());
    std::uint32_t type = 0;
    auto dataSize = static_cast<std::uint32_t>(data.size());
    const long error =
        store.RegEnumValueA(key, index, name.data(), nameSize, &type, data.data(), &dataSize);
    if (error != kErrorSuccess) break;
    const auto line =
        RegValueLine(std::string_view(name.data(), nameSize), type,
                     std::string_view(reinterpret_cast<const char*>(data.data()), dataSize));
    if (line) section += *line + "\r\n";
  }
  if (withSubkeys) ListSubkeyNames(store, key, info, subkeys);
  return section;
}

// A listed subkey the run could not open (a name the A calls cannot spell: "??????" for one in
// another script) keeps refusing every open in the replay.
std::uint64_t AddRegistry(const std::map<std::string, CapturedKey>& keys,
                          const CaptureRecord& record, RegistryStore& store,
                          MachineDirectory& directory) {
  const std::optional<Wow64View> view = Wow64ViewOf(record.machine);
  std::uint64_t written = 0;
  std::string stubs;
  std::string sections;
  // Two names of one key (SOFTWARE\X and SOFTWARE\Wow6432Node\X) give it once.
  std::set<std::string> placed;
  for (const auto& [upper, key] : keys) {
    const std::string lies = KeyWhereItLies(key.path, view);
    if (!placed.insert(UpcaseAscii(lies)).second) continue;
    std::vector<std::string> subkeys;
    const std::string section = KeySection(store, key.path, lies, key.subkeysListed, subkeys);
    if (section.empty()) continue;
    sections += section;
    ++written;
    // A listed subkey the run did not open is written as an empty key, ahead of the rest, so
    // that it keeps the spelling the registry lists it by.
    for (const std::string& subkey : subkeys) {
      const std::string path = key.path + "\\" + subkey;
      const std::string subkeyLies = KeyWhereItLies(path, view);
      const auto stubLine = RegKeyLine(subkeyLies);
      if (keys.count(UpcaseAscii(path)) != 0 || !stubLine) continue;
      stubs += "\r\n" + *stubLine + "\r\n";
      ++written;
      if (record.unopenedKeys.count(UpcaseAscii(path)) != 0) {
        directory.config.registryAccess.emplace_back(subkeyLies, std::vector<std::uint32_t>{});
      }
    }
  }
  directory.registry = std::string(kRegedit4Header) + stubs + sections + "\r\n";
  return written;
}

// A message file named without a folder is where LoadLibraryExA found it: the system folder,
// else the Windows folder.
std::string MessageFilePath(const MachineConfig& config, FileSystem& files,
                            const std::string& path) {
  if (path.find('\\') != std::string::npos || path.find('/') != std::string::npos) return path;
  for (const auto& folder : {config.systemDirectory, config.windowsDirectory}) {
    if (folder && files.FileExists(*folder + "\\" + path)) return *folder + "\\" + path;
  }
  return {};
}

// The event message files go into the capture whole: the replay formats the records' texts
// from them.
void AddMessageFiles(const CaptureRecord& record, FileSystem& files,
                     std::map<std::string, CapturedFile>& captured) {
  for (const std::string& name : record.messageFiles) {
    const std::string path = MessageFilePath(record.machine, files, name);
    if (path.empty()) continue;
    CapturedFile& file = captured[CaptureFileKeyOf(path)];
    if (file.path.empty()) file.path = path;
    file.use = FileUse::Copied;
  }
}

// Windows answers a profile read of an INI file whose section the registry maps from that
// registry key, without the run opening it: the mapping and its keys go into the capture.
void AddIniFileMappings(const CaptureRecord& record, RegistryStore& store,
                        std::map<std::string, CapturedKey>& keys) {
  const std::string mappings =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";
  for (const std::string& name : record.iniFileNames) {
    RegKey key = 0;
    const std::string subPath =
        (mappings + name).substr(std::string("HKEY_LOCAL_MACHINE\\").size());
    if (store.RegOpenKeyExA(kHKeyLocalMachine, subPath, kKeyRead, key) != kErrorSuccess) continue;
    const OpenedKey opened(store, key);
    keys.try_emplace(UpcaseAscii(mappings + name), CapturedKey{mappings + name});
    std::vector<char> valueName(1024);
    std::vector<std::uint8_t> data(4096);
    for (std::uint32_t index = 0;; ++index) {
      auto nameSize = static_cast<std::uint32_t>(valueName.size());
      std::uint32_t type = 0;
      auto dataSize = static_cast<std::uint32_t>(data.size() - 1);
      if (store.RegEnumValueA(key, index, valueName.data(), nameSize, &type, data.data(),
                              &dataSize) != kErrorSuccess) {
        break;
      }
      if (type != kRegSz && type != kRegExpandSz) continue;
      std::string target(reinterpret_cast<const char*>(data.data()), dataSize);
      target = target.substr(0, target.find('\0'));
      target.erase(0, target.find_first_not_of("!#@"));
      const std::string prefix = UpcaseAscii(target.substr(0, 4));
      std::string path;
      if (prefix == "USR:") path = "HKEY_CURRENT_USER\\" + target.substr(4);
      if (prefix == "SYS:") path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + target.substr(4);
      if (!path.empty()) keys.try_emplace(UpcaseAscii(path), CapturedKey{path});
    }
  }
}

/// The machine.json facts as the run left them, tidied for the replay.
MachineConfig StatedConfig(const CaptureRecord& record, std::uint16_t userLanguage) {
  MachineConfig config = record.machine;
  config.userLanguage = userLanguage;
  // A root whose type the run never learnt names no drive.
  std::erase_if(config.drives.roots,
                [](const auto& root) { return root.second.type == kDriveNoRootDir; });
  // Calls past the list answer; the answering calls at its end need no entry.
  auto& portErrors = config.spooler.enumPortsErrors;
  while (!portErrors.empty() && portErrors.back() == kErrorSuccess) portErrors.pop_back();
  return config;
}

long CopyBytes(FileSystem& files, const std::string& path, OutputFile& out) {
  std::unique_ptr<InputFile> in;
  if (files.OpenInputFile(path, in) != kErrorSuccess) return kErrorSuccess;
  std::vector<char> buffer(1 << 16);
  std::size_t count = 0;
  while (in->Read(buffer.data(), buffer.size(), count) == kErrorSuccess && count > 0) {
    if (const long error = out.Write(buffer.data(), count); error != kErrorSuccess) return error;
  }
  return kErrorSuccess;
}

}  // namespace

std::string WriteCapture(const CaptureRecord& record, Platform& machine, const std::string& folder,
                         std::uint16_t userLanguage, CaptureTotals& totals) {
  MachineDirectory directory;
  directory.config = StatedConfig(record, userLanguage);
  std::map<std::string, CapturedFile> files = record.files;
  AddMessageFiles(record, machine.Files(), files);
  AddDriveFiles(FilesWhereTheyLie(files, Wow64ViewOf(record.machine)), machine.Files(), directory);
  std::map<std::string, CapturedKey> keys = record.keys;
  AddIniFileMappings(record, machine.Registry(), keys);
  totals.keys = AddRegistry(keys, record, machine.Registry(), directory);
  for (const auto& [log, records] : record.eventRecords) {
    if (!records.empty()) directory.eventLogs.emplace_back(log, EvtFileOfRecords(records));
  }
  MachineDirectoryTotals written;
  std::string problem = WriteMachineDirectory(
      directory, machine.Files(), folder,
      [&](const std::string& path, OutputFile& out) {
        return CopyBytes(machine.Files(), path, out);
      },
      written);
  totals.files = written.files;
  totals.bytes = written.bytes;
  return problem;
}

}  // namespace kdx
