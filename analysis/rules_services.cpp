// Rules over the four printing services: their rows, their keys in the registry block, the
// list of all services and the check lines about them, read together so that one cause (a
// stopped monitor service) is one finding.
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kMonitor = "KDXMONX";
constexpr int kAutomaticStart = 2;
constexpr int kDisabled = 4;
// The services the label printers need besides the monitor and the spooler.
constexpr std::array<std::string_view, 2> kOtherServices = {"KDXMONGUARD", "KDXUSB"};

std::string StartTypeName(int start, bool german) {
  static constexpr std::array<std::string_view, 5> kGerman = {"Boot", "System", "automatisch",
                                                              "manuell", "deaktiviert"};
  static constexpr std::array<std::string_view, 5> kEnglish = {"boot", "system", "automatic",
                                                               "manual", "disabled"};
  if (start < 0 || start > kDisabled) return "Start " + std::to_string(start);
  return std::to_string(start) + ": " +
         std::string((german ? kGerman : kEnglish)[static_cast<std::size_t>(start)]);
}

// Everything the report says of the monitor service, and which cause it points to.
struct Monitor {
  const ServiceFact* service = nullptr;
  const ServiceKeyFact* key = nullptr;
  std::size_t notStarted = 0, keyMissing = 0, startType = 0;
  bool missing = false;   // not installed, or its key cannot be opened
  bool disabled = false;  // Start 4
  bool stopped = false;   // installed and enabled, but not running
};

Monitor MonitorOf(const ReportFacts& facts) {
  Monitor monitor;
  monitor.service = facts.FindService(kMonitor);
  monitor.key = facts.FindServiceKey(kMonitor);
  monitor.notStarted = CheckLine(facts, kMonitorNotStarted);
  monitor.keyMissing = CheckLine(facts, kMonitorKeyMissing);
  monitor.startType = CheckLine(facts, kMonitorStartType);
  monitor.missing =
      monitor.keyMissing != 0 || (monitor.service != nullptr && !monitor.service->installed);
  monitor.disabled = !monitor.missing && monitor.key != nullptr && monitor.key->start == kDisabled;
  const bool known = monitor.service != nullptr && monitor.service->known;
  monitor.stopped = !monitor.missing && !monitor.disabled &&
                    (known ? monitor.service->state != "RUNNING"
                           : monitor.service == nullptr && monitor.notStarted != 0);
  return monitor;
}

std::size_t ServiceLine(const ServiceFact* service) {
  return service == nullptr ? 0 : service->line;
}

std::size_t ListLine(const ServiceFact* service) {
  return service == nullptr ? 0 : service->listLine;
}

constexpr RuleInfo kMonitorMissing{
    "check-monitor-key-missing", Severity::Error,
    "The monitor service KDXMONX is not installed (OpenService error 1060), or the check could "
    "not open its key",
    "Die Etikettensoftware mit ihrem Überwachungsdienst neu installieren (als Administrator).",
    "Reinstall the label software with its monitor service (as an administrator)."};

void MonitorMissing(const ReportFacts& facts, FindingSink& sink) {
  const Monitor monitor = MonitorOf(facts);
  if (!monitor.missing) return;
  const bool notInstalled = monitor.service != nullptr && !monitor.service->installed;
  sink.Add({std::string(kMonitor),
            notInstalled ? "Der Überwachungsdienst KDXMONX ist nicht installiert"
                         : "Der Dienstschlüssel des Überwachungsdienstes KDXMONX konnte nicht "
                           "geöffnet werden",
            notInstalled ? "The monitor service KDXMONX is not installed"
                         : "The service key of the monitor service KDXMONX could not be opened",
            {ServiceLine(monitor.service), monitor.keyMissing, monitor.notStarted}});
}

constexpr RuleInfo kMonitorDisabled{
    "monitor-disabled", Severity::Error,
    "The monitor service KDXMONX is disabled (Start 4 in its key): it cannot be started at all",
    "In der Dienstverwaltung (services.msc) den Starttyp von \"Kelmo KDX Monitor\" auf "
    "\"Automatisch\" setzen und den Dienst starten.",
    "In the services console (services.msc) set the startup type of \"Kelmo KDX Monitor\" to "
    "\"Automatic\" and start the service."};

void MonitorDisabled(const ReportFacts& facts, FindingSink& sink) {
  const Monitor monitor = MonitorOf(facts);
  if (!monitor.disabled) return;
  sink.Add({std::string(kMonitor),
            "Der Überwachungsdienst KDXMONX ist deaktiviert (Startart 4) und kann nicht starten",
            "The monitor service KDXMONX is disabled (start type 4) and cannot start",
            {monitor.key->startLine, ServiceLine(monitor.service), ListLine(monitor.service),
             monitor.notStarted, monitor.startType}});
}

