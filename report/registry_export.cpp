#include "report/registry_export.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/registry_roots.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

/// Values are read into a buffer of this size; larger ones end the report.
constexpr std::uint32_t kValueBufferSize = 64000;
constexpr char kClassKeyPrefix[] = "\\SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kDriverValue[] = "Driver";
constexpr char kHexDigits[] = "0123456789ABCDEF";
// Every byte's two upper-case digits and the comma that follows them in a hex line.
constexpr std::array<std::array<char, 3>, 256> kHexPairs = [] {
  std::array<std::array<char, 3>, 256> pairs{};
  for (std::size_t byte = 0; byte < pairs.size(); ++byte) {
    pairs[byte] = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F], ','};
  }
  return pairs;
}();

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

void AppendQuotedName(std::string& line, const std::string& name) {
  line.clear();
  line.push_back('"');
  line.append(name);
  line.append("\"=");
}

/// One export: the walker over keys and the writers of the value forms. The walk keeps its
/// way down in frames of its own rather than on the machine's stack, so that no registry,
/// however deep or however long its chain of "Driver" detours, can exhaust it. The value
/// buffer serves every key, since a key's values are done before anything below it.
class RegistryExporter {
 public:
  RegistryExporter(RunContext& context, ReportWriter& writer)
      : context_(context),
        store_(context.platform.Registry()),
        writer_(writer),
        buffer_(kValueBufferSize) {}

  /// Exports root\path (a leading backslash is dropped) with everything below it.
  void ExportKey(RegKey root, const std::string& path, const std::string& filter);

  /// Where a key lies from the class key that "Driver" detours lead below. Only keys below it
  /// can be re-entered by a detour, so only they are known to the guard, and only keys on the
  /// way there need their normal path worked out.
  enum class Place { Elsewhere, OnTheWay, BelowClassKey };

 private:
  /// A key on the way down: open, its header and values written, its driver class and its
  /// subkeys still to come. Frames are kept from key to key, so that a large tree does not
  /// allocate anew for every key.
  struct Frame {
    OpenedKey key;
    RegKey root = 0;
    std::string path;
    std::string upperFilter;  ///< only the first key of an export filters its subkeys
    std::string driver;       ///< the driver text whose class key is still to come
    Place place = Place::Elsewhere;
    std::string identity;  ///< the normal path, while the key lies on the way to a class key
    std::vector<char> valueName;
    std::vector<std::string> subkeys;
    /// The key's counts, asked once for its values and its subkeys alike: a subkey made
    /// between the two by another program is left out, as if it came after the export.
    std::optional<RegKeyInfo> counts;
    bool subkeysListed = false;
    std::size_t nextSubkey = 0;
  };

  /// Opens root\path and enters it; false when it does not open.
  bool EnterPath(RegKey root, const std::string& path, const std::string& filter);
  /// Writes the header and values of an open key and puts its frame on the way down;
  /// parent is the frame whose subkey it is, or null for a key opened by its path.
  void Enter(OpenedKey key, RegKey root, std::string_view path, const std::string& filter,
             const Frame* parent);
  /// Settles where the new frame lies from the class key and enters it into the guard.
  void Locate(Frame& frame, std::string_view path, const Frame* parent, std::string_view subkey);
  /// Takes the next step below the deepest frame: its driver class, its next subkey, or
  /// leaving it when it is done.
  void Step();
  void EnterNextSubkey(Frame& frame);
  void Leave();

  /// Writes the open key's values; returns the text of its "Driver" value.
  std::string ExportValues(Frame& frame);
  void ExportValue(const std::string& name, std::uint32_t type, std::string_view bytes,
                   std::string& driver);
  void ExportLargeValue(RegKey key, const std::string& name, std::string& driver);
  void WriteTextLines(const std::string& name, std::string_view text, bool expandable);
  void WriteDwordLine(const std::string& name, std::uint32_t value);
  void WriteHexLine(const std::string& name, std::string_view bytes);
  void WriteCharacterView(std::string_view bytes);

  RunContext& context_;
  RegistryStore& store_;
  ReportWriter& writer_;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint8_t> largeValue_;
  std::string line_;
  std::string name_;
  std::string subkeyPath_;
  std::vector<std::unique_ptr<Frame>> frames_;
  std::size_t depth_ = 0;
  /// The class keys on the way down, by normal path: a "Driver" value that leads back to one
  /// of them is not followed again. A key may stand twice (once reached by a detour, once as
  /// the subkey of the detour's target), hence the count.
  std::unordered_map<std::string, int> openClassKeys_;
};

