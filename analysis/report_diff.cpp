#include "analysis/report_diff.h"

#include <cstdio>
#include <deque>
#include <map>
#include <unordered_map>
#include <utility>

#include "analysis/report_facts.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// One comparable fact of a report: a subject that names it within its part, and its value.
struct Fact {
  std::string_view part;
  std::string subject;
  std::string value;
  std::size_t line = 0;
};

constexpr std::string_view kPartOrder[] = {"windows",  "services", "processes", "ports",
                                           "printers", "files",    "registry",  "checks"};

class FactCollector {
 public:
  explicit FactCollector(const Report& report) : report_(report) {}

  std::deque<Fact> Collect() {
    Windows();
    Services();
    Processes();
    Ports();
    Printers();
    Files();
    Registry();
    Checks();
    return std::move(facts_);
  }

 private:
  // A subject that occurs again within its part (a process running twice, a key exported
  // twice) is counted. The facts stay where they are, so the counts can key on their texts.
  void Add(std::string_view part, std::string subject, std::string value, std::size_t line) {
    if (part != part_) {
      part_ = part;
      seen_.clear();
    }
    const auto found = seen_.find(subject);
    if (found != seen_.end()) subject += " #" + std::to_string(++found->second);
    facts_.push_back({part, std::move(subject), std::move(value), line});
    if (found == seen_.end()) seen_.emplace(facts_.back().subject, 1);
  }

  void Windows() {
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::General) break;
      // Date and time differ in every run.
      if (row.key.empty() || row.key == "Datum" || row.key == "Zeit") continue;
      if (&row == &report_.rows.front()) {
        Add("windows", "Windows", std::string(row.key), row.line);
      } else {
        Add("windows", std::string(row.key), std::string(row.value), row.line);
      }
    }
  }

  void Services() {
    for (const ServiceFact& service : PrintingServices(report_)) {
      Add("services", service.name,
          service.installed ? service.state : std::string("nicht installiert"), service.line);
    }
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::Services || !row.key.empty()) continue;
      const std::size_t colon = row.value.rfind(": ");
      if (colon == std::string_view::npos) continue;
      Add("services", std::string(row.value.substr(0, colon)),
          std::string(row.value.substr(colon + 2)), row.line);
    }
  }

  void Processes() {
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::Processes || !row.key.empty() || row.value.empty()) continue;
      Add("processes", std::string(row.value), "", row.line);
    }
  }

  void Ports() {
    for (const PortFact& port : SpoolerPorts(report_)) {
      Add("ports", std::string(port.name), std::string(port.rest), port.line);
    }
    // A USB printer port: its name row ("USB001:") and the device on it.
    std::size_t portLine = 0;
    std::string portName;
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::UsbPrinters || !row.key.empty()) continue;
      if (StartsWith(row.value, "USB") && EndsWith(row.value, ":") &&
          row.value.find(' ') == std::string_view::npos) {
        portName = std::string(row.value);
        portLine = row.line;
      } else if (StartsWith(row.value, "Client Device Name: ") && portLine != 0) {
        Add("ports", portName, std::string(row.value.substr(20)), portLine);
        portLine = 0;
      }
    }
  }

  void Printers() {
    for (const PrinterFact& printer : analysis::Printers(report_)) {
      std::string value = printer.line == 0 ? std::string() : "an " + printer.port;
      if (!printer.driver.empty()) value += ", Treiber " + printer.driver;
      if (printer.noDriverLine != 0) value += ", kein Printer Driver";
      Add("printers", printer.name, value, printer.line != 0 ? printer.line : printer.noDriverLine);
      for (const DependentFile& file : printer.files) {
        Add("printers", printer.name + ": " + std::string(file.name), std::string(file.description),
            file.line);
      }
    }
  }

  void Files() {
    for (const FileEntry& entry : report_.files) {
      for (const FileCopy& copy : entry.copies) {
        Add("files", copy.folder + copy.name,
            copy.fileVersion + " / " + copy.productVersion + ", " + copy.size + " Byte, " +
                copy.date + " " + copy.time + ", " + copy.company + ", " + copy.attributes,
            copy.line);
      }
    }
  }

  void Registry() {
    for (const RegistryKey& key : report_.registry) {
      Add("registry", std::string(key.path), "", key.line);
      for (const RegistryValue& value : key.values) {
        // regedit's own name for the default value
        const std::string name = value.name.empty() ? "@" : std::string(value.name);
        Add("registry", std::string(key.path) + "\\" + name, std::string(value.data), value.line);
      }
    }
  }

  void Checks() {
    for (const CheckLine& check : report_.checks) {
      Add("checks", std::string(check.text), "", check.line);
    }
  }

  const Report& report_;
  std::deque<Fact> facts_;
  std::string_view part_;
  std::unordered_map<std::string_view, int> seen_;
};

