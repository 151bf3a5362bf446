#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_logs.h"
#include "platform/file_system.h"
#include "platform/formats/event_log.h"
#include "platform/machine/machine_config.h"
#include "platform/sim/sim_files.h"

namespace kdx {

/// The event logs of a simulated machine, one file each in the machine directory's eventlog/
/// folder (System.evt or System.txt, see LoadEventLog), and the message files of their
/// sources, read from the PE files of the simulated drives.
class SimEventLogs final : public EventLogs {
 public:
  /// Loads every log of machineDir/eventlog; throws MachineError for a log that cannot be read
  /// or a log given by two files.
  SimEventLogs(const std::filesystem::path& machineDir, const MachineConfig& config,
               SimFiles& files);

  /// Windows 95 to ME fail with kErrorCallNotImplemented. On NT a name matches its file
  /// without regard to case; a log without a file opens as an empty log.
  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override;
  /// Loads the file through the simulated file system (its open errors included); messages
  /// come from its RT_MESSAGETABLE (FindMessage), the system's from machine.json's messages,
  /// formatted by ApplyMessageInserts.
  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override;

 private:
  /// The file of a path as the loader finds it (a bare name in the system folder, then the
  /// Windows folder).
  long ModuleFile(const std::string& path, std::optional<FileBytes>& image);

  const MachineConfig& config_;
  SimFiles& files_;
  /// By upper-cased log name, records oldest first.
  std::map<std::string, std::vector<EventLogEntry>> logs_;
};

}  // namespace kdx