/// The class key below which every "Driver" detour lands, as the guard knows keys: upper
/// case, single backslashes, no backslash at either end.
constexpr std::string_view kClassKeyIdentity = "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\CLASS";

/// A key path as the guard knows it. "A\B", "A\\B" and "A\B\" open the same key, and
/// names compare without case, so they are one identity.
std::string NormalKeyPath(std::string_view path) {
  std::string normal;
  normal.reserve(path.size());
  for (const char c : path) {
    if (c == '\\' && (normal.empty() || normal.back() == '\\')) continue;
    normal.push_back(UpcaseAnsiChar(c));
  }
  if (!normal.empty() && normal.back() == '\\') normal.pop_back();
  return normal;
}

/// Where a key of HKEY_LOCAL_MACHINE lies from the class key, by its normal path.
RegistryExporter::Place PlaceOf(std::string_view normal) {
  if (normal.size() > kClassKeyIdentity.size() && normal.starts_with(kClassKeyIdentity) &&
      normal[kClassKeyIdentity.size()] == '\\') {
    return RegistryExporter::Place::BelowClassKey;
  }
  const bool onTheWay = kClassKeyIdentity.starts_with(normal) &&
                        (normal.empty() || normal.size() == kClassKeyIdentity.size() ||
                         kClassKeyIdentity[normal.size()] == '\\');
  return onTheWay ? RegistryExporter::Place::OnTheWay : RegistryExporter::Place::Elsewhere;
}

/// A string value's text: its bytes up to the first NUL.
std::string_view TextUpToNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

/// The "Driver" text as a text read gives it: empty for no bytes, a type error for a value of
/// another kind.
std::string DriverText(const std::string& name, ValueKind kind, std::string_view bytes) {
  if (bytes.empty()) return {};
  if (kind != ValueKind::String && kind != ValueKind::ExpandString) TRegistry::RaiseBadType(name);
  return std::string(TextUpToNul(bytes));
}

/// A DWORD read: at most four bytes, little-endian; a longer value cannot be fetched.
std::uint32_t DwordOf(const std::string& name, std::string_view bytes) {
  if (bytes.size() > 4) TRegistry::RaiseFetchFailed(name);
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return value;
}

void RegistryExporter::ExportKey(RegKey root, const std::string& path, const std::string& filter) {
  const std::size_t base = depth_;
  if (!EnterPath(root, path, filter)) return;
  try {
    while (depth_ > base) Step();
  } catch (...) {
    while (depth_ > base) Leave();
    throw;
  }
}

bool RegistryExporter::EnterPath(RegKey root, const std::string& path, const std::string& filter) {
  if (path.size() >= 2 && path.ends_with("\\\\")) return false;
  const std::string_view subPath = path.starts_with('\\') ? std::string_view{path}.substr(1) : path;
  RegKey opened = 0;
  if (OpenWithFirstLevel(store_, root, std::string(subPath), kReadAccessLevels, opened) == 0) {
    return false;
  }
  Enter(OpenedKey(store_, opened), root, path, filter, nullptr);
  return true;
}

void RegistryExporter::Enter(OpenedKey key, RegKey root, std::string_view path,
                             const std::string& filter, const Frame* parent) {
  line_.clear();
  line_.push_back('[');
  line_ += RootKeyName(root);
  line_ += path;
  line_ += ']';
  writer_.WriteReportLine(line_);

  if (depth_ == frames_.size()) frames_.push_back(std::make_unique<Frame>());
  Frame& frame = *frames_[depth_++];
  frame.key = std::move(key);
  frame.root = root;
  frame.path.assign(path);
  frame.upperFilter = UpcaseAscii(filter);
  Locate(frame, path, parent, parent ? std::string_view(path).substr(parent->path.size() + 1) : "");
  frame.subkeysListed = false;
  frame.nextSubkey = 0;
  frame.driver = ExportValues(frame);
  if (frame.driver.find('\\') == std::string::npos) frame.driver.clear();
}