// The facts of one part: the collector adds them part by part.
struct PartFacts {
  std::deque<Fact>::const_iterator begin, end;
  std::size_t size;
};

PartFacts FactsOf(const std::deque<Fact>& facts, std::string_view part) {
  auto begin = facts.begin();
  while (begin != facts.end() && begin->part != part) ++begin;
  auto end = begin;
  std::size_t size = 0;
  while (end != facts.end() && end->part == part) {
    ++end;
    ++size;
  }
  return {begin, end, size};
}

void DiffPart(std::string_view part, const std::deque<Fact>& oldFacts,
              const std::deque<Fact>& newFacts, std::vector<Change>& changes) {
  const PartFacts olds = FactsOf(oldFacts, part);
  const PartFacts news = FactsOf(newFacts, part);
  std::unordered_map<std::string_view, const Fact*> before(olds.size);
  std::unordered_map<std::string_view, const Fact*> after(news.size);
  for (auto fact = olds.begin; fact != olds.end; ++fact) before.emplace(fact->subject, &*fact);
  for (auto fact = news.begin; fact != news.end; ++fact) {
    after.emplace(fact->subject, &*fact);
    const auto old = before.find(fact->subject);
    if (old == before.end()) {
      changes.push_back({part, ChangeKind::Added, fact->subject, "", fact->value, 0, fact->line});
    } else if (old->second->value != fact->value) {
      changes.push_back({part, ChangeKind::Changed, fact->subject, old->second->value, fact->value,
                         old->second->line, fact->line});
    }
  }
  for (auto fact = olds.begin; fact != olds.end; ++fact) {
    if (after.find(fact->subject) == after.end()) {
      changes.push_back({part, ChangeKind::Removed, fact->subject, fact->value, "", fact->line, 0});
    }
  }
}

// "06.12.2026 22:23:38" or "06.12.2026" as a sortable number; false for another form.
bool DateKey(std::string_view date, long long& key) {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  const std::string text(date);
  const int read =
      std::sscanf(text.c_str(), "%d.%d.%d %d:%d:%d", &day, &month, &year, &hour, &minute, &second);
  if (read != 3 && read != 6) return false;
  key = ((((static_cast<long long>(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) *
            100 +
        second;
  return true;
}

std::string MessageHead(const EventRecordFact& record) {
  if (record.message == nullptr) return std::string(record.date);
  return std::string(record.date) + " " + std::string(record.message->value);
}

void DiffEventLogs(const Report& oldReport, const Report& newReport, std::vector<Change>& changes) {
  const std::vector<EventRecordFact> oldRecords = EventRecords(oldReport);
  std::map<std::string_view, const EventRecordFact*> newestOld;
  for (const EventRecordFact& record : oldRecords) newestOld.emplace(record.log, &record);
  std::map<std::string_view, bool> reachedOld;
  for (const EventRecordFact& record : EventRecords(newReport)) {
    if (reachedOld[record.log]) continue;
    const auto newest = newestOld.find(record.log);
    if (newest != newestOld.end()) {
      const EventRecordFact& old = *newest->second;
      if (record.type == old.type && record.source == old.source && record.date == old.date) {
        reachedOld[record.log] = true;
        continue;
      }
      long long oldKey = 0;
      long long newKey = 0;
      if (DateKey(old.date, oldKey) && DateKey(record.date, newKey) && newKey <= oldKey) {
        reachedOld[record.log] = true;
        continue;
      }
    }
    changes.push_back({"eventlog", ChangeKind::Added,
                       std::string(record.log) + ": " + std::string(record.type) + "|" +
                           std::string(record.source),
                       "", MessageHead(record), 0, record.line});
  }
}

}  // namespace

std::vector<Change> DiffReports(const Report& oldReport, const Report& newReport) {
  const std::deque<Fact> oldFacts = FactCollector(oldReport).Collect();
  const std::deque<Fact> newFacts = FactCollector(newReport).Collect();
  std::vector<Change> changes;
  for (const std::string_view part : kPartOrder) DiffPart(part, oldFacts, newFacts, changes);
  DiffEventLogs(oldReport, newReport, changes);
  return changes;
}

std::string_view ChangeName(ChangeKind change) {
  switch (change) {
    case ChangeKind::Added:
      return "added";
    case ChangeKind::Removed:
      return "removed";
    case ChangeKind::Changed:
      break;
  }
  return "changed";
}

}  // namespace kdx::analysis
