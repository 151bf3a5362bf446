#include "app/fault_campaign.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/run_report.h"
#include "platform/error_codes.h"
#include "platform/fault/fault_platform.h"
#include "platform/text_encoding.h"
#include "support/test_machine.h"

namespace kdx::test {

namespace {

using Lines = std::vector<std::string>;

constexpr char kFirstLine[] = "[KDXINFO2.9.2]";
constexpr char kCompleteEnd[] = "END OF KDXINFO";
constexpr char kAbnormalEnd[] = "ABNORMAL END OF KDXINFO";
constexpr std::array<const char*, 4> kSectionLines = {"REGEDIT4", "[REGEDIT END]", "[FILELIST]",
                                                      "[FILELIST END]"};
// The report's own words for a failure, '|' between them; a line that holds one tells of it.
constexpr std::string_view kFailureWords =
    "ERROR|Error|FEHLER|Fehler|nicht gefunden|nicht ermittelt|nicht feststellbar|nicht geöffnet|"
    "nicht gelesen|nicht lesbar|nicht gestartet|ABNORMAL END|Kein Printer Driver";
constexpr char kSitesHeading[] = "## Call sites whose failure the report lets pass";

struct NamedCase {
  FaultCall kind;
  long error;
  const char* phase;
  const char* subject;
};

// The first call that fits each case is failed in every sample: the cases of the mends, in the
// order of the docs' table of mends, then the report file's first line refused, the one early
// end without an abnormal-end line.
constexpr std::array<NamedCase, kNamedCases> kCases = {{
    {FaultCall::RegQueryValueData, kErrorFileNotFound, "USB Drucker", "*[Port Number]"},
    {FaultCall::OpenInputFile, kErrorSharingViolation, "Datei speichern", "*\\kdxerror.log"},
    {FaultCall::ReadFile, kErrorReadFault, "Datei speichern", "*\\Faultlog.txt"},
    {FaultCall::RegQueryValueData, kErrorFileNotFound, "Allgemeine Informationen",
     "*[CommonFilesDir]"},
    {FaultCall::RegQueryValueData, kErrorMoreData, "Infos über Dexta Label Software Konfiguration",
     "*[Program]"},
    {FaultCall::RegQueryValueData, kErrorFileNotFound, "Allgemeine Informationen", "*[~MHz]"},
    {FaultCall::RegQueryValueData, kErrorMoreData, "Registry", "*\\KDXMONX [Start]"},
    {FaultCall::GetFileInformationByHandle, kErrorInvalidHandle,
     "Datei-Infos (KDX und Druckertreiber)", "*"},
    {FaultCall::ReadEventLogA, kErrorEventlogFileChanged, "System Event Log", "*"},
    {FaultCall::EnumPrintersA, kErrorRpcServerUnavailable, "Installierte Drucker", "*"},
    {FaultCall::FileTimeToLocalTime, kFaultFails, "INI-Dateien und Temp-Dir", "*"},
    {FaultCall::ExpandEnvironmentStringsA, kFaultFails, "Allgemeine Informationen", "*"},
    {FaultCall::WriteFile, kErrorDiskFull, "Datei speichern", "*"},
}};

/// A call of the clean run, as the campaign plans and judges its faults.
struct ReferenceCall {
  FaultCall kind = FaultCall::RegOpenKeyExA;
  std::string phase;  ///< the status line the run had shown last
  std::string subject;
  std::size_t settledLines = 0;  ///< the report's first lines no answer of the call can change
  bool failed = false;
};

struct Reference {
  std::vector<ReferenceCall> calls;
  Lines lines;
  std::set<std::size_t> unsteadyLines;
};

/// What one run left: how it ended, what it showed, its report file's lines.
struct RunOutput {
  RunOutcome outcome = RunOutcome::Failed;
  std::string shown;
  std::optional<Lines> lines;
};

using CallObserver =
    std::function<void(const NumberedCall&, const RecordingFrontEnd&, const RunContext*)>;

RunOutput RunOnce(Platform& machine, FaultSchedule& schedule, const std::string& reportPath,
                  const CallObserver& observe = {}) {
  std::filesystem::remove(reportPath);
  FaultPlatform platform(machine, schedule);
  RecordingFrontEnd ui;
  ui.savePath = reportPath;
  const RunContext* running = nullptr;
  if (observe) schedule.SetObserver([&](const NumberedCall& c) { observe(c, ui, running); });
  RunContext context(platform, ui);
  running = &context;
  RunOutput output;
  output.outcome = RunReport(context);
  const std::vector<std::string>& shown = ui.errors.empty() ? ui.messageBoxes : ui.errors;
  if (!shown.empty()) output.shown = shown.front();
  if (std::filesystem::exists(reportPath)) output.lines = ReportLines(ReadFileBytes(reportPath));
  return output;
}

/// Complete lines in the first bytes of a report.
std::size_t LinesIn(const Lines& lines, std::uint64_t bytes) {
  std::size_t count = 0;
  for (; count < lines.size() && bytes >= lines[count].size() + 2; ++count) {
    bytes -= lines[count].size() + 2;
  }
  return count;
}

bool WritesTheReport(FaultCall kind) {
  return kind == FaultCall::CreateOutputFile || kind == FaultCall::WriteFile ||
         kind == FaultCall::CloseOutputFile;
}

Reference RecordOnce(Platform& machine, const std::string& reportPath) {
  Reference reference;
  std::vector<std::pair<std::uint64_t, std::size_t>> written;  // bytes in the file, table rows
  FaultSchedule schedule;
  const RunOutput output = RunOnce(
      machine, schedule, reportPath,
      [&](const NumberedCall& call, const RecordingFrontEnd& ui, const RunContext* context) {
        reference.calls.push_back({call.kind, ui.statuses.empty() ? "Start" : ui.statuses.back(),
                                   call.subject, 0, call.failed});
        written.emplace_back(schedule.Written(), context ? context->table.Rows().size() : 0);
      });
  if (output.outcome != RunOutcome::Written || !output.lines) {
    throw std::runtime_error("the clean run wrote no report: " + output.shown);
  }
  reference.lines = *output.lines;
  for (std::size_t i = 0; i < reference.calls.size(); ++i) {
    ReferenceCall& call = reference.calls[i];
    const std::size_t inFile = LinesIn(reference.lines, written[i].first);
    // The table's rows are settled once added; the report file takes them first.
    call.settledLines = WritesTheReport(call.kind) ? inFile : std::max(written[i].second, inFile);
  }
  return reference;
}

Reference RecordReference(Platform& machine, const CampaignOptions& options) {
  Reference reference = RecordOnce(machine, options.reportPath);
  if (!options.steady) return reference;
  // A live machine's clock and figures move: what a second clean run shows otherwise is no
  // fault's doing.
  for (const std::time_t now = std::time(nullptr); std::time(nullptr) == now;) {
  }
  const Reference again = RecordOnce(machine, options.reportPath);
  if (again.calls.size() != reference.calls.size() ||
      again.lines.size() != reference.lines.size()) {
    throw std::runtime_error("two clean runs made different calls: the machine is not steady");
  }
  for (std::size_t i = 0; i < reference.lines.size(); ++i) {
    if (again.lines[i] != reference.lines[i]) reference.unsteadyLines.insert(i);
  }
  return reference;
}

bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && pattern.front() == text.front() &&
         Matches(pattern.substr(1), text.substr(1));
}

bool Fits(const ReferenceCall& call, std::string_view kind, std::string_view phase,
          std::string_view subject) {
  return Matches(kind, FaultCallInfoOf(call.kind).name) && Matches(phase, call.phase) &&
         Matches(subject, call.subject);
}

/// A line that tells of a failure and that the clean report does not hold as often.
bool HasNewFailureLine(const Lines& lines, const Reference& reference) {
  const auto tells = [](const std::string& line) {
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
      end = kFailureWords.find('|', start);
      if (line.find(kFailureWords.substr(start, end - start)) != std::string::npos) return true;
    }
    return false;
  };
  std::map<std::string, int> known;
  for (const std::string& line : reference.lines) known[line] += tells(line) ? 1 : 0;
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return tells(line) && --known[line] < 0; });
}

