// Rules over the label software's set-up: the printers it names against the PC's printers and
// ports, its programs and folders.
#include <algorithm>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// Lines of one cause gathered under a name: a printer or port named in several places.
struct Named {
  std::string name;
  std::vector<std::size_t> lines;
  std::vector<std::string> sources;
};

void Note(std::vector<Named>& named, std::string_view name, std::size_t line,
          std::string_view source = {}) {
  auto found = std::find_if(named.begin(), named.end(),
                            [&](const Named& n) { return EqualsNoCase(n.name, name); });
  if (found == named.end()) {
    named.push_back({std::string(name), {}, {}});
    found = named.end() - 1;
  }
  found->lines.push_back(line);
  if (!source.empty() &&
      std::find(found->sources.begin(), found->sources.end(), source) == found->sources.end()) {
    found->sources.emplace_back(source);
  }
}

bool Undetermined(const Cited& text) { return text.text.empty() || text.text == kNotDeterminable; }

constexpr RuleInfo kEntryWithoutPrinter{
    "label-printer-not-installed", Severity::Warning,
    "A printer entry of the label software (Installed Printers, KDX5\\Printers) has no Windows "
    "printer of its name",
    "Den Drucker in Windows unter diesem Namen installieren, oder ihn in der Etikettensoftware "
    "entfernen und den vorhandenen Drucker wählen.",
    "Install the printer in Windows under this name, or remove it in the label software and "
    "choose the printer that is there."};

void EntryWithoutPrinter(const ReportFacts& facts, FindingSink& sink) {
  std::vector<Named> missing;
  for (const LabelPrinterEntry& entry : facts.labelPrinterEntries) {
    if (!IsWindowsPrinter(facts, entry.name)) Note(missing, entry.name, entry.line);
  }
  for (Named& entry : missing) {
    sink.Add(
        {entry.name,
         "Die Etikettensoftware kennt den Drucker " + entry.name +
             ", Windows hat keinen Drucker dieses Namens",
         "The label software knows printer " + entry.name + ", Windows has no printer of that name",
         std::move(entry.lines)});
  }
}

constexpr RuleInfo kSelectedPrinterUnknown{
    "selected-printer-unknown", Severity::Error,
    "The printer the label software selected (kdxwin.kdx of version 4, Name in kdxwin.ini's "
    "[Drucker], Printer in kelmokdx.ini's [KDX]) is not among the installed printers",
    "In der Etikettensoftware einen installierten Drucker wählen, oder den Drucker unter dem "
    "gewählten Namen in Windows installieren.",
    "Choose an installed printer in the label software, or install the printer in Windows "
    "under the name selected."};

void SelectedPrinterUnknown(const ReportFacts& facts, FindingSink& sink) {
  std::vector<Named> unknown;
  for (const LabelSelection& selection : facts.selections) {
    if (Undetermined(selection.printer) || IsWindowsPrinter(facts, selection.printer.text)) {
      continue;
    }
    Note(unknown, selection.printer.text, selection.printer.line, selection.source);
  }
  for (Named& printer : unknown) {
    const std::string sources = ListOf(printer.sources, true);
    sink.Add({printer.name,
              "Die Etikettensoftware hat den Drucker " + printer.name + " gewählt (" + sources +
                  "), der nicht installiert ist",
              "The label software has selected printer " + printer.name + " (" +
                  ListOf(printer.sources, false) + "), which is not installed",
              std::move(printer.lines)});
  }
}

constexpr RuleInfo kSelectedPortUnknown{
    "selected-port-unknown", Severity::Error,
    "The port the label software selected (kdxwin.kdx, Anschluss in kdxwin.ini, Port in "
    "kelmokdx.ini) is not among the spooler's ports",
    "In der Etikettensoftware den Anschluss des Druckers wählen, den Windows für ihn nutzt.",
    "Choose the printer's port in the label software that Windows uses for it."};

void SelectedPortUnknown(const ReportFacts& facts, FindingSink& sink) {
  if (facts.portsFailed) return;
  std::vector<Named> unknown;
  for (const LabelSelection& selection : facts.selections) {
    if (Undetermined(selection.port) || SpoolerHasPort(facts, selection.port.text)) continue;
    Note(unknown, selection.port.text, selection.port.line, selection.source);
  }
  for (Named& port : unknown) {
    port.lines.push_back(facts.portsLine);
    sink.Add({port.name,
              "Die Etikettensoftware hat den Anschluss " + port.name + " gewählt (" +
                  ListOf(port.sources, true) + "), den die Druckwarteschlange nicht kennt",
              "The label software has selected port " + port.name + " (" +
                  ListOf(port.sources, false) + "), which the spooler does not know",
              std::move(port.lines)});
  }
}

constexpr RuleInfo kSelectedPortMismatch{
    "selected-port-mismatch", Severity::Error,
    "The label software selected an installed printer with a port the spooler knows, but not "
    "the port Windows prints to that printer on",
    "In der Etikettensoftware den Anschluss wählen, an dem der Drucker in Windows eingerichtet "
    "ist (Druckereigenschaften, Register Anschlüsse).",
    "Choose the port in the label software that the printer is set up on in Windows (printer "
    "properties, Ports tab)."};

