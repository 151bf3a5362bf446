#include "platform/wow64_view.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::string_view kRedirectedNode = "Wow6432Node";

enum class Behaviour { kShared, kRedirected };
constexpr Behaviour kShared = Behaviour::kShared;
constexpr Behaviour kRedirected = Behaviour::kRedirected;

/// A row of "Registry Keys Affected by WOW64": a key, and what WOW64 does with it on Windows 7
/// and later and on the Windows before. Subkeys follow the longest row above them; a key
/// below no row is shared.
struct KeyRule {
  RegKey root;
  std::string_view path;
  Behaviour windows7;
  Behaviour earlier;
};

constexpr KeyRule kKeyRules[] = {
    {kHKeyLocalMachine, "SOFTWARE", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\Appid", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\CLSID", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\DirectShow", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\HCP", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\Interface", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\Media Type", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Classes\\MediaFoundation", kRedirected, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Clients", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\COM3", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Current", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Cryptography\\Services", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\CTF\\SystemShared", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\CTF\\TIP", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\DFS", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Driver Signing", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\EnterpriseCertificates", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\EventSystem", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\MSMQ", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Non-Driver Signing", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Notepad\\DefaultFonts", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\OLE", kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\RAS", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\RPC", kShared, kRedirected},
    // Microsoft's page names it SOFTWARE\Microsoft\SOFTWARE\Microsoft\Shared Tools\MSInfo.
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSInfo", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\SystemCertificates", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\TermServLicensing", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\TransactionServer", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", kShared,
     kRedirected},
    {kHKeyLocalMachine,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
     kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
     kShared, kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
     kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Console", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontDpi", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontMapper", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize", kShared,
     kRedirected},
    {kHKeyLocalMachine,
     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Language Pack", kShared,
     kRedirected},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones", kShared,
     kShared},
    {kHKeyLocalMachine, "SOFTWARE\\Policies", kShared, kShared},
    {kHKeyLocalMachine, "SOFTWARE\\RegisteredApplications", kShared, kShared},
    {kHKeyCurrentUser, "Software\\Classes", kShared, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\Appid", kShared, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\CLSID", kRedirected, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\DirectShow", kRedirected, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\Interface", kRedirected, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\Media Type", kRedirected, kRedirected},
    {kHKeyCurrentUser, "Software\\Classes\\MediaFoundation", kRedirected, kRedirected},
};

constexpr std::pair<NativeMachine, std::string_view> kArchitectureNames[] = {
    {NativeMachine::kNone, "x86"},
    {NativeMachine::kX64, "x64"},
    {NativeMachine::kArm64, "arm64"},
    {NativeMachine::kIa64, "ia64"},
};

/// Folders of the system folder that the file system redirector leaves alone.
constexpr std::array<std::string_view, 5> kExemptFolders = {
    "\\catroot", "\\catroot2", "\\drivers\\etc", "\\logfiles", "\\spool"};
constexpr std::string_view kDriverStore = "\\driverstore";

std::vector<std::string_view> NamesOf(std::string_view path) {
  std::vector<std::string_view> names;
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    if (slash != 0) names.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return names;
}

