// Rules over the check lines at the end of the report. The lines about the monitor service and
// the spooler belong to the rules of services, which read them with the service rows.
#include <algorithm>
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kPortType = "Falscher Datentyp für ";
constexpr std::string_view kCountryCode = "Falscher Ländercode für Label Types: ";
constexpr std::string_view kEmptyDevMode = "Leerer Default Devmode für: ";

// The check lines of one kind: the text after the prefix, and the line.
template <typename Visit>
void ForChecks(const ReportFacts& facts, std::string_view prefix, Visit visit) {
  for (const std::uint32_t at : facts.report->checks) {
    const std::string_view text = facts.report->Text(at);
    if (StartsWith(text, prefix)) visit(text, text.substr(prefix.size()), facts.report->Number(at));
  }
}

constexpr RuleInfo kPortTypeRule{
    "check-port-type", Severity::Error,
    "Check line: a printer entry's Port value of the label software is not REG_SZ",
    "Den Drucker in der Etikettensoftware entfernen und neu einrichten, oder den Wert Port im "
    "genannten Schlüssel als Zeichenfolge (REG_SZ) mit dem Anschluss neu anlegen.",
    "Remove the printer in the label software and set it up again, or create the Port value in "
    "the key named again as a string (REG_SZ) holding the port."};

void PortType(const ReportFacts& facts, FindingSink& sink) {
  ForChecks(facts, kPortType, [&](std::string_view text, std::string_view path, std::size_t line) {
    sink.Add({std::string(path),
              std::string(text),
              "Wrong data type (not REG_SZ) of " + std::string(path),
              {line}});
  });
}

constexpr RuleInfo kCountryCodeRule{
    "check-country-code", Severity::Warning,
    "Check line: a Label Types subkey is none of DEU ENU ESP FRA ITA NLD CNY PTB",
    "Die Etikettentypen der Etikettensoftware für das Land neu installieren; der genannte "
    "Schlüssel unter Label Types ist überzählig.",
    "Reinstall the label software's label types for the country; the key named under Label "
    "Types is one too many."};

void CountryCode(const ReportFacts& facts, FindingSink& sink) {
  ForChecks(facts, kCountryCode,
            [&](std::string_view text, std::string_view code, std::size_t line) {
              sink.Add({std::string(code),
                        std::string(text),
                        "Unknown country code under Label Types: " + std::string(code),
                        {line}});
            });
}

constexpr RuleInfo kEmptyDevModeRule{
    "check-empty-devmode", Severity::Warning,
    "Check line: a printer's Default DevMode value is empty (a note for printers the label "
    "software does not use)",
    "In den Druckeinstellungen des Druckers einmal die Voreinstellungen öffnen und mit OK "
    "speichern; hilft das nicht, den Drucker neu installieren.",
    "Open the printer's printing preferences once and save them with OK; if that does not "
    "help, reinstall the printer."};

void EmptyDevMode(const ReportFacts& facts, FindingSink& sink) {
  ForChecks(facts, kEmptyDevMode,
            [&](std::string_view text, std::string_view name, std::size_t line) {
              const PrinterFact* printer = facts.FindPrinter(name);
              Found found{std::string(name),
                          std::string(text),
                          "Empty Default DevMode of printer " + std::string(name),
                          {line}};
              found.otherPrinters = printer != nullptr && !printer->labelPrinter;
              if (printer != nullptr) found.lines.push_back(printer->line);
              sink.Add(std::move(found));
            });
}

constexpr RuleInfo kUnknownCheck{
    "check-unknown", Severity::Note, "A check line this reader does not know",
    "Die Zeile von Hand lesen; sie stammt von einer anderen KDXInfo-Version.",
    "Read the line by hand; it comes from another version of KDXInfo."};

void UnknownCheck(const ReportFacts& facts, FindingSink& sink) {
  static constexpr std::array<std::string_view, 4> kServiceLines = {
      kMonitorNotStarted, kMonitorKeyMissing, kMonitorStartType, kSpoolerNotStarted};
  for (const std::uint32_t at : facts.report->checks) {
    const std::string_view text = facts.report->Text(at);
    if (StartsWith(text, kPortType) || StartsWith(text, kCountryCode) ||
        StartsWith(text, kEmptyDevMode) ||
        std::find(kServiceLines.begin(), kServiceLines.end(), text) != kServiceLines.end()) {
      continue;
    }
    sink.Add({std::string(text),
              "Unbekannte Prüfzeile: " + std::string(text),
              "Unknown check line: " + std::string(text),
              {facts.report->Number(at)}});
  }
}

}  // namespace

std::vector<Rule> CheckLineRules() {
  return {{kPortTypeRule, PortType},
          {kCountryCodeRule, CountryCode},
          {kEmptyDevModeRule, EmptyDevMode},
          {kUnknownCheck, UnknownCheck}};
}

}  // namespace kdx::analysis