/// What is wrong with the report's frame, ending with end; empty when it is whole.
std::string FrameFault(const Lines& lines, const std::string& end) {
  if (lines.empty() || lines.front() != kFirstLine) return "no first line";
  if (lines.back() != end) return "last line '" + lines.back() + "', not '" + end + "'";
  auto from = lines.begin();
  for (const char* section : kSectionLines) {
    if (end == kAbnormalEnd) break;
    from = std::find(from, lines.end(), section);
    if (from == lines.end()) return "no line " + std::string(section);
  }
  return {};
}

/// The first line that differs from the clean report, up to limit lines; empty when none does.
std::string Difference(const Lines& lines, const Reference& reference, std::size_t limit) {
  for (std::size_t i = 0; i < std::min(limit, std::max(lines.size(), reference.lines.size()));
       ++i) {
    const std::string mine = i < lines.size() ? lines[i] : "(none)";
    const std::string clean = i < reference.lines.size() ? reference.lines[i] : "(none)";
    if (mine != clean && reference.unsteadyLines.count(i) == 0) {
      std::string difference = "line " + std::to_string(i + 1);
      difference += " '" + mine;
      difference += "' for '" + clean;
      return difference + "'";
    }
  }
  return {};
}

/// What is wrong with a run's outcome; empty when the run survived its fault.
std::string Judge(const ReferenceCall& call, const FaultSchedule& schedule, const RunOutput& output,
                  const Reference& reference, std::vector<IgnoredSite>& sites) {
  if (schedule.TimedOut()) return "hangs: the run outlasted its time limit";
  if (!schedule.Injected() || schedule.Strayed()) return "the run took another way to this call";
  if (call.kind == FaultCall::CreateOutputFile) {
    // The report file cannot be made: the run ends with its message and leaves no file.
    return output.outcome == RunOutcome::Failed && !output.shown.empty() && !output.lines
               ? ""
               : "a report file that cannot be made must end the run with its message";
  }
  if (!output.lines) return "no report: " + output.shown;
  const Lines& lines = *output.lines;
  std::string end = kCompleteEnd;
  if (output.outcome != RunOutcome::Written) {
    // Only the report file's own failure may end the writing, with its message.
    if (!WritesTheReport(call.kind) || output.shown.empty()) {
      return "the report is cut short: " + output.shown;
    }
    // A file that refuses its first line is left without an abnormal-end line.
    if (call.kind == FaultCall::WriteFile && lines.empty() && call.settledLines == 0) return {};
    if (call.kind == FaultCall::WriteFile) end = kAbnormalEnd;
  }
  if (auto fault = FrameFault(lines, end); !fault.empty()) return fault;
  if (auto fault = Difference(lines, reference, call.settledLines); !fault.empty()) return fault;
  if (!output.shown.empty() || HasNewFailureLine(lines, reference)) return {};
  const auto site = std::find_if(sites.begin(), sites.end(), [&](const IgnoredSite& s) {
    return Fits(call, s.call, s.phase, s.subject);
  });
  if (site == sites.end()) {
    const std::string difference = Difference(lines, reference, SIZE_MAX);
    return "silent: no line tells of the failure, and no rule lets it pass (" +
           (difference.empty() ? "the report as the clean one" : difference) + ")";
  }
  ++site->excused;
  return {};
}

