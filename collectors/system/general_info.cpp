#include "collectors/system/general_info.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr char kCurrentVersionKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kActiveComputerNameKey[] =
    "\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName";
constexpr char kComputerNameKey[] =
    "\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
constexpr char kProcessorKey[] = "\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor";
constexpr char kSpeedValue[] = "~MHz";
constexpr char kNtDriverSubfolder[] = "spool\\drivers\\w32x86\\";
constexpr char kDriversSubfolder[] = "spool\\drivers\\";
constexpr char kArchitectureRow[] = "Windows-Architektur";

/// The processor of a 64-bit Windows: its name in the report, its print environment and the
/// folder of that environment's drivers.
struct NativeEnvironment {
  NativeMachine machine;
  const char* architecture;
  const char* environment;
  const char* driverFolder;
};
constexpr NativeEnvironment kNativeEnvironments[] = {
    {NativeMachine::kX64, "x64", "Windows x64", "x64"},
    {NativeMachine::kArm64, "ARM64", "Windows ARM64", "arm64"},
    {NativeMachine::kIa64, "IA64", "Windows IA64", "ia64"},
};

constexpr std::uint32_t kPlatformWin32s = 0;
constexpr std::uint32_t kPlatformNt = 2;

// S-1-5-32-544, the built-in Administrators group.
constexpr std::uint64_t kNtAuthority = 5;
constexpr std::uint32_t kBuiltinDomain = 32;
constexpr std::uint32_t kAdministratorsAlias = 544;
constexpr std::size_t kTokenGroupsBufferSize = 1024;

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string NtVersionName(std::uint32_t major, std::uint32_t minor) {
  if (major == 3 || major == 4) return "Windows NT";
  if (major == 5 && minor == 0) return "Windows 2000";
  if (major == 5 && minor == 1) return "Windows XP";
  if (major == 5 && minor == 2) return "Windows Server 2003";
  if (major == 6 && minor == 0) return "Windows Vista";
  return "NT based";
}

std::string Win9xVersionName(const OsVersionInfo& version) {
  switch (version.minorVersion) {
    case 0:
      return "Windows 95";
    case 10:
      return UpcaseAscii(version.servicePack) == "A" ? "Windows 98 SE" : "Windows 98";
    case 90:
      return "Windows ME";
    default:
      return "Windows 95 based";
  }
}

/// Settles the version facts of the run; returns the version's name.
std::string ClassifyVersion(RunContext& context, const OsVersionInfo& version) {
  context.versionInfo = version;
  if (version.platformId == kPlatformNt) {
    context.isNT = true;
    context.driverDir = context.systemDir + kNtDriverSubfolder;
  } else {
    context.isNT = false;
    context.driverDir = context.systemDir;
  }
  return WindowsVersionName(version);
}

/// On a 64-bit Windows, which runs the program under WOW64, settles its print environment, its
/// driver folder and WOW64's view of it; the processor's name for the report, nothing on
/// 32-bit Windows.
std::optional<std::string> SettleNativeEnvironment(RunContext& context) {
  const NativeMachine machine = context.platform.System().GetNativeMachine();
  for (const NativeEnvironment& native : kNativeEnvironments) {
    if (native.machine != machine) continue;
    context.nativeEnvironment = native.environment;
    context.nativeDriverDir = context.systemDir + kDriversSubfolder + native.driverFolder + "\\";
    context.wow64View.emplace(context.versionInfo.majorVersion, context.versionInfo.minorVersion,
                              context.windowsDir);
    return native.architecture;
  }
  return std::nullopt;
}

void AddDateAndTimeRows(RunContext& context) {
  context.runTime = context.platform.System().GetLocalTime();
  context.AddReportRow("Datum", DateRowText(context.runTime));
  context.AddReportRow("Zeit", TimeRowText(context.runTime));
  context.AddReportRow("", "");
}

void AddComputerNameRow(RunContext& context, TRegistry& registry) {
  // Whatever goes wrong here only costs the row.
  try {
    registry.SelectRoot(kHKeyLocalMachine);
    if (!registry.OpenRead(context.isNT ? kActiveComputerNameKey : kComputerNameKey)) return;
    context.computerName = registry.ReadText("ComputerName");
    context.AddReportRow("ActiveComputerName", context.computerName);
  } catch (const KdxError&) {
  }
}

void AddUserNameRow(RunContext& context) {
  if (const auto user = context.platform.System().GetUserNameA())
    context.AddReportRow("UserName", *user);
}

void AddAdministratorRow(RunContext& context) {
  if (!context.isNT) return;
  try {
    context.AddReportRow("Administrator", isAdmin(context.platform.System()) ? "TRUE" : "FALSE");
  } catch (const KdxError& error) {
    context.AddReportRow("ERROR(isAdmin)", error.what());
  }
}