constexpr RuleInfo kMonitorStopped{
    "check-monitor-not-started", Severity::Error,
    "The monitor service KDXMONX is installed and enabled but not running: its row, its line in "
    "the service list and the check lines, with its start type when that is not automatic",
    "Den Dienst \"Kelmo KDX Monitor\" starten und seinen Starttyp auf \"Automatisch\" setzen; "
    "startet er nicht, das Anwendungs- und Systemprotokoll nach seinem Fehler durchsehen.",
    "Start the service \"Kelmo KDX Monitor\" and set its startup type to \"Automatic\"; if it "
    "does not start, look for its error in the Application and System logs."};

void MonitorStopped(const ReportFacts& facts, FindingSink& sink) {
  const Monitor monitor = MonitorOf(facts);
  if (!monitor.stopped) return;
  const std::string state = monitor.service != nullptr ? monitor.service->state : "STOPPED";
  Found found{std::string(kMonitor),
              "Der Überwachungsdienst KDXMONX läuft nicht (Zustand " + state + ")",
              "The monitor service KDXMONX is not running (state " + state + ")",
              {ServiceLine(monitor.service), ListLine(monitor.service), monitor.notStarted}};
  const int start = monitor.key != nullptr ? monitor.key->start : -1;
  if (monitor.startType != 0 || (start >= 0 && start != kAutomaticStart)) {
    const bool named = start >= 0;
    found.text +=
        named ? " und startet nicht von selbst (Startart " + StartTypeName(start, true) + ")"
              : " und startet nicht von selbst";
    found.textEn +=
        named ? " and does not start by itself (start type " + StartTypeName(start, false) + ")"
              : " and does not start by itself";
    found.lines.push_back(monitor.startType);
    if (monitor.key != nullptr) found.lines.push_back(monitor.key->startLine);
  }
  sink.Add(std::move(found));
}

constexpr RuleInfo kStartTypeRule{
    "check-monitor-start-type", Severity::Warning,
    "The monitor service KDXMONX runs but is not set to start automatically (Start is not 2)",
    "Den Starttyp von \"Kelmo KDX Monitor\" auf \"Automatisch\" setzen, sonst fehlt der Dienst "
    "nach dem nächsten Neustart.",
    "Set the startup type of \"Kelmo KDX Monitor\" to \"Automatic\", or the service is missing "
    "after the next restart."};

void MonitorStartType(const ReportFacts& facts, FindingSink& sink) {
  const Monitor monitor = MonitorOf(facts);
  if (monitor.startType == 0 || monitor.missing || monitor.disabled || monitor.stopped) return;
  const int start = monitor.key != nullptr ? monitor.key->start : -1;
  const std::string named = start >= 0 ? " (Startart " + StartTypeName(start, true) + ")" : "";
  const std::string namedEn = start >= 0 ? " (start type " + StartTypeName(start, false) + ")" : "";
  sink.Add({std::string(kMonitor),
            "Der Überwachungsdienst KDXMONX startet nicht automatisch" + named,
            "The monitor service KDXMONX is not set to start automatically" + namedEn,
            {monitor.startType, monitor.key != nullptr ? monitor.key->startLine : 0}});
}

constexpr RuleInfo kSpoolerStopped{
    "check-spooler-not-started", Severity::Error,
    "The spooler is not running (its row, its line in the service list, the check line)",
    "Den Dienst \"Druckwarteschlange\" starten und auf \"Automatisch\" stellen; ohne ihn druckt "
    "kein Drucker.",
    "Start the \"Print Spooler\" service and set it to \"Automatic\"; no printer prints "
    "without it."};

void SpoolerStopped(const ReportFacts& facts, FindingSink& sink) {
  const ServiceFact* spooler = facts.FindService("SPOOLER");
  const std::size_t check = CheckLine(facts, kSpoolerNotStarted);
  const bool known = spooler != nullptr && spooler->known;
  const bool stopped =
      known ? !spooler->installed || spooler->state != "RUNNING" : spooler == nullptr && check != 0;
  if (!stopped) return;
  const std::string state = spooler == nullptr   ? std::string("STOPPED")
                            : spooler->installed ? spooler->state
                                                 : std::string("nicht installiert");
  sink.Add({"SPOOLER",
            "Die Druckwarteschlange (Spooler) läuft nicht (Zustand " + state + ")",
            "The print spooler is not running (state " + state + ")",
            {ServiceLine(spooler), ListLine(spooler), check}});
}

constexpr RuleInfo kServiceStopped{
    "service-not-running", Severity::Warning,
    "KDXMONGUARD or KDXUSB is installed but not RUNNING (its state is named)",
    "Den Dienst starten; startet er nicht, im Systemprotokoll nach seinem Fehler sehen.",
    "Start the service; if it does not start, look for its error in the System log."};

