#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"

namespace kdx {

namespace {

/// A query that gives nothing when it fails.
template <typename Real>
auto Nothing(FaultSchedule& schedule, FaultCall kind, Real&& real,
             const std::string& subject = {}) {
  using Answer = decltype(real());
  return schedule.Call(
      kind, real, [](long) { return Answer(); }, IsEmptyAnswer<Answer>, [&] { return subject; });
}

/// A call that cannot fail: numbered, never failed.
template <typename Real>
auto Passed(FaultSchedule& schedule, FaultCall kind, Real&& real) {
  return schedule.Call(
      kind, real, [&](long) { return real(); }, [](const auto&) { return false; }, NoSubject);
}

/// A token whose group query fails as GetTokenInformation does: nothing to read.
class FaultAccessToken final : public ForwardingAccessToken {
 public:
  FaultAccessToken(std::unique_ptr<AccessToken> inner, FaultSchedule& schedule)
      : ForwardingAccessToken(std::move(inner)), schedule_(schedule) {}

  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    return schedule_.Call(
        FaultCall::GetTokenGroups, [&] { return Inner().Groups(bufferSize); },
        [](long) { return std::optional<std::vector<Sid>>(); },
        IsEmptyAnswer<std::optional<std::vector<Sid>>>, NoSubject);
  }

 private:
  FaultSchedule& schedule_;
};

/// Fails the system's queries as kernel32 and advapi32 do: a query that returns 0 gives
/// nothing (an empty text, no drives, DRIVE_UNKNOWN, a failed comparison), a token that does
/// not open its error. The clock, the locale, the memory figures and the error mode cannot
/// fail; their calls are only numbered.
class FaultSystem final : public ForwardingSystemFacts {
 public:
  FaultSystem(SystemFacts& inner, FaultSchedule& schedule)
      : ForwardingSystemFacts(inner), schedule_(schedule) {}

  std::optional<std::string> GetWindowsDirectoryA() override {
    return Nothing(schedule_, FaultCall::GetWindowsDirectoryA,
                   [&] { return Inner().GetWindowsDirectoryA(); });
  }
  std::optional<std::string> GetSystemDirectoryA() override {
    return Nothing(schedule_, FaultCall::GetSystemDirectoryA,
                   [&] { return Inner().GetSystemDirectoryA(); });
  }
  std::optional<OsVersionInfo> GetVersionExA() override {
    return Nothing(schedule_, FaultCall::GetVersionExA, [&] { return Inner().GetVersionExA(); });
  }
  SystemTime GetLocalTime() override {
    return Passed(schedule_, FaultCall::GetLocalTime, [&] { return Inner().GetLocalTime(); });
  }
  LocaleFormats GetLocaleFormats() override {
    return Passed(schedule_, FaultCall::GetLocaleFormats,
                  [&] { return Inner().GetLocaleFormats(); });
  }
  std::optional<std::string> GetUserNameA() override {
    return Nothing(schedule_, FaultCall::GetUserNameA, [&] { return Inner().GetUserNameA(); });
  }
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    return Token(FaultCall::OpenThreadToken, error, [&] { return Inner().OpenThreadToken(error); });
  }
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    return Token(FaultCall::OpenProcessToken, error,
                 [&] { return Inner().OpenProcessToken(error); });
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    return Nothing(
        schedule_, FaultCall::GetEnvironmentVariableA,
        [&] { return Inner().GetEnvironmentVariableA(name); }, name);
  }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    return Nothing(
        schedule_, FaultCall::ExpandEnvironmentStringsA,
        [&] { return Inner().ExpandEnvironmentStringsA(text); }, text);
  }
  std::string FormatMessageA(std::uint32_t code) override {
    return schedule_.Call(
        FaultCall::FormatMessageFromSystem, [&] { return Inner().FormatMessageA(code); },
        [](long) { return std::string(); }, [](const std::string& text) { return text.empty(); },
        [&] { return std::to_string(code); });
  }
  int CompareStringA(const std::string& a, const std::string& b) override {
    return schedule_.Call(
        FaultCall::CompareStringA, [&] { return Inner().CompareStringA(a, b); },
        [](long) { return kCompareFailed; }, [](int result) { return result == kCompareFailed; },
        [&] { return a + " : " + b; });
  }
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override {
    return Nothing(schedule_, FaultCall::FileTimeToLocalTime,
                   [&] { return Inner().FileTimeToLocalTime(fileTime); });
  }
  // A detection that fails takes the Windows for a 32-bit one.
  NativeMachine GetNativeMachine() override {
    return schedule_.Call(
        FaultCall::GetNativeMachine, [&] { return Inner().GetNativeMachine(); },
        [](long) { return NativeMachine::kNone; },
        [](NativeMachine machine) { return machine == NativeMachine::kNone; }, NoSubject);
  }
  MemoryStatus GlobalMemoryStatus() override {
    return Passed(schedule_, FaultCall::GlobalMemoryStatus,
                  [&] { return Inner().GlobalMemoryStatus(); });
  }
  std::uint32_t GetLogicalDrives() override {
    return schedule_.Call(
        FaultCall::GetLogicalDrives, [&] { return Inner().GetLogicalDrives(); },
        [](long) { return std::uint32_t{0}; }, [](std::uint32_t mask) { return mask == 0; },
        NoSubject);
  }
  std::uint32_t GetDriveTypeA(const std::string& root) override {
    // DRIVE_UNKNOWN: the type cannot be determined.
    return schedule_.Call(
        FaultCall::GetDriveTypeA, [&] { return Inner().GetDriveTypeA(root); },
        [](long) { return std::uint32_t{0}; },
        [](std::uint32_t type) { return type <= kDriveNoRootDir; }, [&] { return root; });
  }
  bool HasGetDiskFreeSpaceExA() override {
    return Passed(schedule_, FaultCall::HasGetDiskFreeSpaceExA,
                  [&] { return Inner().HasGetDiskFreeSpaceExA(); });
  }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
    return Nothing(
        schedule_, FaultCall::GetDiskFreeSpaceExA,
        [&] { return Inner().GetDiskFreeSpaceExA(root); }, root);
  }
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
    return Nothing(
        schedule_, FaultCall::GetDiskFreeSpaceA, [&] { return Inner().GetDiskFreeSpaceA(root); },
        root);
  }
  std::uint32_t SetErrorMode(std::uint32_t mode) override {
    return Passed(schedule_, FaultCall::SetErrorMode, [&] { return Inner().SetErrorMode(mode); });
  }

 private:
  template <typename Real>
  std::unique_ptr<AccessToken> Token(FaultCall kind, long& error, Real&& real) {
    std::unique_ptr<AccessToken> token = schedule_.Call(
        kind, real,
        [&](long code) {
          error = code;
          return std::unique_ptr<AccessToken>();
        },
        IsEmptyAnswer<std::unique_ptr<AccessToken>>, NoSubject);
    if (!token) return token;
    return std::make_unique<FaultAccessToken>(std::move(token), schedule_);
  }

  FaultSchedule& schedule_;
};

}  // namespace

std::unique_ptr<SystemFacts> NewFaultSystem(SystemFacts& inner, FaultSchedule& schedule) {
  return std::make_unique<FaultSystem>(inner, schedule);
}

}  // namespace kdx
