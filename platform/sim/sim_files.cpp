#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>

#include "platform/error_codes.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace fs = std::filesystem;

namespace {

long Win32ErrorOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENOSPC:
      return kErrorDiskFull;
    default:
      return error;
  }
}

// File streams take the host's Unicode paths on every host, narrow C calls do not.
class HostInputFile : public InputFile {
 public:
  explicit HostInputFile(std::ifstream in) : in_(std::move(in)) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    in_.read(buffer, static_cast<std::streamsize>(size));
    count = static_cast<std::size_t>(in_.gcount());
    return in_.bad() ? kErrorReadFault : kErrorSuccess;
  }

 private:
  std::ifstream in_;
};

class HostOutputFile : public OutputFile {
 public:
  HostOutputFile(std::ofstream out, std::optional<ReportFileFault> fault, int* failuresLeft)
      : out_(std::move(out)), fault_(fault), failuresLeft_(failuresLeft) {}

  long Write(const char* data, std::size_t size) override {
    std::size_t allowed = size;
    const bool fails = fault_ && *failuresLeft_ != 0 && written_ + size > fault_->failAfterBytes;
    // A full disk takes what still fits, then refuses the rest.
    if (fails) {
      allowed = static_cast<std::size_t>(fault_->failAfterBytes -
                                         std::min<std::uint64_t>(written_, fault_->failAfterBytes));
    }
    if (allowed > 0 && !out_.write(data, static_cast<std::streamsize>(allowed))) {
      return Win32ErrorOfErrno(errno);
    }
    written_ += allowed;
    if (!fails) return kErrorSuccess;
    if (*failuresLeft_ > 0) --*failuresLeft_;
    return fault_->errorCode;
  }

  long Close() override {
    out_.close();
    return out_.fail() ? Win32ErrorOfErrno(errno) : kErrorSuccess;
  }

 private:
  std::ofstream out_;
  std::optional<ReportFileFault> fault_;
  int* failuresLeft_;
  std::uint64_t written_ = 0;
};

}  // namespace

SimFiles::SimFiles(fs::path machineDir, std::optional<ReportFileFault> reportFileFault)
    : machineDir_(std::move(machineDir)), reportFileFault_(reportFileFault) {
  if (reportFileFault_) reportFileFailuresLeft_ = reportFileFault_->failures;
}

std::optional<fs::path> SimFiles::HostPathOf(const std::string& windowsPath) const {
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

long SimFiles::MissingFileError(const std::string& path) const {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return kErrorPathNotFound;
  const auto folder = HostPathOf(path.substr(0, slash + 1));
  std::error_code ec;
  return folder && fs::is_directory(*folder, ec) ? kErrorFileNotFound : kErrorPathNotFound;
}

bool SimFiles::FileExists(const std::string& path) {
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

long SimFiles::OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) {
  const auto host = HostPathOf(path);
  if (!host) return MissingFileError(path);
  std::error_code ec;
  // Windows refuses to open a folder as a file.
  if (fs::is_directory(*host, ec)) return kErrorAccessDenied;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return errno == ENOENT ? kErrorFileNotFound : Win32ErrorOfErrno(errno);
  file = std::make_unique<HostInputFile>(std::move(in));
  return kErrorSuccess;
}

long SimFiles::CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) {
  // The report goes to the host's file system, whose names are Unicode.
  const fs::path hostPath = fs::u8path(Cp1252ToUtf8(path));
  std::error_code ec;
  if (path.empty() || fs::is_directory(hostPath, ec)) return kErrorAccessDenied;
  errno = 0;
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return Win32ErrorOfErrno(errno);
  file =
      std::make_unique<HostOutputFile>(std::move(out), reportFileFault_, &reportFileFailuresLeft_);
  return kErrorSuccess;
}

}  // namespace kdx
