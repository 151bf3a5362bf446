#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/upcase.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kExpandBufferSize = 64000;

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw MachineError(path.string(), 0, "a readable file");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<fs::path> RegFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && UpcaseAnsi(entry.path().extension().string()) == ".REG") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

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

// File streams take the host's Unicode paths on every host, narrow C calls do not.
class HostInputFile : public InputFile {
 public:
  explicit HostInputFile(std::ifstream in) : in_(std::move(in)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    in_.read(buffer, static_cast<std::streamsize>(size));
    if (in_.bad()) throw EInOutError(kIoReadPastEnd);
    return static_cast<std::size_t>(in_.gcount());
  }

 private:
  std::ifstream in_;
};

int IoCodeOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return kIoInvalidFileName;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kIoAccessDenied;
    case EMFILE:
    case ENFILE:
      return kIoTooManyOpenFiles;
    case ENOSPC:
      return kIoDiskFull;
    default:
      return error;
  }
}

class HostOutputFile : public OutputFile {
 public:
  HostOutputFile(std::ofstream out, std::optional<ReportFileFault> fault, int* failuresLeft)
      : out_(std::move(out)), fault_(fault), failuresLeft_(failuresLeft) {}

  void Write(const char* data, std::size_t size) override {
    std::size_t allowed = size;
    const bool fails = fault_ && *failuresLeft_ != 0 && written_ + size > fault_->failAfterBytes;
    // A full disk takes what still fits, then refuses the rest.
    if (fails) {
      allowed = static_cast<std::size_t>(fault_->failAfterBytes -
                                         std::min<std::uint64_t>(written_, fault_->failAfterBytes));
    }
    if (allowed > 0 && !out_.write(data, static_cast<std::streamsize>(allowed))) {
      throw EInOutError(IoCodeOfErrno(errno));
    }
    written_ += allowed;
    if (fails) {
      if (*failuresLeft_ > 0) --*failuresLeft_;
      throw EInOutError(fault_->errorCode);
    }
  }

  void Close() override {
    out_.close();
    if (out_.fail()) throw EInOutError(IoCodeOfErrno(errno));
  }

 private:
  std::ofstream out_;
  std::optional<ReportFileFault> fault_;
  int* failuresLeft_;
  std::uint64_t written_ = 0;
};

}  // namespace

SimPlatform::SimPlatform(const fs::path& machineDir) : machineDir_(machineDir) {
  const fs::path jsonPath = machineDir / "machine.json";
  std::error_code ec;
  if (!fs::is_regular_file(jsonPath, ec)) {
    throw MachineError(jsonPath.string(), 0, "a machine description (the file is missing)");
  }
  config_ = ParseMachineJson(ReadWholeFile(jsonPath), jsonPath.string());
  for (const fs::path& regFile : RegFilesIn(machineDir / "registry")) {
    registry_.LoadRegFile(ReadWholeFile(regFile), regFile.string());
  }
  for (const auto& [key, masks] : config_.registryAccess) {
    registry_.RestrictAccess(key, masks, jsonPath.string());
  }
  if (config_.reportFileFault) reportFileFailuresLeft_ = config_.reportFileFault->failures;
}

SimPlatform::~SimPlatform() = default;

long SimPlatform::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                RegKey& result) {
  return registry_.RegOpenKeyExA(parent, subKey, access, result);
}

long SimPlatform::RegCloseKey(RegKey key) { return registry_.RegCloseKey(key); }

long SimPlatform::RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) {
  return registry_.RegQueryInfoKeyA(key, info);
}

long SimPlatform::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t& nameSize) {
  return registry_.RegEnumKeyExA(key, index, name, nameSize);
}

long SimPlatform::RegEnumValueA(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t& nameSize, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* dataSize) {
  return registry_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
}

long SimPlatform::RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* dataSize) {
  return registry_.RegQueryValueExA(key, valueName, type, data, dataSize);
}

std::optional<std::string> SimPlatform::GetWindowsDirectoryA() { return config_.windowsDirectory; }

std::optional<std::string> SimPlatform::GetSystemDirectoryA() { return config_.systemDirectory; }

std::optional<OsVersionInfo> SimPlatform::GetVersionExA() { return config_.version; }

