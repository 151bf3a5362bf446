#include "platform/sim/sim_system.h"

#include <chrono>
#include <ctime>

#include "platform/collation.h"
#include "platform/sim/file_time.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::size_t kExpandBufferSize = 64000;

class SimAccessToken : public AccessToken {
 public:
  explicit SimAccessToken(std::optional<std::vector<Sid>> groups) : groups_(std::move(groups)) {}

  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    if (!groups_) return std::nullopt;
    // TOKEN_GROUPS on 32-bit Windows: a count, then a SID pointer and attributes per group,
    // then the SIDs themselves (8 bytes of header and 4 per sub-authority).
    std::size_t needed = 4;
    for (const Sid& sid : *groups_) needed += 8 + 8 + 4 * sid.subAuthorities.size();
    if (needed > bufferSize) return std::nullopt;
    return groups_;
  }

 private:
  std::optional<std::vector<Sid>> groups_;
};

std::unique_ptr<AccessToken> OpenToken(const SimToken& token, long& error) {
  error = token.openError;
  if (error != kErrorSuccess) return nullptr;
  return std::make_unique<SimAccessToken>(token.groups);
}

SystemTime HostLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  // One thread only, so the shared result of std::localtime is safe here; it is the one
  // call that both the host and the Windows C library offer.
  const std::tm local = *std::localtime(&seconds);
  SystemTime time;
  time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
  time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
  time.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  time.day = static_cast<std::uint16_t>(local.tm_mday);
  time.hour = static_cast<std::uint16_t>(local.tm_hour);
  time.minute = static_cast<std::uint16_t>(local.tm_min);
  time.second = static_cast<std::uint16_t>(local.tm_sec);
  return time;
}

}  // namespace

std::optional<std::string> SimSystem::GetWindowsDirectoryA() { return config_.windowsDirectory; }

std::optional<std::string> SimSystem::GetSystemDirectoryA() { return config_.systemDirectory; }

std::optional<OsVersionInfo> SimSystem::GetVersionExA() { return config_.version; }

SystemTime SimSystem::GetLocalTime() {
  return config_.localTime ? *config_.localTime : HostLocalTime();
}

LocaleFormats SimSystem::GetLocaleFormats() { return config_.locale; }

std::optional<std::string> SimSystem::GetUserNameA() { return config_.userName; }

std::unique_ptr<AccessToken> SimSystem::OpenThreadToken(long& error) {
  return OpenToken(config_.threadToken, error);
}

std::unique_ptr<AccessToken> SimSystem::OpenProcessToken(long& error) {
  return OpenToken(config_.processToken, error);
}

std::optional<std::string> SimSystem::GetEnvironmentVariableA(const std::string& name) {
  for (const auto& [variable, value] : config_.environment) {
    if (EqualUpcased(variable, name)) return value;
  }
  return std::nullopt;
}

std::optional<std::string> SimSystem::ExpandEnvironmentStringsA(const std::string& text) {
  if (text.size() > kExpandSourceLimit) return std::nullopt;
  std::string expanded;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) {
      expanded.append(text, pos, std::string::npos);
      break;
    }
    expanded.append(text, pos, open - pos);
    // Like Windows, an unknown %NAME% stays as written, and its closing % may open the next.
    if (const auto value = GetEnvironmentVariableA(text.substr(open + 1, close - open - 1))) {
      expanded += *value;
      pos = close + 1;
    } else {
      expanded.append(text, open, close - open);
      pos = close;
    }
  }
  if (expanded.size() >= kExpandBufferSize) expanded.resize(kExpandBufferSize - 1);
  return expanded;
}

int SimSystem::CompareStringA(const std::string& a, const std::string& b) {
  const int order = CompareNamesIgnoreCase(a, b);
  return order < 0 ? kCompareLessThan : order == 0 ? kCompareEqual : kCompareGreaterThan;
}

std::optional<SystemTime> SimSystem::FileTimeToLocalTime(std::uint64_t fileTime) {
  return LocalTimeOfFileTime(fileTime, config_.utcOffsetMinutes);
}

std::uint32_t SimSystem::GetLogicalDrives() {
  if (config_.drives.mask) return *config_.drives.mask;
  std::uint32_t mask = 0;
  for (const auto& [letter, drive] : config_.drives.roots) mask |= 1u << (letter - 'A');
  return mask;
}

const SimDrive* SimSystem::QueryDrive(const std::string& root) const {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return nullptr;
  const auto found = config_.drives.roots.find(UpcaseAscii(root.substr(0, 1))[0]);
  return found == config_.drives.roots.end() ? nullptr : &found->second;
}

std::uint32_t SimSystem::GetDriveTypeA(const std::string& root) {
  const SimDrive* drive = QueryDrive(root);
  return drive != nullptr ? drive->type : kDriveNoRootDir;
}

std::optional<DiskFreeSpace> SimSystem::GetDiskFreeSpaceExA(const std::string& root) {
  const SimDrive* drive = QueryDrive(root);
  if (drive == nullptr || !config_.drives.hasDiskFreeSpaceEx) return std::nullopt;
  return drive->space;
}

std::optional<DiskClusters> SimSystem::GetDiskFreeSpaceA(const std::string& root) {
  const SimDrive* drive = QueryDrive(root);
  return drive != nullptr ? drive->clusters : std::nullopt;
}

std::uint32_t SimSystem::SetErrorMode(std::uint32_t mode) {
  const std::uint32_t previous = errorMode_;
  errorMode_ = mode;
  return previous;
}

std::string SimSystem::FormatMessageA(std::uint32_t code) {
  const auto found = config_.messages.find(code);
  return found == config_.messages.end() ? std::string() : found->second;
}

}  // namespace kdx