void RegistryExporter::Locate(Frame& frame, std::string_view path, const Frame* parent,
                              std::string_view subkey) {
  frame.identity.clear();
  if (frame.root != kHKeyLocalMachine || (parent != nullptr && parent->place == Place::Elsewhere)) {
    // Most keys: neither they nor anything below them can be a class key.
    frame.place = Place::Elsewhere;
  } else if (parent == nullptr) {
    frame.identity = NormalKeyPath(path);
    frame.place = PlaceOf(frame.identity);
  } else {
    frame.identity = parent->identity;
    if (!frame.identity.empty()) frame.identity += '\\';
    frame.identity += UpcaseAnsi(subkey);
    frame.place = PlaceOf(frame.identity);
  }
  if (frame.place == Place::BelowClassKey) ++openClassKeys_[frame.identity];
}

void RegistryExporter::Step() {
  Frame& frame = *frames_[depth_ - 1];
  if (!frame.driver.empty()) {
    const std::string classPath = kClassKeyPrefix + frame.driver;
    frame.driver.clear();
    // A chain of "Driver" values may lead back into a key being written; following it again
    // would never end.
    if (!openClassKeys_.contains(NormalKeyPath(classPath))) {
      EnterPath(kHKeyLocalMachine, classPath, "");
    }
    return;
  }
  if (!frame.subkeysListed) {
    if (frame.counts) {
      ListSubkeyNames(store_, frame.key.Get(), *frame.counts, frame.subkeys);
    } else {
      ListSubkeyNames(store_, frame.key.Get(), frame.subkeys);
    }
    frame.subkeysListed = true;
  }
  if (frame.nextSubkey < frame.subkeys.size()) {
    EnterNextSubkey(frame);
    return;
  }
  Leave();
}

void RegistryExporter::EnterNextSubkey(Frame& frame) {
  const std::string& subkey = frame.subkeys[frame.nextSubkey++];
  if (!frame.upperFilter.empty() &&
      UpcaseAscii(subkey).find(frame.upperFilter) == std::string::npos) {
    return;
  }
  // Below its parent's open key, so that no path is ever too long to open: the header
  // keeps the whole path text.
  RegKey opened = 0;
  if (OpenWithFirstLevel(store_, frame.key.Get(), subkey, kReadAccessLevels, opened) == 0) return;
  subkeyPath_.assign(frame.path);
  subkeyPath_ += '\\';
  subkeyPath_ += subkey;
  Enter(OpenedKey(store_, opened), frame.root, subkeyPath_, "", &frame);
}

void RegistryExporter::Leave() {
  Frame& frame = *frames_[--depth_];
  if (frame.place == Place::BelowClassKey) {
    const auto it = openClassKeys_.find(frame.identity);
    if (--it->second == 0) openClassKeys_.erase(it);
  }
  frame.key = OpenedKey();
}

std::string RegistryExporter::ExportValues(Frame& frame) {
  std::string driver;
  const RegKey key = frame.key.Get();
  std::vector<char>& valueName = frame.valueName;
  RegKeyInfo info;
  frame.counts.reset();
  if (store_.RegQueryInfoKeyA(key, info) != kErrorSuccess) return driver;
  frame.counts = info;
  valueName.resize(static_cast<std::size_t>(info.maxValueNameLen) + 1);
  // Offer no more room than the key's largest value needs: Wine moves the whole offered
  // buffer through its server on every call. A value that grew meanwhile takes the
  // name-based road below.
  const std::uint32_t capacity = std::min(kValueBufferSize, info.maxValueLen);
  // One enumeration call brings a value's name, type and bytes: the export reads every value
  // of large trees, and each store call costs (under Wine, a round trip to the server).
  for (std::uint32_t index = 0; index < info.values; ++index) {
    auto nameSize = static_cast<std::uint32_t>(valueName.size());
    std::uint32_t type = 0;
    std::uint32_t size = capacity;
    const long result =
        store_.RegEnumValueA(key, index, valueName.data(), nameSize, &type, buffer_.data(), &size);
    if (result == kErrorMoreData) {
      nameSize = static_cast<std::uint32_t>(valueName.size());
      if (store_.RegEnumValueA(key, index, valueName.data(), nameSize, nullptr, nullptr, nullptr) !=
          kErrorSuccess) {
        continue;
      }
      name_.assign(valueName.data(), nameSize);
      ExportLargeValue(key, name_, driver);
      continue;
    }
    // An index the store refuses (the value vanished meanwhile) is skipped.
    if (result != kErrorSuccess) continue;
    name_.assign(valueName.data(), nameSize);
    ExportValue(name_, type, std::string_view(reinterpret_cast<const char*>(buffer_.data()), size),
                driver);
  }
  return driver;
}

