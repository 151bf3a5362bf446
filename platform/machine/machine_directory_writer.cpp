#include "platform/machine/machine_directory_writer.h"

#include "platform/error_codes.h"
#include "platform/machine/machine_json_writer.h"

namespace kdx {

namespace {

/// Writes below one folder, keeping the first failure's text and the totals.
class DirectoryWriter {
 public:
  DirectoryWriter(FileSystem& output, std::string folder, MachineDirectoryTotals& totals)
      : output_(output), folder_(std::move(folder)), totals_(totals) {}

  bool Folder(const std::string& relative) {
    const std::string path = relative.empty() ? folder_ : folder_ + "/" + relative;
    const long error = output_.CreateDirectoryA(path);
    if (error == kErrorSuccess || error == kErrorAlreadyExists) return true;
    return Fail("cannot make the folder " + path);
  }

  /// Makes a file and fills it through fill, which writes into it.
  template <typename Fill>
  bool File(const std::string& relative, Fill fill) {
    const std::string path = folder_ + "/" + relative;
    std::unique_ptr<OutputFile> file;
    if (output_.CreateOutputFile(path, file) != kErrorSuccess) return Fail("cannot write " + path);
    ++totals_.files;
    CountingOutput counted(*file, totals_.bytes);
    const long written = fill(counted);
    const long closed = file->Close();
    if (written != kErrorSuccess || closed != kErrorSuccess) {
      return Fail("cannot write into " + folder_ + " (disk full?)");
    }
    return true;
  }

  bool Text(const std::string& relative, const std::string& text) {
    return File(relative, [&](OutputFile& out) { return out.Write(text.data(), text.size()); });
  }

  const std::string& Problem() const { return problem_; }

 private:
  /// Passes writes on and counts their bytes.
  class CountingOutput final : public OutputFile {
   public:
    CountingOutput(OutputFile& inner, std::uint64_t& bytes) : inner_(inner), bytes_(bytes) {}
    long Write(const char* data, std::size_t size) override {
      bytes_ += size;
      return inner_.Write(data, size);
    }
    long Close() override { return inner_.Close(); }

   private:
    OutputFile& inner_;
    std::uint64_t& bytes_;
  };

  bool Fail(const std::string& what) {
    if (problem_.empty()) problem_ = what;
    return false;
  }

  FileSystem& output_;
  std::string folder_;
  MachineDirectoryTotals& totals_;
  std::string problem_;
};

void WriteDriveItems(const std::vector<DriveItem>& items, const CopyFileBytes& copy,
                     DirectoryWriter& writer) {
  for (const DriveItem& item : items) {
    switch (item.kind) {
      case DriveItem::Kind::Folder:
        writer.Folder(item.relativePath);
        break;
      case DriveItem::Kind::EmptyFile:
        writer.Text(item.relativePath, {});
        break;
      case DriveItem::Kind::CopiedFile:
        writer.File(item.relativePath,
                    [&](OutputFile& out) { return copy(item.windowsPath, out); });
        break;
    }
  }
}

}  // namespace

std::string WriteMachineDirectory(const MachineDirectory& directory, FileSystem& output,
                                  const std::string& folder, const CopyFileBytes& copy,
                                  MachineDirectoryTotals& totals) {
  DirectoryWriter writer(output, folder, totals);
  if (!writer.Folder("")) return writer.Problem();
  WriteDriveItems(directory.driveItems, copy, writer);
  writer.Folder("registry");
  writer.Text("registry/capture.reg", directory.registry);
  if (!directory.eventLogs.empty()) writer.Folder("eventlog");
  for (const auto& [log, bytes] : directory.eventLogs)
    writer.Text("eventlog/" + log + ".evt", bytes);
  if (writer.Problem().empty()) writer.Text("machine.json", MachineJsonText(directory.config));
  return writer.Problem();
}

}  // namespace kdx