SystemTime SimPlatform::GetLocalTime() {
  if (config_.localTime) return *config_.localTime;
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

LocaleFormats SimPlatform::GetLocaleFormats() { return config_.locale; }

std::optional<std::string> SimPlatform::GetUserNameA() { return config_.userName; }

std::unique_ptr<AccessToken> SimPlatform::OpenToken(const SimToken& token, long& error) const {
  error = token.openError;
  if (error != kErrorSuccess) return nullptr;
  return std::make_unique<SimAccessToken>(token.groups);
}

std::unique_ptr<AccessToken> SimPlatform::OpenThreadToken(long& error) {
  return OpenToken(config_.threadToken, error);
}

std::unique_ptr<AccessToken> SimPlatform::OpenProcessToken(long& error) {
  return OpenToken(config_.processToken, error);
}

std::optional<std::string> SimPlatform::GetEnvironmentVariableA(const std::string& name) {
  for (const auto& [variable, value] : config_.environment) {
    if (EqualUpcased(variable, name)) return value;
  }
  return std::nullopt;
}

std::optional<std::string> SimPlatform::ExpandEnvironmentStringsA(const std::string& text) {
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

std::string SimPlatform::FormatMessageA(std::uint32_t code) {
  const auto found = config_.messages.find(code);
  return found == config_.messages.end() ? std::string() : found->second;
}

std::optional<fs::path> SimPlatform::HostPathOf(const std::string& windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  fs::path host = machineDir_ / (std::string("drive_") + drive);
  std::error_code ec;
  if (!fs::is_directory(host, ec)) return std::nullopt;
  std::size_t pos = 2;
  while (pos < windowsPath.size()) {
    // Windows takes '/' as a separator too; left inside a name, the host would follow it
    // and ".." behind it could leave the drive folder.
    if (windowsPath[pos] == '\\' || windowsPath[pos] == '/') {
      ++pos;
      continue;
    }
    const std::size_t end = std::min(windowsPath.find_first_of("\\/", pos), windowsPath.size());
    const std::string part = windowsPath.substr(pos, end - pos);
    pos = end;
    if (part == ".") continue;
    if (part == "..") return std::nullopt;  // never leave the drive folder
    if (fs::exists(host / part, ec)) {
      host /= part;
      continue;
    }
    const std::string wanted = UpcaseAnsi(part);
    bool found = false;
    if (fs::is_directory(host, ec)) {
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        if (UpcaseAnsi(entry.path().filename().string()) == wanted) {
          host = entry.path();
          found = true;
          break;
        }
      }
    }
    if (!found) return std::nullopt;
  }
  return host;
}

bool SimPlatform::FileExists(const std::string& path) {
  const auto host = HostPathOf(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec)) return false;
  const auto written = fs::last_write_time(*host, ec);
  if (ec) return false;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(written).time_since_epoch());
  // MS-DOS dates run from 1980 to 2107.
  constexpr long long kDos1980 = 315532800;
  constexpr long long kDos2108 = 4354819200;
  return seconds.count() >= kDos1980 && seconds.count() < kDos2108;
}

std::unique_ptr<InputFile> SimPlatform::OpenInputFile(const std::string& path) {
  const auto host = HostPathOf(path);
  if (!host) throw EInOutError(kIoFileNotFound);
  std::error_code ec;
  // Windows refuses to open a folder as a file.
  if (fs::is_directory(*host, ec)) throw EInOutError(kIoAccessDenied);
  std::ifstream in(*host, std::ios::binary);
  if (!in) throw EInOutError(errno == ENOENT ? kIoFileNotFound : IoCodeOfErrno(errno));
  return std::make_unique<HostInputFile>(std::move(in));
}

std::unique_ptr<OutputFile> SimPlatform::CreateOutputFile(const std::string& path) {
  // The report goes to the host's file system, whose names are Unicode.
  const fs::path hostPath = fs::u8path(Cp1252ToUtf8(path));
  std::error_code ec;
  if (path.empty() || fs::is_directory(hostPath, ec)) throw EInOutError(kIoAccessDenied);
  errno = 0;
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) throw EInOutError(IoCodeOfErrno(errno));
  return std::make_unique<HostOutputFile>(std::move(out), config_.reportFileFault,
                                          &reportFileFailuresLeft_);
}

}  // namespace kdx
