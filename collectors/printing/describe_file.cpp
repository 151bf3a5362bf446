#include "collectors/printing/describe_file.h"

#include <array>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "platform/errors.h"
#include "platform/system_error_text.h"
#include "platform/upcase.h"
#include "run/date_time_format.h"

namespace kdx {

namespace {

/// What describing one path found: the error of the open, or the row text of the file.
struct PathDescription {
  long openError = 0;  ///< kErrorSuccess when the file opened and text holds its row text
  std::string text;
};

constexpr char kTranslation[] = "\\VarFileInfo\\Translation";

struct AttributeLetter {
  std::uint32_t bit;
  char letter;
};

// The letters in the order the report writes them.
constexpr std::array<AttributeLetter, 7> kAttributeLetters = {{
    {kFileAttributeArchive, 'A'},
    {kFileAttributeCompressed, 'C'},
    {kFileAttributeDirectory, 'D'},
    {kFileAttributeHidden, 'H'},
    {kFileAttributeReadOnly, 'R'},
    {kFileAttributeSystem, 'S'},
    {kFileAttributeTemporary, 'T'},
}};

/// The StringFileInfo key of a translation: language, then code page, as eight upper-case
/// hexadecimal digits ("040704E4").
std::string TranslationKey(const std::string& translation) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(translation[i]); };
  char key[16];
  // Little-endian words: the language's high byte is its second byte.
  std::snprintf(key, sizeof key, "%.02X%.02X%.02X%.02X", byte(1), byte(0), byte(3), byte(2));
  return key;
}

std::string TwoDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u", value % 100);
  return text;
}

std::string FourDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04u", value % 10000);
  return text;
}

/// Lets messages run when a description ends, whichever way it ends.
class MessagesAfterwards {
 public:
  explicit MessagesAfterwards(RunContext& context) : context_(context) {}
  ~MessagesAfterwards() { context_.ProcessMessages(); }
  MessagesAfterwards(const MessagesAfterwards&) = delete;
  MessagesAfterwards& operator=(const MessagesAfterwards&) = delete;

 private:
  RunContext& context_;
};

[[noreturn]] void RaiseFailedCall(SystemFacts& system, long error) {
  throw KdxError(SystemErrorText(system, static_cast<std::uint32_t>(error)));
}

}  // namespace

void ReadVersionInfo(FileSystem& files, const std::string& path, TFileVerInfo& record) {
  std::string block;
  if (files.GetFileVersionInfoA(path, block) != kErrorSuccess) return;
  const auto translation = files.VerQueryValueA(block, kTranslation);
  if (!translation || translation->size() < 4) return;
  const std::string prefix = "\\StringFileInfo\\" + TranslationKey(*translation) + "\\";
  record.ProductVersion = files.VerQueryValueA(block, prefix + "ProductVersion").value_or("");
  record.FileVersion = files.VerQueryValueA(block, prefix + "FileVersion").value_or("");
  record.CompanyName = files.VerQueryValueA(block, prefix + "CompanyName").value_or("");
}

std::string AttributeLetters(std::uint32_t attributes) {
  if ((attributes & kFileAttributeNormal) != 0) return "N";
  std::string letters;
  for (const AttributeLetter& letter : kAttributeLetters) {
    if ((attributes & letter.bit) != 0) letters += letter.letter;
  }
  return letters;
}

std::string FullPath(FileSystem& files, const std::string& path) {
  std::string full;
  return files.GetFullPathNameA(path, full) == kErrorSuccess ? full : path;
}

namespace {

/// Where the file of a path lies. A 64-bit Windows shows the program the files of SysWOW64
/// under the name System32 and those of System32 under Sysnative: the file list names the
/// folder they are in, so that the copies of both folders stand apart.
std::string PlaceOf(const RunContext& context, const std::string& path) {
  return context.wow64View ? context.wow64View->FilePath(path) : path;
}

/// Opens and describes the file and enters it into the file list; the open's error when it
/// does not open.
PathDescription DescribeFresh(RunContext& context, const std::string& path) {
  FileSystem& files = context.platform.Files();
  SystemFacts& system = context.platform.System();
  std::unique_ptr<InputFile> file;
  if (const long error = files.OpenInputFile(path, file); error != kErrorSuccess) {
    return {error, {}};
  }
  TFileVerInfo record;
  ReadVersionInfo(files, path, record);
  FileInformation information;
  if (const long error = file->GetInformation(information); error != kErrorSuccess) {
    RaiseFailedCall(system, error);
  }
  const auto written = system.FileTimeToLocalTime(information.lastWriteTime);
  if (!written) RaiseFailedCall(system, kErrorInvalidParameter);

  record.FileDate =
      TwoDigits(written->day) + "." + TwoDigits(written->month) + "." + FourDigits(written->year);
  const std::string& separator = context.localeFormats.timeSeparator;
  record.FileTime = TwoDigits(written->hour) + separator + TwoDigits(written->minute) + separator +
                    TwoDigits(written->second);
  // The report shows the low 32 bits of the size, as the program always has.
  record.FileSize = std::to_string(information.size & 0xFFFFFFFF);
  record.FileAttributes = AttributeLetters(information.attributes);

  std::string text = FormatDateTime(context.localeFormats, *written) + "; " + record.FileSize +
                     " Byte; " + record.FileAttributes + "; Version: " + record.ProductVersion +
                     " / " + record.FileVersion;
  context.fileList.Add(UpcaseAscii(FileNamePart(path)),
                       UpcaseAscii(FolderPart(PlaceOf(context, path))), std::move(record));
  return {kErrorSuccess, std::move(text)};
}

/// The descriptions of the paths described so far, by path as described. The report may take
/// the first: a second description of a path gives the same row text and would change nothing
/// in the file list (its name and folder are there already).
struct DescribedPaths {
  std::unordered_map<std::string, PathDescription> byPath;
};

/// The path's description, asked of the machine the first time only; a path that did not open
/// is not tried again. Failures other than the open's are not kept, so they arise again where
/// the path is asked for again.
const PathDescription& DescribeOnce(RunContext& context, const std::string& path) {
  auto& descriptions = context.caches.Of<DescribedPaths>().byPath;
  if (const auto known = descriptions.find(path); known != descriptions.end()) {
    return known->second;
  }
  PathDescription description = DescribeFresh(context, path);
  return descriptions.emplace(path, std::move(description)).first->second;
}

}  // namespace

std::string DescribeFile(RunContext& context, const std::string& path) {
  const MessagesAfterwards messages(context);
  const PathDescription& description = DescribeOnce(context, path);
  if (description.openError != kErrorSuccess) {
    throw EFOpenError("Datei " + FullPath(context.platform.Files(), path) +
                      " kann nicht geöffnet werden. " +
                      SystemErrorText(context.platform.System(),
                                      static_cast<std::uint32_t>(description.openError)));
  }
  return description.text;
}

std::optional<std::string> TryDescribeFile(RunContext& context, const std::string& path) {
  const MessagesAfterwards messages(context);
  const PathDescription& description = DescribeOnce(context, path);
  if (description.openError != kErrorSuccess) return std::nullopt;
  return description.text;
}

}  // namespace kdx
