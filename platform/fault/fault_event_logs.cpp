#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"

namespace kdx {

namespace {

class FaultEventLog final : public ForwardingEventLog {
 public:
  FaultEventLog(std::unique_ptr<EventLog> inner, FaultSchedule& schedule, std::string name)
      : ForwardingEventLog(std::move(inner)), schedule_(schedule), name_(std::move(name)) {}

  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    return schedule_.Call(
        FaultCall::ReadEventLogA,
        [&] { return Inner().ReadEventLogA(buffer, bytesRead, bytesNeeded); }, CodeOnly,
        IsErrorCode, [&] { return name_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string name_;
};

class FaultMessageModule final : public ForwardingMessageModule {
 public:
  FaultMessageModule(std::unique_ptr<MessageModule> inner, FaultSchedule& schedule,
                     std::string path)
      : ForwardingMessageModule(std::move(inner)), schedule_(schedule), path_(std::move(path)) {}

  long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                      std::string& text) override {
    return schedule_.Call(
        FaultCall::FormatMessageFromModule,
        [&] { return Inner().FormatMessageA(messageId, strings, text); }, CodeOnly, IsErrorCode,
        [&] { return path_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string path_;
};

/// Fails the event log calls as advapi32 and kernel32 do: no handle and the code, a read or a
/// message that fails with its code and its outputs left alone.
class FaultEventLogs final : public ForwardingEventLogs {
 public:
  FaultEventLogs(EventLogs& inner, FaultSchedule& schedule)
      : ForwardingEventLogs(inner), schedule_(schedule) {}

  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override {
    auto log = Opened<EventLog>(
        FaultCall::OpenEventLogA, error, [&] { return Inner().OpenEventLogA(logName, error); },
        logName);
    if (!log) return log;
    return std::make_unique<FaultEventLog>(std::move(log), schedule_, logName);
  }
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
    auto module = Opened<MessageModule>(
        FaultCall::LoadLibraryExA, error, [&] { return Inner().LoadLibraryExA(path, error); },
        path);
    if (!module) return module;
    return std::make_unique<FaultMessageModule>(std::move(module), schedule_, path);
  }

 private:
  template <typename Object, typename Real>
  std::unique_ptr<Object> Opened(FaultCall kind, long& error, Real&& real,
                                 const std::string& subject) {
    return schedule_.Call(
        kind, real,
        [&](long code) {
          error = code;
          return std::unique_ptr<Object>();
        },
        IsEmptyAnswer<std::unique_ptr<Object>>, [&] { return subject; });
  }

  FaultSchedule& schedule_;
};

}  // namespace

std::unique_ptr<EventLogs> NewFaultEventLogs(EventLogs& inner, FaultSchedule& schedule) {
  return std::make_unique<FaultEventLogs>(inner, schedule);
}

}  // namespace kdx
