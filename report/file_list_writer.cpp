#include "report/file_list_writer.h"

#include <iterator>

namespace kdx {

namespace {

constexpr char kDifferentFile[] = "{Different file}";

std::string FileLine(std::size_t position, bool different, const std::string& name,
                     const FolderEntry& entry) {
  const TFileVerInfo& info = entry.info;
  std::string line(2 * position, ' ');
  if (different) line += kDifferentFile;
  const std::string* texts[] = {&name,          &info.FileVersion, &info.ProductVersion,
                                &entry.folder,  &info.FileSize,    &info.FileDate,
                                &info.FileTime, &info.CompanyName, &info.FileAttributes};
  line += '(';
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    if (i > 0) line += ',';
    line += Quoted(*texts[i]);
  }
  line += "),";
  return line;
}

}  // namespace

bool SameFileVersion(const TFileVerInfo& a, const TFileVerInfo& b) {
  return a.CompanyName == b.CompanyName && a.FileVersion == b.FileVersion &&
         a.ProductVersion == b.ProductVersion;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

void WriteFileList(const FileList& fileList, ReportWriter& writer) {
  fileList.ForEach([&](const std::string& name, const std::vector<FolderEntry>& folders) {
    for (std::size_t i = 0; i < folders.size(); ++i) {
      // Every later folder is compared with the first, not with the one before it.
      const bool different = i > 0 && !SameFileVersion(folders[i].info, folders[0].info);
      writer.WriteReportLine(FileLine(i, different, name, folders[i]));
    }
  });
}

}  // namespace kdx
