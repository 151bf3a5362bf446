#include "analysis/findings.h"

#include <algorithm>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {

void FindingSink::Add(Found found) {
  Finding finding;
  finding.code = rule_->code;
  finding.severity = found.otherPrinters ? Severity::Note : rule_->severity;
  finding.subject = std::move(found.subject);
  finding.text = std::move(found.text);
  finding.textEn = std::move(found.textEn);
  finding.remedy = rule_->remedy;
  finding.remedyEn = rule_->remedyEn;
  std::vector<std::size_t>& lines = found.lines;
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  if (!lines.empty() && lines.front() == 0) lines.erase(lines.begin());
  finding.lines = std::move(lines);
  findings_.push_back(std::move(finding));
}

const std::vector<Rule>& Catalogue() {
  static const std::vector<Rule> kRules = [] {
    std::vector<Rule> rules;
    for (std::vector<Rule> (*group)() : {ReportRules, ServiceRules, CheckLineRules, PrinterRules,
                                         LabelSoftwareRules, FileRules, LogRules}) {
      const std::vector<Rule> more = group();
      rules.insert(rules.end(), more.begin(), more.end());
    }
    return rules;
  }();
  return kRules;
}

std::vector<Finding> FindFindings(const ReportFacts& facts) {
  std::vector<Finding> findings;
  FindingSink sink(findings);
  for (const Rule& rule : Catalogue()) {
    sink.Begin(rule.info);
    rule.check(facts, sink);
  }
  // Sorted by their places, then each moved once, in place: a report can have tens of
  // thousands of findings.
  std::vector<std::pair<std::pair<Severity, std::size_t>, std::size_t>> order(findings.size());
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& finding = findings[i];
    order[i] = {{finding.severity, finding.lines.empty() ? 0 : finding.lines.front()}, i};
  }
  std::sort(order.begin(), order.end());
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start].second == start) continue;
    // The cycle through start: each place takes the finding that belongs there.
    Finding held = std::move(findings[start]);
    std::size_t at = start;
    while (order[at].second != start) {
      const std::size_t from = order[at].second;
      findings[at] = std::move(findings[from]);
      order[at].second = at;
      at = from;
    }
    findings[at] = std::move(held);
    order[at].second = at;
  }
  return findings;
}

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Note:
      break;
  }
  return "note";
}

bool WithoutAdministratorRights(const ReportFacts& facts) {
  return facts.administrator.text == "FALSE" || facts.adminError.line != 0;
}

bool StateKnown(const ReportFacts& facts, std::string_view service) {
  const ServiceFact* fact = facts.FindService(service);
  return fact == nullptr || fact->known;
}

std::size_t CheckLine(const ReportFacts& facts, std::string_view text) {
  for (const std::uint32_t at : facts.report->checks) {
    if (facts.report->Text(at) == text) return facts.report->Number(at);
  }
  return 0;
}

std::string ListOf(const std::vector<std::string>& names, bool german) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? (german ? " und " : " and ") : ", ";
    text += names[i];
  }
  return text;
}

static std::string_view WithoutColon(std::string_view port) {
  return EndsWith(port, ":") ? port.substr(0, port.size() - 1) : port;
}

bool SamePort(std::string_view a, std::string_view b) {
  return EqualsNoCase(WithoutColon(Trimmed(a)), WithoutColon(Trimmed(b)));
}

bool SpoolerHasPort(const ReportFacts& facts, std::string_view port) {
  if (facts.ports.empty()) return true;
  return std::any_of(facts.ports.begin(), facts.ports.end(),
                     [&](const PortFact& known) { return SamePort(known.name, port); });
}

bool IsWindowsPrinter(const ReportFacts& facts, std::string_view name) {
  if (facts.FindPrinter(name) != nullptr) return true;
  for (const std::string_view listed : facts.spoolerPrinters) {
    std::string_view listedName = listed;
    std::string_view port;
    if (EqualsNoCase(listed, name)) return true;
    if (SplitPrinterRow(listed, listedName, port) && EqualsNoCase(listedName, name)) return true;
  }
  return false;
}

}  // namespace kdx::analysis
