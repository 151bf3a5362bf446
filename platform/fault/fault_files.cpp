#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"

namespace kdx {

namespace {

/// A file open for reading whose read fails as ReadFile does (nothing read, the code), or
/// comes back short: half of what was asked, as from a file cut short meanwhile.
class FaultInputFile final : public ForwardingInputFile {
 public:
  FaultInputFile(std::unique_ptr<InputFile> inner, FaultSchedule& schedule, std::string path)
      : ForwardingInputFile(std::move(inner)), schedule_(schedule), path_(std::move(path)) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    return schedule_.Call(
        FaultCall::ReadFile, [&] { return Inner().Read(buffer, size, count); },
        [&](long code) {
          count = 0;
          if (code != kFaultShortRead) return code;
          return size < 2 ? kErrorSuccess : Inner().Read(buffer, size / 2, count);
        },
        IsErrorCode, [&] { return path_; });
  }
  long Seek(std::uint64_t offset) override {
    return schedule_.Call(
        FaultCall::SeekFile, [&] { return Inner().Seek(offset); }, CodeOnly, IsErrorCode,
        [&] { return path_; });
  }
  long GetInformation(FileInformation& information) override {
    return schedule_.Call(
        FaultCall::GetFileInformationByHandle, [&] { return Inner().GetInformation(information); },
        CodeOnly, IsErrorCode, [&] { return path_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string path_;
};

/// The report file: a write that fails writes nothing, as on a volume that refuses it; a close
/// that fails has closed the file but lost what the system still held of it.
class FaultOutputFile final : public ForwardingOutputFile {
 public:
  FaultOutputFile(std::unique_ptr<OutputFile> inner, FaultSchedule& schedule, std::string path)
      : ForwardingOutputFile(std::move(inner)), schedule_(schedule), path_(std::move(path)) {}

  long Write(const char* data, std::size_t size) override {
    const long error = schedule_.Call(
        FaultCall::WriteFile, [&] { return Inner().Write(data, size); }, CodeOnly, IsErrorCode,
        [&] { return path_; });
    if (error == kErrorSuccess) schedule_.NoteWritten(size);
    return error;
  }
  long Close() override {
    return schedule_.Call(
        FaultCall::CloseOutputFile, [&] { return Inner().Close(); },
        [&](long code) {
          Inner().Close();
          return code;
        },
        IsErrorCode, [&] { return path_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string path_;
};

/// Fails the file calls as kernel32, version.dll and the shell do: the code with the outputs
/// left alone; a profile read that fails gives its default, a list nothing; a shortcut that
/// does not load gives no texts.
class FaultFiles final : public ForwardingFileSystem {
 public:
  FaultFiles(FileSystem& inner, FaultSchedule& schedule)
      : ForwardingFileSystem(inner), schedule_(schedule) {}

  bool FileExists(const std::string& path) override {
    return schedule_.Call(
        FaultCall::FileExists, [&] { return Inner().FileExists(path); }, [](long) { return false; },
        [](bool exists) { return !exists; }, [&] { return path; });
  }
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    const long error = Code(
        FaultCall::OpenInputFile, [&] { return Inner().OpenInputFile(path, file); }, path);
    if (error == kErrorSuccess)
      file = std::make_unique<FaultInputFile>(std::move(file), schedule_, path);
    return error;
  }
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    return Code(
        FaultCall::GetFullPathNameA, [&] { return Inner().GetFullPathNameA(path, fullPath); },
        path);
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    return Code(
        FaultCall::GetFileAttributesA, [&] { return Inner().GetFileAttributesA(path, attributes); },
        path);
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    return Code(
        FaultCall::ListFolder, [&] { return Inner().ListFolder(folder, entries); }, folder);
  }
  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    return Code(
        FaultCall::GetFileVersionInfoA, [&] { return Inner().GetFileVersionInfoA(path, block); },
        path);
  }
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    return schedule_.Call(
        FaultCall::VerQueryValueA, [&] { return Inner().VerQueryValueA(block, subBlock); },
        [](long) { return std::optional<std::string>(); },
        IsEmptyAnswer<std::optional<std::string>>, [&] { return subBlock; });
  }
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    // A value read that fails gives the default, cut to the buffer; a list gives nothing.
    const std::string failed =
        section && key && size > 0 ? defaultText.substr(0, size - 1) : std::string();
    return schedule_.Call(
        FaultCall::GetPrivateProfileStringA,
        [&] { return Inner().GetPrivateProfileStringA(section, key, defaultText, size, path); },
        [&](long) { return std::string(failed); },
        [&](const std::string& text) { return text == failed; },
        [&] { return path + " [" + section.value_or("") + "] " + key.value_or(""); });
  }
  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    return schedule_.Call(
        FaultCall::ReadShellLink, [&] { return Inner().ReadShellLink(path); },
        [](long) { return ShellLinkAnswers(); },
        [](const ShellLinkAnswers& link) { return !link.loaded; }, [&] { return path; });
  }
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    const long error = Code(
        FaultCall::CreateOutputFile, [&] { return Inner().CreateOutputFile(path, file); }, path);
    if (error == kErrorSuccess) {
      file = std::make_unique<FaultOutputFile>(std::move(file), schedule_, path);
    }
    return error;
  }
  long CreateDirectoryA(const std::string& path) override {
    return Code(
        FaultCall::CreateDirectoryA, [&] { return Inner().CreateDirectoryA(path); }, path);
  }

 private:
  template <typename Real>
  long Code(FaultCall kind, Real&& real, const std::string& subject) {
    return schedule_.Call(kind, real, CodeOnly, IsErrorCode, [&] { return subject; });
  }

  FaultSchedule& schedule_;
};

}  // namespace

std::unique_ptr<FileSystem> NewFaultFiles(FileSystem& inner, FaultSchedule& schedule) {
  return std::make_unique<FaultFiles>(inner, schedule);
}

}  // namespace kdx