/// The faults of a sample: every call that answered, with each error of its kind; or of each
/// group of calls (a kind, with Ci in each phase) calls spread over the group, the errors
/// taking turns, each at one of them (Small) or three (Ci); and the named cases.
std::set<PlannedFault> PlanFaults(const Reference& reference, Sample sample,
                                  std::bitset<kNamedCases>& met) {
  std::set<PlannedFault> plan;
  std::map<std::pair<FaultCall, std::string>, std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < reference.calls.size(); ++i) {
    const ReferenceCall& call = reference.calls[i];
    // A call that fails on the machine already is not failed again.
    if (call.failed) continue;
    if (sample == Sample::Whole) {
      for (const long error : FaultCallInfoOf(call.kind).errors)
        plan.insert({i + 1, call.kind, error});
    } else {
      groups[{call.kind, sample == Sample::Ci ? call.phase : ""}].push_back(i);
    }
  }
  const std::size_t perError = sample == Sample::Ci ? 3 : 1;
  for (const auto& [group, calls] : groups) {
    const auto errors = FaultCallInfoOf(group.first).errors;
    const std::size_t picks = errors.size() * perError;
    for (std::size_t pick = 0; pick < picks; ++pick) {
      const std::size_t at = (2 * pick + 1) * calls.size() / (2 * picks);
      plan.insert({calls[at] + 1, group.first, errors[pick % errors.size()]});
    }
  }
  for (std::size_t c = 0; c < kCases.size() && sample != Sample::Whole; ++c) {
    for (std::size_t i = 0; i < reference.calls.size() && !met[c]; ++i) {
      const ReferenceCall& call = reference.calls[i];
      met[c] = !call.failed &&
               Fits(call, FaultCallInfoOf(kCases[c].kind).name, kCases[c].phase, kCases[c].subject);
      if (met[c]) plan.insert({i + 1, call.kind, kCases[c].error});
    }
  }
  return plan;
}