void SelectedPortMismatch(const ReportFacts& facts, FindingSink& sink) {
  std::vector<Named> mismatched;
  for (const LabelSelection& selection : facts.selections) {
    const PrinterFact* printer = facts.FindPrinter(selection.printer.text);
    if (printer == nullptr || printer->line == 0 || Undetermined(selection.port) ||
        !SpoolerHasPort(facts, selection.port.text)) {
      continue;
    }
    bool same = false;
    std::string_view ports = printer->port;
    while (!ports.empty() && !same) {
      const std::size_t comma = ports.find(',');
      same = SamePort(ports.substr(0, comma), selection.port.text);
      ports = comma == std::string_view::npos ? std::string_view{} : ports.substr(comma + 1);
    }
    if (same) continue;
    Note(mismatched, printer->name, selection.port.line,
         std::string(selection.port.text) + " (" + std::string(selection.source) + ")");
    Note(mismatched, printer->name, printer->line);
  }
  for (Named& printer : mismatched) {
    const std::string windows = facts.FindPrinter(printer.name)->port;
    sink.Add({printer.name,
              "Die Etikettensoftware wählt für den Drucker " + printer.name + " den Anschluss " +
                  ListOf(printer.sources, true) + ", Windows druckt über " + windows,
              "The label software selects port " + ListOf(printer.sources, false) +
                  " for printer " + printer.name + ", Windows prints through " + windows,
              std::move(printer.lines)});
  }
}

constexpr RuleInfo kSelectionUndetermined{
    "selected-printer-undetermined", Severity::Warning,
    "The printer selected in label software version 4 could not be read: nicht feststellbar, "
    "or GetActualPrinter failed (kdxwin.kdx missing or too short)",
    "Die Etikettensoftware öffnen und den Drucker einmal neu wählen, damit sie ihre Auswahl "
    "(kdxwin.kdx) neu schreibt.",
    "Open the label software and choose the printer once more, so that it writes its selection "
    "(kdxwin.kdx) again."};

void SelectionUndetermined(const ReportFacts& facts, FindingSink& sink) {
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    const bool unreadable = version.selectedPrinter.text == kNotDeterminable;
    if (!unreadable && version.selectionFailedLine == 0) continue;
    const std::string name(version.version);
    sink.Add({name,
              "Der gewählte Drucker der Etikettensoftware " + name + " ist nicht feststellbar",
              "The printer selected in label software " + name + " cannot be determined",
              {version.selectedPrinter.line, version.selectionFailedLine}});
  }
}

constexpr RuleInfo kProgramMissing{
    "program-path-missing", Severity::Warning,
    "A program registered under App Paths (KDX, KELMO) is not found",
    "Die Etikettensoftware neu installieren, oder den verwaisten App-Paths-Eintrag entfernen, "
    "wenn das Programm nicht mehr gebraucht wird.",
    "Reinstall the label software, or remove the orphaned App Paths entry when the program is "
    "no longer needed."};

void ProgramMissing(const ReportFacts& facts, FindingSink& sink) {
  for (const ProgramPathFact& program : facts.programPaths) {
    if (program.found) continue;
    const std::string path(program.path);
    sink.Add({path,
              "Programm " + path + " aus App Paths nicht gefunden",
              "Program " + path + " registered in App Paths not found",
              {program.line}});
  }
}

constexpr RuleInfo kFolderMissing{
    "label-folder-missing", Severity::Warning,
    "The file inventory found no folder where the label software is installed (its program "
    "folder, or KELMO in the Windows folder)",
    "Die Etikettensoftware neu installieren; ihr Ordner fehlt.",
    "Reinstall the label software; its folder is missing."};

void FolderMissing(const ReportFacts& facts, FindingSink& sink) {
  const std::string kelmo = std::string(facts.windowsDir.text) + "KELMO";
  const auto reportedMissing = [&](std::string_view folder) {
    return std::any_of(facts.missingFolders.begin(), facts.missingFolders.end(),
                       [&](const Cited& missing) { return EqualsNoCase(missing.text, folder); });
  };
  // One folder of the label software that is there is where it is installed: the others
  // missing (KELMO beside a program folder under Program Files, say) are no fault.
  const bool installed = std::any_of(
      facts.labelSoftware.begin(), facts.labelSoftware.end(),
      [&](const LabelSoftwareFact& v) { return !v.appDir.empty() && !reportedMissing(v.appDir); });
  if (installed) return;
  std::vector<Named> missing;
  for (const Cited& folder : facts.missingFolders) {
    const bool label = (!facts.windowsDir.text.empty() && EqualsNoCase(folder.text, kelmo)) ||
                       std::any_of(facts.labelSoftware.begin(), facts.labelSoftware.end(),
                                   [&](const LabelSoftwareFact& version) {
                                     return !version.appDir.empty() &&
                                            StartsWithNoCase(folder.text, version.appDir);
                                   });
    if (label) Note(missing, folder.text, folder.line);
  }
  for (Named& folder : missing) {
    sink.Add({folder.name, "Ordner " + folder.name + " der Etikettensoftware fehlt",
              "Folder " + folder.name + " of the label software is missing",
              std::move(folder.lines)});
  }
}

}  // namespace

std::vector<Rule> LabelSoftwareRules() {
  return {{kEntryWithoutPrinter, EntryWithoutPrinter},
          {kSelectedPrinterUnknown, SelectedPrinterUnknown},
          {kSelectedPortUnknown, SelectedPortUnknown},
          {kSelectedPortMismatch, SelectedPortMismatch},
          {kSelectionUndetermined, SelectionUndetermined},
          {kProgramMissing, ProgramMissing},
          {kFolderMissing, FolderMissing}};
}

}  // namespace kdx::analysis
