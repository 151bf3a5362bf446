#include "collectors/printing/label_software.h"

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/name_list.h"

namespace kdx {

namespace {

constexpr char kV4Key[] = "\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\4.0\\PROGRAM";
constexpr char kV5Key[] = "\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\5.0\\PROGRAM";
constexpr char kKeyMissing[] = "Registry Key nicht gefunden:";
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShortcutName[] = "\\Dexta Label.lnk";
constexpr char kSelectionFile[] = "\\kdxwin.kdx";
constexpr char kUndeterminable[] = "nicht feststellbar";
constexpr std::size_t kListBufferSize = 16384;
constexpr std::size_t kValueBufferSize = 2048;
constexpr std::size_t kSlotSize = 256;
constexpr std::uint64_t kLibrarySlot = 2056;
constexpr std::uint64_t kPortSlot = 3952;
constexpr std::uint64_t kPrinterSlot = 6768;

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

/// The text of a 256-byte slot: up to its first NUL, all of it when there is none.
bool ReadSlot(InputFile& file, std::uint64_t offset, std::string& text) {
  std::array<char, kSlotSize> slot{};
  std::size_t count = 0;
  if (file.Seek(offset) != kErrorSuccess ||
      file.Read(slot.data(), slot.size(), count) != kErrorSuccess || count != slot.size()) {
    return false;
  }
  const std::string_view bytes(slot.data(), slot.size());
  text = std::string(bytes.substr(0, bytes.find('\0')));
  return true;
}

void AddActualPrinterRows(RunContext& context, const std::string& appDir) {
  try {
    const ActualPrinter selected = GetActualPrinter(context.platform.Files(), appDir);
    context.AddReportRow("gewählter Port", selected.port);
    context.AddReportRow("gewählter Drucker", selected.printer);
    context.AddReportRow("Bibliothek", selected.library);
  } catch (const KdxError&) {
    context.AddReportRow("FEHLER", "GetActualPrinter failed");
  }
}

void CollectVersion4(RunContext& context, TRegistry& registry) {
  if (!registry.OpenRead(kV4Key)) {
    context.AddReportRow(kKeyMissing, kV4Key);
    return;
  }
  context.v4Program = registry.ReadText("Program");
  context.v4AppDir = WithoutTrailingBackslash(registry.ReadText("AppDir"));
  context.AddSectionHeading("Software V4");
  context.AddReportRow("Program", context.v4Program);
  context.AddReportRow("AppDir", context.v4AppDir);
  AddActualPrinterRows(context, context.v4AppDir);
  DumpIniFile(context, context.v4AppDir + "\\kdxwin.ini", "");
}

void CollectVersion5(RunContext& context, TRegistry& registry) {
  if (!registry.OpenRead(kV5Key)) {
    context.AddReportRow(kKeyMissing, kV5Key);
    return;
  }
  context.v5Program = registry.ReadText("Program");
  context.v5AppDir = WithoutTrailingBackslash(registry.ReadText("App Dir"));
  context.AddSectionHeading("Software V5");
  context.AddReportRow("Program", context.v5Program);
  context.AddReportRow("AppDir", context.v5AppDir);
}

std::string DesktopFolder(RunContext& context) {
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyCurrentUser);
  registry.OpenFull(kShellFoldersKey);
  return registry.ReadText("Desktop");
}

}  // namespace

void DumpIniFile(RunContext& context, const std::string& path, const std::string& section) {
  FileSystem& files = context.platform.Files();
  if (!files.FileExists(path)) {
    context.AddReportRow("INI-Datei " + path, "nicht gefunden");
    return;
  }
  context.AddReportRow("INI-Datei", path);
  const std::vector<std::string> sections =
      section.empty() ? SplitNameList(files.GetPrivateProfileStringA(std::nullopt, std::nullopt, "",
                                                                     kListBufferSize, path))
                      : std::vector<std::string>{section};
  for (const std::string& name : sections) {
    context.AddReportRow("SECTION", name);
    const std::vector<std::string> keys = SplitNameList(
        files.GetPrivateProfileStringA(name, std::nullopt, "", kListBufferSize, path));
    for (const std::string& key : keys) {
      std::string row = key;
      row += '=';
      row += files.GetPrivateProfileStringA(name, key, "", kValueBufferSize, path);
      context.AddReportRow("", std::move(row));
    }
  }
}

ActualPrinter GetActualPrinter(FileSystem& files, const std::string& appDir) {
  // Read only, sharing reading and writing: the program changes nothing, and a write-protected
  // or busy selection file must still tell what it selected.
  std::unique_ptr<InputFile> file;
  CheckFileCall(files.OpenInputFile(appDir + kSelectionFile, file));
  ActualPrinter selected;
  if (!ReadSlot(*file, kLibrarySlot, selected.library)) throw EInOutError(kIoReadPastEnd);
  if (!ReadSlot(*file, kPortSlot, selected.port) ||
      !ReadSlot(*file, kPrinterSlot, selected.printer)) {
    selected.printer = kUndeterminable;
  }
  return selected;
}

void DescribeDesktopShortcut(RunContext& context) {
  const std::string path = DesktopFolder(context) + kShortcutName;
  if (!context.platform.Files().FileExists(path)) return;
  context.AddReportRow("", "");
  context.AddReportRow("Verknüpfung auf dem Desktop", path);
  const ShellLinkAnswers link = context.platform.Files().ReadShellLink(path);
  if (!link.loaded || !link.path) return;
  context.AddReportRow("Path:", *link.path);
  if (!link.description) return;
  context.AddReportRow("Description:", *link.description);
  if (!link.workingDirectory) return;
  context.AddReportRow("Working Directory:", *link.workingDirectory);
  if (link.arguments) context.AddReportRow("Arguments:", *link.arguments);
}

void CollectLabelSoftware(RunContext& context, TRegistry& registry) {
  context.AddSectionHeading("WIN3.1 INI-Datei");
  context.windowsDir = WithoutTrailingBackslash(context.windowsDir);
  DumpIniFile(context, context.windowsDir + "\\kelmokdx.ini", "");
  CollectVersion4(context, registry);
  CollectVersion5(context, registry);
  DescribeDesktopShortcut(context);
}

}  // namespace kdx