std::string Joined(const std::vector<std::string_view>& names) {
  std::string path;
  for (const std::string_view name : names) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

/// The rest of path after folder ("" or "\..."), when path is folder or lies below it.
std::optional<std::string_view> Below(std::string_view path, std::string_view folder) {
  if (path.size() < folder.size() || !EqualUpcased(path.substr(0, folder.size()), folder)) {
    return std::nullopt;
  }
  const std::string_view rest = path.substr(folder.size());
  if (!rest.empty() && rest.front() != '\\') return std::nullopt;
  return rest;
}

/// True when names begin with the names of rulePath.
bool StartsWithNames(const std::vector<std::string_view>& names, std::string_view rulePath) {
  const std::vector<std::string_view> rule = NamesOf(rulePath);
  if (rule.size() > names.size()) return false;
  for (std::size_t i = 0; i < rule.size(); ++i) {
    if (!EqualUpcased(names[i], rule[i])) return false;
  }
  return true;
}

/// A key as the table of rules names it: the rules' root and names, and where the key's own
/// names put Wow6432Node when the key is redirected.
struct RuleKey {
  RegKey root = 0;
  std::vector<std::string_view> names;
  std::size_t nodeAt = 0;  ///< in the key's own names
  std::size_t classesNodeAt = 0;
};

std::optional<RuleKey> RuleKeyOf(RegKey root, const std::vector<std::string_view>& names) {
  static constexpr std::string_view kSoftware = "Software";
  static constexpr std::string_view kClasses = "Classes";
  switch (root) {
    case kHKeyLocalMachine:
      return RuleKey{kHKeyLocalMachine, names, 1, 2};
    case kHKeyCurrentUser:
      return RuleKey{kHKeyCurrentUser, names, 1, 2};
    case kHKeyClassesRoot: {
      // The merged view of both users' and the machine's classes follows the machine's rows.
      std::vector<std::string_view> classes = {kSoftware, kClasses};
      classes.insert(classes.end(), names.begin(), names.end());
      return RuleKey{kHKeyLocalMachine, classes, 0, 0};
    }
    case kHKeyUsers: {
      // HKEY_CURRENT_USER is one of the users' keys, and its classes one of the "_Classes" keys.
      if (names.empty()) return std::nullopt;
      std::vector<std::string_view> user(names.begin() + 1, names.end());
      const std::string upper = UpcaseAscii(names.front());
      if (upper.size() > 8 && upper.ends_with("_CLASSES")) {
        user.insert(user.begin(), {kSoftware, kClasses});
        return RuleKey{kHKeyCurrentUser, user, 1, 1};
      }
      return RuleKey{kHKeyCurrentUser, user, 2, 3};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

Wow64View::Wow64View(std::uint32_t majorVersion, std::uint32_t minorVersion,
                     std::string_view windowsDirectory)
    : vistaOrLater_(majorVersion >= 6),
      windows7OrLater_(majorVersion > 6 || (majorVersion == 6 && minorVersion >= 1)),
      windowsDirectory_(windowsDirectory) {
  while (!windowsDirectory_.empty() && windowsDirectory_.back() == '\\') {
    windowsDirectory_.pop_back();
  }
}

std::string Wow64View::FilePath(std::string_view fullPath) const {
  const auto inWindows =
      windowsDirectory_.empty() ? std::nullopt : Below(fullPath, windowsDirectory_);
  if (!inWindows) return std::string(fullPath);
  const std::string windows(fullPath.substr(0, windowsDirectory_.size()));
  if (const auto below = Below(*inWindows, "\\System32")) {
    const bool exempt =
        std::any_of(kExemptFolders.begin(), kExemptFolders.end(),
                    [&](std::string_view folder) { return Below(*below, folder).has_value(); }) ||
        (windows7OrLater_ && Below(*below, kDriverStore));
    return exempt ? std::string(fullPath) : windows + "\\SysWOW64" + std::string(*below);
  }
  if (const auto below = Below(*inWindows, "\\Sysnative"); below && vistaOrLater_) {
    return windows + "\\System32" + std::string(*below);
  }
  if (const auto below = Below(*inWindows, "\\lastgood\\system32")) {
    return windows + "\\lastgood\\SysWOW64" + std::string(*below);
  }
  if (EqualUpcased(*inWindows, "\\regedit.exe")) return windows + "\\SysWOW64\\regedit.exe";
  return std::string(fullPath);
}

std::string Wow64View::KeyPath(RegKey root, std::string_view path) const {
  std::vector<std::string_view> names = NamesOf(path);
  const std::optional<RuleKey> key = RuleKeyOf(root, names);
  if (!key) return Joined(names);
  const KeyRule* rule = nullptr;
  for (const KeyRule& candidate : kKeyRules) {
    if (candidate.root != key->root || !StartsWithNames(key->names, candidate.path)) continue;
    if (rule == nullptr || candidate.path.size() > rule->path.size()) rule = &candidate;
  }
  if (rule == nullptr || (windows7OrLater_ ? rule->windows7 : rule->earlier) == kShared) {
    return Joined(names);
  }
  // Classes keep their 32-bit copies below themselves, the rest of SOFTWARE below SOFTWARE.
  const bool classes = StartsWithNames(key->names, "Software\\Classes");
  const std::size_t at = classes ? key->classesNodeAt : key->nodeAt;
  if (at < names.size() && EqualUpcased(names[at], kRedirectedNode)) return Joined(names);
  names.insert(names.begin() + static_cast<std::ptrdiff_t>(std::min(at, names.size())),
               kRedirectedNode);
  return Joined(names);
}

std::string_view ArchitectureName(NativeMachine machine) {
  for (const auto& [known, name] : kArchitectureNames) {
    if (known == machine) return name;
  }
  return {};
}

std::optional<NativeMachine> NativeMachineNamed(std::string_view name) {
  for (const auto& [machine, known] : kArchitectureNames) {
    if (known == name) return machine;
  }
  return std::nullopt;
}

}  // namespace kdx