/// The speed row of the open processor key, when it has a "~MHz" value. A value that is no
/// number ends the run; one that is a number, or gone, when asked again after its read failed
/// was changed by another program meanwhile, and costs its row only, named in an error row.
void AddSpeedRow(RunContext& context, TRegistry& registry) {
  if (!registry.HasValue(kSpeedValue)) return;
  try {
    context.AddReportRow("", "~ " + std::to_string(registry.ReadDword(kSpeedValue)) + " MHZ");
  } catch (const ERegistryException& error) {
    if (registry.HasValue(kSpeedValue) && !registry.HoldsDword(kSpeedValue)) throw;
    context.AddReportRow("ERROR", error.what());
  }
}

void AddProcessorRows(RunContext& context, TRegistry& registry) {
  if (!registry.OpenRead(kProcessorKey)) return;
  context.AddReportRow("", "");
  std::vector<std::string> processors;
  registry.SubkeyNames(processors);
  for (std::size_t i = 0; i < processors.size(); ++i) {
    // The number is the position in the enumeration, not the subkey's name.
    registry.OpenRead(processors[i]);
    context.AddReportRow("Prozessor " + std::to_string(i), registry.ReadText("Identifier"));
    context.AddReportRow("", registry.ReadText("VendorIdentifier"));
    AddSpeedRow(context, registry);
    registry.OpenRead(kProcessorKey);
  }
}

}  // namespace

std::string WindowsVersionName(const OsVersionInfo& version) {
  if (version.platformId == kPlatformNt) {
    return NtVersionName(version.majorVersion, version.minorVersion);
  }
  if (version.platformId == kPlatformWin32s) return "Win32s";
  return Win9xVersionName(version);
}

std::string VersionRowText(const std::string& name, const OsVersionInfo& version) {
  return name + " " + std::to_string(version.majorVersion) + "." +
         std::to_string(version.minorVersion) + " " + version.servicePack + " (" +
         std::to_string(version.buildNumber & 0xFFFF) + ")";
}

std::string DateRowText(const SystemTime& time) {
  return std::to_string(time.day) + "." + std::to_string(time.month) + "." +
         std::to_string(time.year);
}

std::string TimeRowText(const SystemTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", time.hour, time.minute, time.second);
  return text;
}

bool isAdmin(SystemFacts& system) {
  long error = kErrorSuccess;
  auto token = system.OpenThreadToken(error);
  if (!token && error == kErrorNoToken) token = system.OpenProcessToken(error);
  if (!token) return false;
  const auto groups = token->Groups(kTokenGroupsBufferSize);
  token.reset();
  if (!groups) return false;
  const Sid administrators{kNtAuthority, {kBuiltinDomain, kAdministratorsAlias}};
  // Attributes are not looked at: a deny-only Administrators group counts as well.
  for (const Sid& group : *groups) {
    if (group == administrators) return true;
  }
  return false;
}

std::string ReadEnvironmentVariable(RunContext& context, const std::string& name) {
  SystemFacts& system = context.platform.System();
  std::string value = system.GetEnvironmentVariableA(name).value_or("");
  // A value that cannot be expanded is shown as it is set.
  if (context.isNT) value = system.ExpandEnvironmentStringsA(value).value_or(value);
  return value;
}

bool CollectGeneralInfo(RunContext& context, TRegistry& registry) {
  SystemFacts& system = context.platform.System();
  const auto windowsDir = system.GetWindowsDirectoryA();
  if (!windowsDir) return false;
  context.windowsDir = *windowsDir;
  const auto systemDir = system.GetSystemDirectoryA();
  if (!systemDir) return false;
  context.windowsDir = WithTrailingBackslash(context.windowsDir);
  context.systemDir = WithTrailingBackslash(*systemDir);

  registry.OpenRead(kCurrentVersionKey);
  context.commonFilesDir = registry.ReadText("CommonFilesDir");

  std::string versionName;
  if (const auto version = system.GetVersionExA()) {
    versionName = ClassifyVersion(context, *version);
  }
  // WOW64 runs only on Windows NT.
  const std::optional<std::string> architecture =
      context.isNT ? SettleNativeEnvironment(context) : std::nullopt;
  context.AddReportRow(VersionRowText(versionName, context.versionInfo), "");
  if (architecture) context.AddReportRow(kArchitectureRow, *architecture);
  context.AddReportRow("Windows Verzeichnis", context.windowsDir);
  context.AddReportRow("", "");

  AddDateAndTimeRows(context);
  AddComputerNameRow(context, registry);
  AddUserNameRow(context);
  AddAdministratorRow(context);
  context.AddReportRow("SESSIONNAME", ReadEnvironmentVariable(context, "SESSIONNAME"));
  AddProcessorRows(context, registry);
  return true;
}

}  // namespace kdx
