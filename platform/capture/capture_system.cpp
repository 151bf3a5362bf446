#include <algorithm>

#include "platform/capture/capture_areas.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

/// A token the run opened: the groups it was told are the token's.
class CaptureToken final : public ForwardingAccessToken {
 public:
  CaptureToken(std::unique_ptr<AccessToken> inner, SimToken& record)
      : ForwardingAccessToken(std::move(inner)), record_(record) {}
  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    auto groups = Inner().Groups(bufferSize);
    if (groups) record_.groups = groups;
    return groups;
  }

 private:
  SimToken& record_;
};

}  // namespace

std::optional<std::string> CaptureSystem::GetWindowsDirectoryA() {
  return record_.machine.windowsDirectory = Inner().GetWindowsDirectoryA();
}

std::optional<std::string> CaptureSystem::GetSystemDirectoryA() {
  return record_.machine.systemDirectory = Inner().GetSystemDirectoryA();
}

std::optional<OsVersionInfo> CaptureSystem::GetVersionExA() {
  return record_.machine.version = Inner().GetVersionExA();
}

SystemTime CaptureSystem::GetLocalTime() {
  // The run's clock is its first reading: the report's date and its file name.
  const SystemTime now = Inner().GetLocalTime();
  if (!localTimeKnown_) record_.machine.localTime = now;
  localTimeKnown_ = true;
  return now;
}

LocaleFormats CaptureSystem::GetLocaleFormats() {
  return record_.machine.locale = Inner().GetLocaleFormats();
}

std::optional<std::string> CaptureSystem::GetUserNameA() {
  return record_.machine.userName = Inner().GetUserNameA();
}

std::unique_ptr<AccessToken> CaptureSystem::OpenThreadToken(long& error) {
  auto token = Inner().OpenThreadToken(error);
  return NoteToken(std::move(token), error, record_.machine.threadToken);
}

std::unique_ptr<AccessToken> CaptureSystem::OpenProcessToken(long& error) {
  auto token = Inner().OpenProcessToken(error);
  return NoteToken(std::move(token), error, record_.machine.processToken);
}

std::optional<std::string> CaptureSystem::GetEnvironmentVariableA(const std::string& name) {
  auto value = Inner().GetEnvironmentVariableA(name);
  auto& environment = record_.machine.environment;
  const bool known = std::any_of(environment.begin(), environment.end(), [&](const auto& entry) {
    return UpcaseAscii(entry.first) == UpcaseAscii(name);
  });
  if (value && !known) environment.emplace_back(name, *value);
  return value;
}

std::optional<std::string> CaptureSystem::ExpandEnvironmentStringsA(const std::string& text) {
  NoteReferencedVariables(text);
  return Inner().ExpandEnvironmentStringsA(text);
}

std::string CaptureSystem::FormatMessageA(std::uint32_t code) {
  return record_.machine.messages[code] = Inner().FormatMessageA(code);
}

std::optional<SystemTime> CaptureSystem::FileTimeToLocalTime(std::uint64_t fileTime) {
  auto local = Inner().FileTimeToLocalTime(fileTime);
  if (local && !utcOffsetKnown_) NoteUtcOffset();
  return local;
}

NativeMachine CaptureSystem::GetNativeMachine() {
  return record_.machine.nativeMachine = Inner().GetNativeMachine();
}

MemoryStatus CaptureSystem::GlobalMemoryStatus() {
  return record_.machine.memory = Inner().GlobalMemoryStatus();
}

std::uint32_t CaptureSystem::GetLogicalDrives() {
  return *(record_.machine.drives.mask = Inner().GetLogicalDrives());
}

std::uint32_t CaptureSystem::GetDriveTypeA(const std::string& root) {
  const std::uint32_t type = Inner().GetDriveTypeA(root);
  if (SimDrive* drive = DriveOf(root)) drive->type = type;
  return type;
}

bool CaptureSystem::HasGetDiskFreeSpaceExA() {
  return record_.machine.drives.hasDiskFreeSpaceEx = Inner().HasGetDiskFreeSpaceExA();
}

std::optional<DiskFreeSpace> CaptureSystem::GetDiskFreeSpaceExA(const std::string& root) {
  auto space = Inner().GetDiskFreeSpaceExA(root);
  if (SimDrive* drive = DriveOf(root)) drive->space = space;
  return space;
}

std::optional<DiskClusters> CaptureSystem::GetDiskFreeSpaceA(const std::string& root) {
  auto clusters = Inner().GetDiskFreeSpaceA(root);
  if (SimDrive* drive = DriveOf(root)) drive->clusters = clusters;
  return clusters;
}

std::unique_ptr<AccessToken> CaptureSystem::NoteToken(std::unique_ptr<AccessToken> token,
                                                      long error, SimToken& slot) {
  if (!token) {
    slot = SimToken{error, std::nullopt};
    return token;
  }
  // Its groups stay unknown, as a query that fails, until the run asks for them.
  slot = SimToken{};
  return std::make_unique<CaptureToken>(std::move(token), slot);
}

// The expansion reads variables the run never names itself; the replay needs them too.
void CaptureSystem::NoteReferencedVariables(const std::string& text) {
  for (std::size_t start = text.find('%'); start != std::string::npos;) {
    const std::size_t end = text.find('%', start + 1);
    if (end == std::string::npos) break;
    if (end > start + 1) GetEnvironmentVariableA(text.substr(start + 1, end - start - 1));
    start = text.find('%', end + 1);
  }
}

// Windows turns every file time with the bias of now, whatever the file's season: one
// reading gives the offset of them all.
void CaptureSystem::NoteUtcOffset() {
  constexpr std::uint64_t kReference = 125911584000000000;  // 2000-01-01 00:00 UTC
  const auto local = Inner().FileTimeToLocalTime(kReference);
  if (!local) return;
  const int minutes = local->hour * 60 + local->minute;
  record_.machine.utcOffsetMinutes = local->year < 2000 ? minutes - 1440 : minutes;
  utcOffsetKnown_ = true;
}

// A drive the run asks about by its root "C:\"; it is stated once its type is known.
SimDrive* CaptureSystem::DriveOf(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return nullptr;
  const char letter = UpcaseAscii(root.substr(0, 1))[0];
  if (letter < 'A' || letter > 'Z') return nullptr;
  return &record_.machine.drives.roots.try_emplace(letter, SimDrive{kDriveNoRootDir, {}, {}})
              .first->second;
}

}  // namespace kdx
