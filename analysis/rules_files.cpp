// Rules over the file list: copies of one file in different versions, and the programs of
// services that the inventory would have listed but did not find.
#include <algorithm>
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"
#include "platform/upcase.h"

namespace kdx::analysis {
namespace {

void AppendField(std::string& out, std::string_view raw) {
  if (raw.find('\'') == std::string_view::npos) {
    out.append(raw);
  } else {
    out.append(Unquoted(raw));
  }
}

constexpr RuleInfo kVersionsDiffer{
    "file-versions-differ", Severity::Warning,
    "A file of the file list has copies marked {Different file}: every copy with its line, "
    "folder and version texts",
    "Klären, welche Kopie geladen wird (Programmordner vor Systemordner); veraltete Kopien "
    "entfernen oder die Software neu installieren, damit alle dieselbe Version haben.",
    "Find out which copy gets loaded (program folder before system folder); remove outdated "
    "copies or reinstall the software, so that all have the same version."};

void VersionsDiffer(const ReportFacts& facts, FindingSink& sink) {
  const Report& report = *facts.report;
  using F = FileCopyFields;
  for (const FileEntry& entry : report.files) {
    const FileCopy* begin = report.CopiesBegin(entry);
    const FileCopy* end = report.CopiesEnd(entry);
    if (std::none_of(begin, end, [](const FileCopy& copy) { return copy.differs; })) continue;
    std::string copies;
    Found found;
    for (const FileCopy* copy = begin; copy != end; ++copy) {
      const FileCopyFields fields = report.Fields(*copy);
      if (!copies.empty()) copies += "; ";
      AppendField(copies, fields.raw[F::Folder]);
      copies += ' ';
      AppendField(copies, fields.raw[F::FileVersion]);
      copies += " / ";
      AppendField(copies, fields.raw[F::ProductVersion]);
      if (!fields.raw[F::Company].empty()) {
        copies += " (";
        AppendField(copies, fields.raw[F::Company]);
        copies += ')';
      }
      found.lines.push_back(report.Number(copy->at));
    }
    found.subject = Unquoted(report.Fields(*begin).raw[F::Name]);
    const std::string count = std::to_string(entry.copyCount);
    found.text = Cat({"Datei ", found.subject, " liegt in ", count,
                      " Kopien verschiedener Version vor: ", copies});
    found.textEn =
        Cat({"File ", found.subject, " has ", count, " copies of different versions: ", copies});
    sink.Add(std::move(found));
  }
}

// ImagePath as Windows resolves it: the quotes and arguments off, \SystemRoot\ and a path
// without a drive taken below the Windows folder. Empty when it names a variable the export
// did not expand.
std::string ProgramPath(std::string_view image, std::string_view windowsDir) {
  image = Trimmed(image);
  if (StartsWith(image, "\"")) {
    image = image.substr(1, image.find('"', 1) - 1);
  } else {
    for (const std::string_view extension : {".exe ", ".sys "}) {
      const std::size_t at = FindNoCase(image, extension);
      if (at != std::string_view::npos) image = image.substr(0, at + 4);
    }
  }
  if (StartsWith(image, "\\??\\")) image.remove_prefix(4);
  if (image.empty() || image.find('%') != std::string_view::npos || windowsDir.empty()) return {};
  if (StartsWithNoCase(image, "\\SystemRoot\\"))
    return std::string(windowsDir) + std::string(image.substr(12));
  if (image.size() < 2 || image[1] != ':') return std::string(windowsDir) + std::string(image);
  return std::string(image);
}

// Whether the inventory lists every file of this name in this folder (both upper case): the
// label software's folders and the driver folders whole, the system folders for the names it
// filters them by.
bool Inventoried(const ReportFacts& facts, std::string_view folder, std::string_view name) {
  static constexpr std::array<std::string_view, 4> kFilters = {"KDX", "USB", "DY", "LW"};
  const std::string windows = UpcaseAscii(facts.windowsDir.text);
  if (folder == windows + "KELMO\\" || folder == windows + "KMI\\") return true;
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    if (!version.appDir.empty() && StartsWith(folder, UpcaseAscii(version.appDir) + "\\"))
      return true;
  }
  if (facts.nt && (EndsWith(folder, "\\SPOOL\\DRIVERS\\W32X86\\") ||
                   EndsWith(folder, "\\SPOOL\\DRIVERS\\W32X86\\2\\") ||
                   EndsWith(folder, "\\SPOOL\\DRIVERS\\W32X86\\3\\"))) {
    return true;
  }
  const bool filtered = folder == windows + "INF\\" || folder == windows + "INF\\OTHER\\" ||
                        folder == windows + "SYSTEM32\\" ||
                        folder == windows + "SYSTEM32\\DRIVERS\\";
  return filtered && ContainsAnyNoCase(name, kFilters);
}

bool Listed(const ReportFacts& facts, std::string_view folder, std::string_view name) {
  const FileEntry* entry = facts.FindFile(name);
  if (entry == nullptr) return false;
  for (const FileCopy* copy = facts.report->CopiesBegin(*entry);
       copy != facts.report->CopiesEnd(*entry); ++copy) {
    if (EqualsNoCase(facts.report->Fields(*copy).raw[FileCopyFields::Folder], folder)) return true;
  }
  return false;
}

constexpr RuleInfo kProgramMissing{
    "service-program-missing", Severity::Error,
    "The program a service's key names (ImagePath) lies in a folder the file inventory lists "
    "for it, but is not there (nor running)",
    "Die Software des Dienstes neu installieren; ohne sein Programm startet der Dienst nicht.",
    "Reinstall the service's software; without its program the service does not start."};

void ServiceProgramMissing(const ReportFacts& facts, FindingSink& sink) {
  if (!facts.fileListComplete) return;
  const std::string windows(facts.windowsDir.text);
  for (const ServiceKeyFact& service : facts.serviceKeys) {
    const std::string path = ProgramPath(service.imagePath, windows);
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) continue;
    const std::string folder = UpcaseAscii(path.substr(0, slash + 1));
    const std::string name = UpcaseAscii(path.substr(slash + 1));
    const bool running =
        std::any_of(facts.processes.begin(), facts.processes.end(),
                    [&](const Cited& process) { return EqualsNoCase(process.text, path); });
    if (running || !Inventoried(facts, folder, name) || Listed(facts, folder, name)) continue;
    Found found{std::string(service.name),
                "Das Programm " + path + " des Dienstes " + std::string(service.name) +
                    " fehlt: die Dateiliste zeigt seinen Ordner, aber nicht die Datei",
                "The program " + path + " of service " + std::string(service.name) +
                    " is missing: the file list shows its folder but not the file",
                {service.imagePathLine}};
    if (const ServiceFact* row = facts.FindService(service.name)) found.lines.push_back(row->line);
    for (const Cited& missing : facts.missingFolders) {
      if (EqualsNoCase(std::string(missing.text) + "\\", folder))
        found.lines.push_back(missing.line);
    }
    sink.Add(std::move(found));
  }
}

}  // namespace

std::vector<Rule> FileRules() {
  return {{kVersionsDiffer, VersionsDiffer}, {kProgramMissing, ServiceProgramMissing}};
}

}  // namespace kdx::analysis
