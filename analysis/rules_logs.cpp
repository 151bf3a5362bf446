// Rules over what the PC logged: the System and Application event logs, and the log files of
// the label software and of the driver installer that the report copies.
#include <algorithm>
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// Sources whose error records bear on printing: the spooler and its print providers, the USB
// printer class (usbprint), the label software's services and monitor, the label software.
constexpr std::array<std::string_view, 5> kPrintingSources = {"KDX", "KELMO", "DEXTA", "PRINT",
                                                              "SPOOL"};
// What an error of another source names when it is about the label printers' software.
constexpr std::array<std::string_view, 3> kLabelNames = {"KDX", "KELMO", "DEXTA"};

bool MessageNames(const ReportFacts& facts, const EventRecordFact& event) {
  return event.message != EventRecordFact::kNone &&
         ContainsAnyNoCase(facts.report->RowText(facts.Row(event.message)), kLabelNames);
}

constexpr RuleInfo kEventErrors{
    "event-errors", Severity::Warning,
    "ERROR records of the System and Application logs from the spooler, print providers, "
    "usbprint, the KDX services and monitor or the label software, or of any source whose "
    "message names KDX, Kelmo or Dexta: count and newest, per log and source",
    "Die genannten Einträge in der Ereignisanzeige lesen; ihr Text nennt meist die Datei oder "
    "den Dienst, der fehlt oder nicht startet.",
    "Read the records named in the Event Viewer; their text mostly names the file or service "
    "that is missing or does not start."};

void EventErrors(const ReportFacts& facts, FindingSink& sink) {
  struct Group {
    std::uint16_t log;
    std::string_view source, newest;
    bool named;  // a source of its own, here for what its message names
    std::vector<std::size_t> lines;
  };
  std::vector<Group> groups;
  for (const EventRecordFact& event : facts.events) {
    if (facts.EventType(event) != "ERROR") continue;
    const std::string_view source = facts.EventSource(event);
    const bool printing = ContainsAnyNoCase(source, kPrintingSources);
    if (!printing && !MessageNames(facts, event)) continue;
    auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
      return g.log == event.log && g.source == source;
    });
    if (group == groups.end()) {
      // Records come newest first: the group's first record is its newest.
      groups.push_back({event.log, source, facts.EventDate(event), !printing, {}});
      group = groups.end() - 1;
    }
    group->lines.push_back(facts.EventLine(event));
  }
  for (Group& group : groups) {
    const std::size_t count = group.lines.size();
    const std::string number = std::to_string(count);
    const std::string log(facts.eventLogs[group.log]);
    const std::string source(group.source);
    const std::string newest(group.newest);
    const bool one = count == 1;
    sink.Add(
        {Cat({log, ": ", source}),
         Cat({source, " im Log ", log, ": ", number, one ? " Fehlereintrag" : " Fehlereinträge",
              group.named ? " über KDX, Kelmo oder Dexta" : "", ", der neueste vom ", newest}),
         Cat({source, " in the ", log, " log: ", number, one ? " error record" : " error records",
              group.named ? " about KDX, Kelmo or Dexta" : "", ", the newest of ", newest}),
         std::move(group.lines)});
  }
}

// A line the log wrote as an entry: it starts with its date or time, or with its level.
bool IsEntry(std::string_view line) {
  line = Trimmed(line);
  if (StartsWith(line, "[")) line.remove_prefix(1);
  return (!line.empty() && line.front() >= '0' && line.front() <= '9') ||
         StartsWithNoCase(line, "ERROR") || StartsWithNoCase(line, "FAILURE");
}

constexpr std::array<std::string_view, 5> kExceptionWords = {
    "exception", "accessviolation", "access violation", "zugriffsverletzung", "absturz"};
constexpr std::array<std::string_view, 9> kErrorWords = {
    "fehler",  "error",    "nicht bereit", "zeitueberschreitung", "zeitüberschreitung",
    "timeout", "time-out", "failed",       "fehlgeschlagen"};

// One finding per log file for the entries that carry one of the words.
template <typename Words>
void LogEntries(const ReportFacts& facts, FindingSink& sink, const Words& words, bool exceptions) {
  for (const LogFileFact& log : facts.logFiles) {
    Found found;
    std::string_view last;
    for (std::uint32_t at = log.at; at < log.at + log.lines; ++at) {
      const std::string_view line = facts.report->Text(at);
      if (!IsEntry(line) || !ContainsAnyNoCase(line, words)) continue;
      if (!exceptions && ContainsAnyNoCase(line, kExceptionWords)) continue;
      found.lines.push_back(facts.report->Number(at));
      last = line;
    }
    if (found.lines.empty()) continue;
    const std::string name(log.name);
    const std::string count = std::to_string(found.lines.size());
    const bool one = found.lines.size() == 1;
    found.subject = name;
    if (exceptions) {
      found.text = Cat({name, ": ", count, one ? " Ausnahme" : " Ausnahmen",
                        " (Absturz), die letzte: ", Trimmed(last)});
      found.textEn = Cat({name, ": ", count, one ? " exception" : " exceptions",
                          " (crash), the last: ", Trimmed(last)});
    } else {
      found.text = Cat({name, ": ", count, one ? " Fehlereintrag" : " Fehlereinträge",
                        ", der letzte: ", Trimmed(last)});
      found.textEn = Cat({name, ": ", count, one ? " error entry" : " error entries",
                          ", the last: ", Trimmed(last)});
    }
    sink.Add(std::move(found));
  }
}

constexpr RuleInfo kLogExceptions{
    "log-exceptions", Severity::Error,
    "Entries of KdxError.log, Faultlog.txt or dpinst.log that tell of an exception or access "
    "violation (a crash of the label software or its driver): count and the last",
    "Die genannte Datei (Modul) neu installieren, meist den Druckertreiber oder die "
    "Etikettensoftware; tritt der Absturz wieder auf, den Eintrag an die Entwicklung geben.",
    "Reinstall the file (module) named, mostly the printer driver or the label software; if "
    "the crash comes back, pass the entry on to development."};

void LogExceptions(const ReportFacts& facts, FindingSink& sink) {
  LogEntries(facts, sink, kExceptionWords, true);
}

constexpr RuleInfo kLogErrors{
    "log-errors", Severity::Warning,
    "Entries of KdxError.log, Faultlog.txt or dpinst.log that tell of an error, a timeout or a "
    "port not ready: count and the last",
    "Die Einträge lesen: ein nicht bereiter Anschluss oder eine Zeitüberschreitung heißt meist "
    "Kabel, Stromversorgung oder falsch gewählter Anschluss.",
    "Read the entries: a port not ready or a timeout mostly means the cable, the power or a "
    "wrongly chosen port."};

void LogErrors(const ReportFacts& facts, FindingSink& sink) {
  LogEntries(facts, sink, kErrorWords, false);
}

}  // namespace

std::vector<Rule> LogRules() {
  return {{kEventErrors, EventErrors}, {kLogExceptions, LogExceptions}, {kLogErrors, LogErrors}};
}

}  // namespace kdx::analysis