void ServiceStopped(const ReportFacts& facts, FindingSink& sink) {
  for (const std::string_view name : kOtherServices) {
    const ServiceFact* service = facts.FindService(name);
    if (service == nullptr || !service->installed || !service->known ||
        service->state == "RUNNING") {
      continue;
    }
    sink.Add({service->name,
              "Dienst " + service->name + " läuft nicht (Zustand " + service->state + ")",
              "Service " + service->name + " is not running (state " + service->state + ")",
              {service->line, service->listLine}});
  }
}

// Where the report names a service besides its own row: its key, the service list, a process,
// an event source, a file of its name.
std::vector<std::size_t> References(const ReportFacts& facts, std::string_view name) {
  std::vector<std::size_t> lines;
  if (const ServiceKeyFact* key = facts.FindServiceKey(name)) lines.push_back(key->line);
  for (const ServiceListEntry& entry : facts.serviceList) {
    if (EqualsNoCase(entry.name, name)) lines.push_back(entry.line);
  }
  for (const Cited& process : facts.processes) {
    if (ContainsNoCase(process.text, name)) lines.push_back(process.line);
  }
  for (const EventRecordFact& event : facts.events) {
    if (EqualsNoCase(facts.EventSource(event), name)) {
      lines.push_back(facts.EventLine(event));
      break;
    }
  }
  for (const std::string_view extension : {".EXE", ".SYS", ".DLL"}) {
    if (const FileEntry* entry = facts.FindFile(std::string(name) + std::string(extension))) {
      lines.push_back(facts.report->Number(facts.report->CopiesBegin(*entry)->at));
    }
  }
  return lines;
}

constexpr RuleInfo kServiceNotInstalled{
    "service-not-installed", Severity::Warning,
    "KDXMONGUARD or KDXUSB gives OpenService error 1060 while the report names it elsewhere (its "
    "key, the service list, a process, an event, a file); a service nothing names is no finding",
    "Die Etikettensoftware bzw. den USB-Treiber neu installieren, damit der Dienst wieder "
    "eingerichtet wird.",
    "Reinstall the label software or the USB driver, so that the service is set up again."};

void ServiceNotInstalled(const ReportFacts& facts, FindingSink& sink) {
  for (const std::string_view name : kOtherServices) {
    const ServiceFact* service = facts.FindService(name);
    if (service == nullptr || service->installed) continue;
    std::vector<std::size_t> lines = References(facts, name);
    if (lines.empty()) continue;
    lines.push_back(service->line);
    sink.Add({service->name,
              "Dienst " + service->name + " ist nicht installiert, der Bericht nennt ihn aber",
              "Service " + service->name + " is not installed, but the report names it",
              std::move(lines)});
  }
}

constexpr RuleInfo kStateUnknown{
    "service-state-unknown", Severity::Note,
    "The service manager could not tell a printing service's state (other than for lack of "
    "rights): one finding per error, with the check lines it makes meaningless",
    "Die Dienste in der Dienstverwaltung (services.msc) von Hand ansehen.",
    "Look at the services by hand in the services console (services.msc)."};

void StateUnknown(const ReportFacts& facts, FindingSink& sink) {
  if (WithoutAdministratorRights(facts)) return;
  std::vector<const ServiceFact*> unknown;
  for (const ServiceFact& service : facts.services) {
    if (!service.known) unknown.push_back(&service);
  }
  for (std::size_t i = 0; i < unknown.size(); ++i) {
    if (unknown[i] == nullptr) continue;
    const std::string& error = unknown[i]->state;
    std::vector<std::string> names;
    Found found;
    for (std::size_t k = i; k < unknown.size(); ++k) {
      if (unknown[k] == nullptr || unknown[k]->state != error) continue;
      names.push_back(unknown[k]->name);
      found.lines.push_back(unknown[k]->line);
      if (unknown[k]->name == kMonitor) found.lines.push_back(CheckLine(facts, kMonitorNotStarted));
      if (unknown[k]->name == "SPOOLER")
        found.lines.push_back(CheckLine(facts, kSpoolerNotStarted));
      unknown[k] = nullptr;
    }
    found.subject = ListOf(names, false);
    found.text = "Zustand von " + ListOf(names, true) + " unbekannt: " + error;
    found.textEn = "State of " + ListOf(names, false) + " unknown: " + error;
    sink.Add(std::move(found));
  }
}

}  // namespace

std::vector<Rule> ServiceRules() {
  return {{kMonitorMissing, MonitorMissing},           {kMonitorDisabled, MonitorDisabled},
          {kMonitorStopped, MonitorStopped},           {kStartTypeRule, MonitorStartType},
          {kSpoolerStopped, SpoolerStopped},           {kServiceStopped, ServiceStopped},
          {kServiceNotInstalled, ServiceNotInstalled}, {kStateUnknown, StateUnknown}};
}

}  // namespace kdx::analysis