void RegistryExporter::ExportValue(const std::string& name, std::uint32_t type,
                                   std::string_view bytes, std::string& driver) {
  const ValueKind kind = KindOfType(type);
  if (name == kDriverValue) driver = DriverText(name, kind, bytes);
  context_.ProcessMessages();
  switch (kind) {
    case ValueKind::String:
      WriteTextLines(name, TextUpToNul(bytes), false);
      break;
    case ValueKind::ExpandString:
      WriteTextLines(name, TextUpToNul(bytes), true);
      break;
    case ValueKind::Integer:
      WriteDwordLine(name, DwordOf(name, bytes));
      break;
    case ValueKind::Binary:
      // A binary read refuses what does not fit the value buffer.
      if (bytes.size() > kValueBufferSize) TRegistry::RaiseBadType(name);
      WriteHexLine(name, bytes);
      break;
    case ValueKind::Unknown:
      if (bytes.size() > kValueBufferSize) throw ERangeError();
      WriteHexLine(name, bytes);
      WriteCharacterView(bytes);
      break;
  }
}

void RegistryExporter::ExportLargeValue(RegKey key, const std::string& name, std::string& driver) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (store_.RegQueryValueExA(key, name, &type, nullptr, &size) != kErrorSuccess) return;
  largeValue_.resize(size);
  if (store_.RegQueryValueExA(key, name, &type, largeValue_.data(), &size) != kErrorSuccess) {
    return;
  }
  ExportValue(name, type, std::string_view(reinterpret_cast<const char*>(largeValue_.data()), size),
              driver);
}

void RegistryExporter::WriteTextLines(const std::string& name, std::string_view text,
                                      bool expandable) {
  AppendQuotedName(line_, name);
  line_ += '"';
  line_ += text;
  line_ += '"';
  writer_.WriteReportLine(line_);
  if (!expandable) return;
  if (const auto expanded =
          context_.platform.System().ExpandEnvironmentStringsA(std::string(text))) {
    line_.clear();
    line_.append("; ");
    line_ += *expanded;
    writer_.WriteReportLine(line_);
  }
}

void RegistryExporter::WriteDwordLine(const std::string& name, std::uint32_t value) {
  AppendQuotedName(line_, name);
  line_ += "dword:";
  for (int shift = 28; shift >= 0; shift -= 4) line_.push_back(kHexDigits[(value >> shift) & 0xF]);
  writer_.WriteReportLine(line_);
}

void RegistryExporter::WriteHexLine(const std::string& name, std::string_view bytes) {
  AppendQuotedName(line_, name);
  line_ += "hex:";
  if (!bytes.empty()) {
    // Values can be long: each byte goes into place with its comma, the last comma is cut.
    const std::size_t start = line_.size();
    line_.resize(start + bytes.size() * 3);
    char* out = line_.data() + start;
    for (const char c : bytes) {
      std::memcpy(out, kHexPairs[static_cast<std::uint8_t>(c)].data(), 3);
      out += 3;
    }
    line_.pop_back();
  }
  writer_.WriteReportLine(line_);
}

void RegistryExporter::WriteCharacterView(std::string_view bytes) {
  // At most three characters a byte, written straight into place: values can be long.
  line_.resize(bytes.size() * 3 + 2);
  char* out = line_.data();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (i == 0) {
      // The first byte has pieces of its own: "; %.1s" or "; | ".
      *out++ = ';';
      *out++ = ' ';
    }
    if (c != '\0') {
      *out++ = c;
    } else if (i == 0) {
      *out++ = '|';
      *out++ = ' ';
    } else {
      *out++ = ' ';
      *out++ = '|';
      *out++ = ' ';
    }
  }
  line_.resize(static_cast<std::size_t>(out - line_.data()));
  writer_.WriteReportLine(line_);
}

}  // namespace

void ExportRegistryKey(RunContext& context, ReportWriter& writer, RegKey root,
                       const std::string& path, const std::string& filter) {
  RegistryExporter(context, writer).ExportKey(root, path, filter);
}

void ExportReportKeys(RunContext& context, ReportWriter& writer) {
  RegistryExporter exporter(context, writer);
  for (std::size_t row = 0; row < kExportedKeys.size(); ++row) {
    const ExportedKey& key = kExportedKeys[row];
    exporter.ExportKey(key.root, key.path, key.filter);
    if (row == 0) writer.WriteReportLine(kDriverSigningComment);
  }
}

}  // namespace kdx
