#include "report/registry_export.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/upcase.h"
#include "report/report_file.h"

namespace kdx {

namespace {

/// Values are read into a buffer of this size; larger ones end the report.
constexpr std::uint32_t kValueBufferSize = 64000;
constexpr char kClassKeyPrefix[] = "\\SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kDriverValue[] = "Driver";
constexpr char kHexDigits[] = "0123456789ABCDEF";

struct ExportedKey {
  RegKey root;
  const char* path;
  const char* filter;
};

// The keys of the registry block, in report order; paths exactly as they stand in the headers.
constexpr std::array<ExportedKey, 71> kExportedKeys = {{
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Control\\ProductOptions", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Driver Signing", ""},
    {kHKeyCurrentUser, "\\SOFTWARE\\Microsoft\\Driver Signing", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Control\\Print", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control"
     "\\Print",
     ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print", ""},
    {kHKeyCurrentUser, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices", ""},
    {kHKeyCurrentUser, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", ""},
    {kHKeyCurrentUser, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts", ""},
    {kHKeyCurrentUser, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\", ""},
    {kHKeyCurrentUser, "\\Printers", ""},
    {kHKeyUsers, "\\.DEFAULT\\Printers", ""},
    {kHKeyLocalMachine, "\\Enum\\Root\\Printer", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Kelmo Instruments", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", "KDX"},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\App Paths", "KDX"},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan", ""},
    {kHKeyLocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares", ""},
    {kHKeyLocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\Printer", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Terminal Server Client", ""},
    {kHKeyCurrentUser, "\\SOFTWARE\\Microsoft\\Terminal Server Client", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\usbprint", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Control\\DeviceClasses", ""},
    {kHKeyLocalMachine, "\\Enum\\USB", ""},
    {kHKeyLocalMachine, "\\Enum\\USBPRINT", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Enum\\USB", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Enum\\USBPRINT", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Enum\\ACPI", ""},
    {kHKeyLocalMachine, "\\Enum\\ACPI", ""},
    {kHKeyLocalMachine, "\\Hardware\\DeviceMap\\SerialComm", ""},
    {kHKeyLocalMachine, "\\Software\\Logitech\\MouseWare\\CurrentVersion", "COM"},
    {kHKeyLocalMachine, "\\Enum\\SERENUM", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Enum\\SERENUM", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\serenum", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\Serial", ""},
    {kHKeyLocalMachine, "\\Enum\\Root\\*PNP0500", ""},
    {kHKeyLocalMachine, "\\Enum\\Root\\*PNP0501", ""},
    {kHKeyLocalMachine, "\\Enum\\BIOS\\*PNP0500", ""},
    {kHKeyLocalMachine, "\\Enum\\BIOS\\*PNP0501", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}", ""},
    // The printer class once more: support technicians look for it at this place too.
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}", ""},
    {kHKeyLocalMachine,
     "\\System\\CurrentControlSet\\Control\\Class\\{4D36E97E-E325-11CE-BFC1-08002BE10318}", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\Class\\Ports", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\KDXMONX", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\Spooler", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Control\\UsbFlags", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\Class\\USB", ""},
    {kHKeyLocalMachine, "\\System\\CurrentControlSet\\Services\\KdxUsb", ""},
    {kHKeyCurrentUser, "\\Network", "LPT"},
    {kHKeyCurrentUser, "\\Control Panel\\International", ""},
    {kHKeyCurrentUser, "\\Software\\Kelmo Instruments USA Inc.", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Tarnwel", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Tarnwel Software-Entwicklung GmbH", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Vedav", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Classes\\Applications\\cs.exe", ""},
    {kHKeyLocalMachine, "\\SYSTEM\\CurrentControlSet\\Services", "Vedav"},
    {kHKeyUsers, "\\.DEFAULT\\Software", "Vedav"},
    {kHKeyCurrentUser, "\\Software", "Vedav"},
    {kHKeyCurrentUser, "\\Environment", ""},
    {kHKeyLocalMachine, "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows Script", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows Script Host", ""},
    {kHKeyLocalMachine, "\\SOFTWARE\\Microsoft\\Windows Scripting Host", ""},
    {kHKeyCurrentUser, "\\SOFTWARE\\Microsoft\\Windows Script", ""},
    {kHKeyCurrentUser, "\\SOFTWARE\\Microsoft\\Windows Script Host", ""},
    {kHKeyCurrentUser, "\\SOFTWARE\\Microsoft\\Windows Scripting Host", ""},
}};

constexpr char kDriverSigningComment[] = ";  Driver Signing: 0:ignore; 1:ask; 2:deny";

void AppendHexByte(std::string& line, std::uint8_t byte) {
  line.push_back(kHexDigits[byte >> 4]);
  line.push_back(kHexDigits[byte & 0x0F]);
}

void AppendQuotedName(std::string& line, const std::string& name) {
  line.clear();
  line.push_back('"');
  line.append(name);
  line.append("\"=");
}

/// One export: the walker over keys and the writers of the value forms. The value buffer
/// serves every level, since a key's values are done before its subkeys are entered.
class RegistryExporter {
 public:
  explicit RegistryExporter(RunContext& context) : context_(context), buffer_(kValueBufferSize) {}

  void ExportKey(RegKey root, const std::string& path, const std::string& filter);

 private:
  /// The lists and texts of one depth of the walk, kept from key to key so that a large
  /// tree does not allocate anew for every key.
  struct Level {
    std::vector<std::string> valueNames;
    std::vector<std::string> subkeys;
    std::string prefix;
    std::string subkeyPath;
  };
  Level& EnterLevel();

  void ExportValue(TRegistry& registry, const std::string& name);
  void WriteStringLine(TRegistry& registry, const std::string& name);
  void WriteExpandStringLines(TRegistry& registry, const std::string& name);
  void WriteDwordLine(TRegistry& registry, const std::string& name);
  void WriteBinaryLine(TRegistry& registry, const std::string& name);
  void WriteUnknownLines(TRegistry& registry, const std::string& name);
  void WriteHexLine(const std::string& name, std::size_t size);
  void WriteCharacterView(std::size_t size);
  void ExportDriverClass(const std::string& driver);
  void ExportSubkeys(TRegistry& registry, RegKey root, Level& level, const std::string& filter);
  bool BeingExported(RegKey root, const std::string& path) const;

  RunContext& context_;
  std::vector<std::uint8_t> buffer_;
  std::string line_;
  std::vector<std::unique_ptr<Level>> levels_;
  std::size_t depth_ = 0;
  /// A key on the way down; its path lives in the caller's frame as long as it is open.
  struct OpenKey {
    RegKey root;
    const std::string* path;
  };
  /// A "Driver" value that leads back to one of these is not followed again.
  std::vector<OpenKey> open_;
};

/// Two key paths name the same key: equal but for case and a leading backslash.
bool SameKeyPath(std::string_view a, std::string_view b) {
  if (a.starts_with('\\')) a.remove_prefix(1);
  if (b.starts_with('\\')) b.remove_prefix(1);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpcaseAnsiChar(x) == UpcaseAnsiChar(y);
         });
}

bool RegistryExporter::BeingExported(RegKey root, const std::string& path) const {
  return std::any_of(open_.begin(), open_.end(), [&](const OpenKey& key) {
    return key.root == root && SameKeyPath(*key.path, path);
  });
}

void RegistryExporter::ExportKey(RegKey root, const std::string& path, const std::string& filter) {
  if (path.size() >= 2 && path.ends_with("\\\\")) return;
  TRegistry registry(context_.platform);
  registry.SelectRoot(root);
  if (!registry.OpenRead(path)) return;
  line_.clear();
  line_.push_back('[');
  line_ += RootKeyName(root);
  line_ += path;
  line_ += ']';
  WriteReportLine(context_, line_);
  open_.push_back({root, &path});
  Level& level = EnterLevel();

  registry.ValueNames(level.valueNames);
  std::string driver;
  for (const std::string& name : level.valueNames) {
    if (name == kDriverValue) driver = registry.ReadText(name);
    context_.ProcessMessages();
    ExportValue(registry, name);
  }
  if (driver.find('\\') != std::string::npos) ExportDriverClass(driver);
  level.prefix.assign(path);
  level.prefix += '\\';
  ExportSubkeys(registry, root, level, filter);
  --depth_;
  open_.pop_back();
}

RegistryExporter::Level& RegistryExporter::EnterLevel() {
  if (depth_ == levels_.size()) levels_.push_back(std::make_unique<Level>());
  return *levels_[depth_++];
}

void RegistryExporter::ExportDriverClass(const std::string& driver) {
  const std::string classPath = kClassKeyPrefix + driver;
  // A chain of "Driver" values may lead back into a key being written; following it again
  // would never end.
  if (BeingExported(kHKeyLocalMachine, classPath)) return;
  ExportKey(kHKeyLocalMachine, classPath, "");
}

void RegistryExporter::ExportSubkeys(TRegistry& registry, RegKey root, Level& level,
                                     const std::string& filter) {
  registry.SubkeyNames(level.subkeys);
  const std::string upperFilter = UpcaseAscii(filter);
  for (const std::string& subkey : level.subkeys) {
    if (!upperFilter.empty() && UpcaseAscii(subkey).find(upperFilter) == std::string::npos) {
      continue;
    }
    level.subkeyPath.assign(level.prefix);
    level.subkeyPath += subkey;
    ExportKey(root, level.subkeyPath, "");
  }
}

void RegistryExporter::ExportValue(TRegistry& registry, const std::string& name) {
  switch (registry.KindOf(name)) {
    case ValueKind::String:
      WriteStringLine(registry, name);
      break;
    case ValueKind::ExpandString:
      WriteExpandStringLines(registry, name);
      break;
    case ValueKind::Integer:
      WriteDwordLine(registry, name);
      break;
    case ValueKind::Binary:
      WriteBinaryLine(registry, name);
      break;
    case ValueKind::Unknown:
      WriteUnknownLines(registry, name);
      break;
  }
}

void RegistryExporter::WriteStringLine(TRegistry& registry, const std::string& name) {
  AppendQuotedName(line_, name);
  line_ += '"';
  line_ += registry.ReadText(name);
  line_ += '"';
  WriteReportLine(context_, line_);
}

void RegistryExporter::WriteExpandStringLines(TRegistry& registry, const std::string& name) {
  AppendQuotedName(line_, name);
  const std::string stored = registry.ReadText(name);
  line_ += '"';
  line_ += stored;
  line_ += '"';
  WriteReportLine(context_, line_);
  if (const auto expanded = context_.platform.ExpandEnvironmentStringsA(stored)) {
    line_.clear();
    line_.append("; ");
    line_ += *expanded;
    WriteReportLine(context_, line_);
  }
}

void RegistryExporter::WriteDwordLine(TRegistry& registry, const std::string& name) {
  const auto value = static_cast<std::uint32_t>(registry.ReadDword(name));
  AppendQuotedName(line_, name);
  line_ += "dword:";
  for (int shift = 28; shift >= 0; shift -= 4) line_.push_back(kHexDigits[(value >> shift) & 0xF]);
  WriteReportLine(context_, line_);
}

void RegistryExporter::WriteBinaryLine(TRegistry& registry, const std::string& name) {
  const std::size_t size = registry.ReadBytes(name, buffer_.data(), buffer_.size());
  WriteHexLine(name, size);
}

void RegistryExporter::WriteUnknownLines(TRegistry& registry, const std::string& name) {
  std::uint32_t size = kValueBufferSize;
  const long result = context_.platform.RegQueryValueExA(registry.CurrentKey(), name, nullptr,
                                                         buffer_.data(), &size);
  if (result == kErrorMoreData) throw ERangeError();
  // A value that vanished since it was listed has no bytes to show.
  if (result != kErrorSuccess) size = 0;
  WriteHexLine(name, size);
  WriteCharacterView(size);
}

void RegistryExporter::WriteHexLine(const std::string& name, std::size_t size) {
  AppendQuotedName(line_, name);
  line_ += "hex:";
  line_.reserve(line_.size() + size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) line_ += ',';
    AppendHexByte(line_, buffer_[i]);
  }
  WriteReportLine(context_, line_);
}

void RegistryExporter::WriteCharacterView(std::size_t size) {
  line_.clear();
  for (std::size_t i = 0; i < size; ++i) {
    const auto c = static_cast<char>(buffer_[i]);
    if (i == 0) {
      // The first byte has pieces of its own: "; %.1s" or "; | ".
      line_ += c != '\0' ? "; " : "; | ";
      if (c != '\0') line_ += c;
    } else if (c != '\0') {
      line_ += c;
    } else {
      line_ += " | ";
    }
  }
  WriteReportLine(context_, line_);
}

}  // namespace

std::string RootKeyName(RegKey root) {
  switch (root) {
    case kHKeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHKeyCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case kHKeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHKeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHKeyUsers:
      return "HKEY_USERS";
    default:
      return "";
  }
}

void ExportRegistryKey(RunContext& context, RegKey root, const std::string& path,
                       const std::string& filter) {
  RegistryExporter(context).ExportKey(root, path, filter);
}

void ExportReportKeys(RunContext& context) {
  RegistryExporter exporter(context);
  for (std::size_t row = 0; row < kExportedKeys.size(); ++row) {
    const ExportedKey& key = kExportedKeys[row];
    exporter.ExportKey(key.root, key.path, key.filter);
    if (row == 0) WriteReportLine(context, kDriverSigningComment);
  }
}

}  // namespace kdx