std::string Describe(const PlannedFault& fault, const ReferenceCall& call) {
  return "call " + std::to_string(fault.call) + " " +
         std::string(FaultCallInfoOf(fault.kind).name) + " error " + FaultErrorName(fault.error) +
         " [" + call.phase + "] " + call.subject;
}

}  // namespace

std::vector<IgnoredSite> ReadIgnoredSites(const std::string& docsPath) {
  std::istringstream text(ReadFileBytes(docsPath));
  std::vector<IgnoredSite> sites;
  bool inTable = false;
  for (std::string line; std::getline(text, line);) {
    if (line.rfind("## ", 0) == 0) inTable = line == kSitesHeading;
    if (!inTable || line.rfind("| ", 0) != 0) continue;
    std::vector<std::string> cells;
    std::istringstream row(line.substr(1));
    for (std::string cell; std::getline(row, cell, '|');) {
      const auto keep = [](char c) { return c != ' ' && c != '`'; };
      cell.erase(std::find_if(cell.rbegin(), cell.rend(), keep).base(), cell.end());
      cell.erase(cell.begin(), std::find_if(cell.begin(), cell.end(), keep));
      cells.push_back(Utf8ToCp1252(cell));
    }
    if (cells.size() >= 4 && cells[0] != "call") sites.push_back({cells[0], cells[1], cells[2]});
  }
  if (sites.empty()) throw std::runtime_error("no table of call sites in " + docsPath);
  return sites;
}

CampaignResult RunCampaign(Platform& machine, std::vector<IgnoredSite>& sites,
                           const CampaignOptions& options) {
  const auto start = FaultSchedule::Clock::now();
  const Reference reference = RecordReference(machine, options);
  CampaignResult result;
  result.calls = reference.calls.size();
  if (!options.golden.empty() &&
      ReadFileBytes(options.golden) != ReadFileBytes(options.reportPath)) {
    result.findings.push_back("the clean run through the fault layer is not its golden report");
  }
  const auto limit = std::chrono::duration_cast<FaultSchedule::Clock::duration>(options.runLimit);
  for (const PlannedFault& fault : PlanFaults(reference, options.sample, result.namedCasesMet)) {
    const ReferenceCall& call = reference.calls[fault.call - 1];
    if (options.trace != nullptr) {
      std::fprintf(options.trace, "%s\n", Cp1252ToUtf8(Describe(fault, call)).c_str());
      std::fflush(options.trace);
    }
    FaultSchedule schedule(fault, limit);
    const RunOutput output = RunOnce(machine, schedule, options.reportPath);
    const std::string finding = Judge(call, schedule, output, reference, sites);
    ++result.runs;
    if (finding.empty()) {
      ++result.survived;
    } else {
      result.findings.push_back(Describe(fault, call) + ": " + finding);
    }
  }
  result.time = FaultSchedule::Clock::now() - start;
  return result;
}

}  // namespace kdx::test
