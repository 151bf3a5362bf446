#include <algorithm>

#include "platform/capture/capture_areas.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

/// An open file of the run: its facts are noted, and a read makes the capture copy its bytes.
class CaptureInputFile final : public ForwardingInputFile {
 public:
  CaptureInputFile(std::unique_ptr<InputFile> inner, CapturedFile& record)
      : ForwardingInputFile(std::move(inner)), record_(record) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    record_.use = FileUse::Copied;
    return Inner().Read(buffer, size, count);
  }
  long Seek(std::uint64_t offset) override {
    record_.use = FileUse::Copied;
    return Inner().Seek(offset);
  }
  long GetInformation(FileInformation& information) override {
    const long error = Inner().GetInformation(information);
    if (error == kErrorSuccess) {
      record_.attributes = information.attributes;
      record_.lastWriteTime = information.lastWriteTime;
      record_.size = information.size;
    }
    return error;
  }

 private:
  CapturedFile& record_;
};

}  // namespace

std::string CaptureFileKeyOf(const std::string& path) {
  std::string key;
  std::string part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    const char c = i < path.size() ? path[i] : '\\';
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (part == "..") {
      const auto cut = key.rfind('\\');
      key.erase(cut == std::string::npos || cut < 2 ? std::min<std::size_t>(key.size(), 2) : cut);
    } else if (!part.empty() && part != ".") {
      key += (key.empty() ? "" : "\\") + part;
    }
    part.clear();
  }
  return UpcaseAscii(key);
}

bool CaptureFiles::FileExists(const std::string& path) {
  const bool exists = Inner().FileExists(path);
  if (exists) Note(path, FileUse::Described);
  return exists;
}

long CaptureFiles::OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) {
  const long error = Inner().OpenInputFile(path, file);
  CapturedFile* opened = NoteOpen(path, error, FileUse::Described);
  if (error == kErrorSuccess) file = std::make_unique<CaptureInputFile>(std::move(file), *opened);
  return error;
}

long CaptureFiles::GetFileAttributesA(const std::string& path, std::uint32_t& attributes) {
  const long error = Inner().GetFileAttributesA(path, attributes);
  if (error == kErrorSuccess) {
    CapturedFile& file = Note(path, FileUse::Listed);
    file.attributes = attributes;
    file.folder = (attributes & kFileAttributeDirectory) != 0;
  }
  return error;
}

long CaptureFiles::ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) {
  const long error = Inner().ListFolder(folder, entries);
  if (error != kErrorSuccess) {
    if (CapturedFile* refused = NoteOpen(folder, error, FileUse::Listed)) refused->folder = true;
    return error;
  }
  Note(folder, FileUse::Listed).folder = true;
  for (const FolderEntryData& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    CapturedFile& file = Note(folder + "\\" + entry.name, FileUse::Listed);
    // The listing spells the name as the file system keeps it.
    file.path = folder + "\\" + entry.name;
    file.attributes = entry.attributes;
    file.lastWriteTime = entry.lastWriteTime;
    file.size = entry.size;
    file.folder = (entry.attributes & kFileAttributeDirectory) != 0;
  }
  return error;
}

long CaptureFiles::GetFileVersionInfoA(const std::string& path, std::string& block) {
  CapturedFile& file = Note(path, FileUse::Described);
  const long error = Inner().GetFileVersionInfoA(path, block);
  if (error == kErrorSuccess) file.versionBlock = block;
  return error;
}

std::string CaptureFiles::GetPrivateProfileStringA(const std::optional<std::string>& section,
                                                   const std::optional<std::string>& key,
                                                   const std::string& defaultText, std::size_t size,
                                                   const std::string& path) {
  Note(path, FileUse::Copied);
  const auto slash = path.find_last_of("\\/");
  record_.iniFileNames.insert(slash == std::string::npos ? path : path.substr(slash + 1));
  return Inner().GetPrivateProfileStringA(section, key, defaultText, size, path);
}

ShellLinkAnswers CaptureFiles::ReadShellLink(const std::string& path) {
  Note(path, FileUse::Copied);
  return Inner().ReadShellLink(path);
}

CapturedFile& CaptureFiles::Note(const std::string& path, FileUse use) {
  CapturedFile& file = record_.files[CaptureFileKeyOf(path)];
  if (file.path.empty()) file.path = path;
  file.use = std::max(file.use, use);
  return file;
}

// A file held by another program or barred keeps failing so; a missing one stays missing and
// is not noted.
CapturedFile* CaptureFiles::NoteOpen(const std::string& path, long error, FileUse use) {
  if (error == kErrorSuccess) return &Note(path, use);
  if (error != kErrorAccessDenied && error != kErrorSharingViolation) return nullptr;
  CapturedFile& file = Note(path, FileUse::Listed);
  file.openError = error;
  return &file;
}

}  // namespace kdx
