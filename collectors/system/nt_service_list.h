#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/run_context.h"

namespace kdx {

class TNTServiceList;

/// Raised for every service entered into the list while the event is enabled.
using TOnStatusChange = std::function<void(
    TNTServiceList& sender, const std::string& displayname, const std::string& servicename,
    const std::string& curr_status, const std::string& old_status)>;

/// The name of a service state code ("RUNNING", "STOP_PENDING", ...); empty outside 1 to 7.
std::string ServiceStateName(std::uint32_t state);

/// Enables the shutdown privilege of the own process token; true only when the last error is
/// 0 after the adjustment.
bool EnableShutdownPrivilege(ServicesProcesses& services);

/// Lists every service of a computer, one text line each: "name(display name): STATE".
class TNTServiceList {
 public:
  /// owner: the run, whose platform is asked and whose messages run between the entries.
  explicit TNTServiceList(RunContext& owner) : owner_(owner) {}

  bool EventEnabled() const { return eventEnabled_; }
  void SetEventEnabled(bool enabled) { eventEnabled_ = enabled; }
  /// The computer whose services are listed; empty for the local one.
  const std::string& Server() const { return server_; }
  void SetServer(const std::string& server) { server_ = server; }
  /// Enumerates the services into the list and returns it. A reading adds every service
  /// found as a new line and keeps the lines of earlier readings; it adds nothing when the
  /// shutdown privilege cannot be enabled or the manager cannot be opened, and stops early
  /// when the user ends the program.
  const std::vector<std::string>& ServiceList();
  const TOnStatusChange& OnStatusChange() const { return onStatusChange_; }
  void SetOnStatusChange(TOnStatusChange handler) { onStatusChange_ = std::move(handler); }

 private:
  void UpdateServiceList();

  RunContext& owner_;
  bool eventEnabled_ = false;
  std::string server_;
  TOnStatusChange onStatusChange_;
  std::vector<std::string> serviceList_;
  std::unique_ptr<ServiceManager> manager_;  ///< the manager the last reading opened
};

}  // namespace kdx
