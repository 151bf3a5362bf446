#include "platform/sim/sim_event_logs.h"

#include <algorithm>
#include <fstream>
#include <span>

#include "platform/formats/format_message.h"
#include "platform/formats/message_table.h"
#include "platform/formats/pe_image.h"
#include "platform/machine/machine_error.h"
#include "platform/upcase.h"

namespace kdx {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kPlatformNt = 2;

std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  std::string bytes(ec ? 0 : static_cast<std::size_t>(size), '\0');
  if (ec || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw MachineError(path.string(), 0, "a readable file");
  }
  return bytes;
}

class SimEventLog final : public EventLog {
 public:
  explicit SimEventLog(std::span<const EventLogEntry> records) : reader_(records) {}

  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    const EventLogRead read = reader_.Read(buffer.size());
    if (read.error == kErrorInsufficientBuffer) bytesNeeded = read.bytesNeeded;
    if (read.error != kErrorSuccess) return read.error;
    std::copy(read.records.begin(), read.records.end(), buffer.begin());
    bytesRead = static_cast<std::uint32_t>(read.records.size());
    return kErrorSuccess;
  }

 private:
  BackwardsEventLogReader reader_;
};

class SimMessageModule final : public MessageModule {
 public:
  SimMessageModule(FileBytes image, const MachineConfig& config)
      : image_(std::move(image)), config_(config) {}

  long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                      std::string& text) override {
    std::optional<std::string> message = FindMessage(image_, messageId, config_.userLanguage);
    // Windows keeps a loaded module's file from changing; a host file that did is no module.
    if (image_.ReadFailed()) return kErrorReadFault;
    if (!message) {
      // FORMAT_MESSAGE_FROM_SYSTEM: the system's table is searched after the module's.
      const auto system = config_.messages.find(messageId);
      if (system == config_.messages.end()) return kErrorMrMidNotFound;
      message = system->second;
    }
    std::string formatted = ApplyMessageInserts(*message, strings);
    if (formatted.empty()) return kErrorInvalidParameter;
    text = std::move(formatted);
    return kErrorSuccess;
  }

 private:
  FileBytes image_;
  const MachineConfig& config_;
};

}  // namespace

SimEventLogs::SimEventLogs(const fs::path& machineDir, const MachineConfig& config, SimFiles& files)
    : config_(config), files_(files) {
  const fs::path folder = machineDir / "eventlog";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string fileName = entry.path().filename().string();
    const std::string name = UpcaseAscii(entry.path().stem().string());
    if (logs_.contains(name)) {
      throw MachineError(entry.path().string(), 0, "the only file of the log " + name);
    }
    try {
      logs_[name] = LoadEventLog(ReadHostFile(entry.path()), fileName);
    } catch (const FormatError& error) {
      throw MachineError(entry.path().string(), error);
    }
  }
}

std::unique_ptr<EventLog> SimEventLogs::OpenEventLogA(const std::string& logName, long& error) {
  if (!config_.version || config_.version->platformId != kPlatformNt) {
    error = kErrorCallNotImplemented;
    return nullptr;
  }
  const auto found = logs_.find(UpcaseAscii(logName));
  if (found == logs_.end()) return std::make_unique<SimEventLog>(std::span<const EventLogEntry>());
  return std::make_unique<SimEventLog>(found->second);
}

long SimEventLogs::ModuleFile(const std::string& path, std::optional<FileBytes>& image) {
  if (path.find_first_of("\\/:") != std::string::npos) return files_.ModuleBytes(path, image);
  long error = kErrorFileNotFound;
  for (const auto& folder : {config_.systemDirectory, config_.windowsDirectory}) {
    if (!folder || path.empty()) continue;
    error = files_.ModuleBytes(*folder + "\\" + path, image);
    if (error != kErrorFileNotFound && error != kErrorPathNotFound) return error;
  }
  return error;
}

std::unique_ptr<MessageModule> SimEventLogs::LoadLibraryExA(const std::string& path, long& error) {
  std::optional<FileBytes> image;
  error = ModuleFile(path, image);
  if (error == kErrorFileNotFound || error == kErrorPathNotFound) error = kErrorModNotFound;
  if (error != kErrorSuccess) return nullptr;
  if (!IsX86Image(*image)) {
    error = image->ReadFailed() ? kErrorReadFault : kErrorBadExeFormat;
    return nullptr;
  }
  return std::make_unique<SimMessageModule>(std::move(*image), config_);
}

}  // namespace kdx
