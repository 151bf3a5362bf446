#include "analysis/report_diff.h"

#include <cstdio>
#include <functional>
#include <map>
#include <unordered_map>

#include "analysis/diff_facts.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::size_t kPartCount = static_cast<std::size_t>(DiffPart::Findings) + 1;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

std::uint64_t KeyHash(const DiffFact& fact) {
  const std::hash<std::string_view> hash;
  return (hash(fact.subject) * 31 + hash(fact.detail)) * 31 + static_cast<std::uint64_t>(fact.part);
}

bool SameKey(const DiffFact& a, const DiffFact& b) {
  return a.part == b.part && a.join == b.join && a.subject == b.subject && a.detail == b.detail;
}

std::vector<std::uint64_t> KeyHashes(const std::vector<DiffFact>& facts) {
  std::vector<std::uint64_t> hashes(facts.size());
  for (std::size_t i = 0; i < facts.size(); ++i) hashes[i] = KeyHash(facts[i]);
  return hashes;
}

// Matches the facts of the newer report to the older one's by subject, the n-th occurrence of
// a subject to its n-th occurrence, in a hash table of the older report's subjects: a slot
// holds the chain of its facts of a subject and how far the newer report has come along it.
// Reports
// of millions of facts make every slot a cache miss: the slots a few facts ahead are fetched
// while the current one is matched.
class FactMatcher {
 public:
  FactMatcher(const DiffFacts& oldFacts, const DiffFacts& newFacts)
      : olds_(oldFacts.Facts()),
        news_(newFacts.Facts()),
        oldHashes_(KeyHashes(olds_)),
        newHashes_(KeyHashes(news_)) {
    std::size_t capacity = 16;
    while (capacity < 2 * olds_.size()) capacity *= 2;
    slots_.resize(capacity);
    mask_ = capacity - 1;
    next_.assign(olds_.size(), kNone);
    oldOccurrence_.assign(olds_.size(), 1);
    matched_.assign(olds_.size(), false);
  }

  // Calls visit(oldIndex or kNone, newIndex, occurrence) for each fact of the newer report,
  // then visit(oldIndex, kNone, occurrence) for each of the older report's left over.
  template <typename Visit>
  void Match(Visit visit) {
    for (std::uint32_t i = 0; i < olds_.size(); ++i) {
      Prefetch(oldHashes_, i);
      InsertOld(i);
    }
    for (std::uint32_t j = 0; j < news_.size(); ++j) {
      Prefetch(newHashes_, j);
      Slot* slot = Find(news_[j], newHashes_[j]);
      if (slot == nullptr) {
        // A subject the older report has not: counted apart, the table stays the older one's.
        visit(kNone, j, ++added_[KeyOf(news_[j])]);
        continue;
      }
      const std::uint32_t old = slot->cursor;
      if (old != kNone) {
        slot->cursor = next_[old];
        matched_[old] = true;
        visit(old, j, oldOccurrence_[old]);
      } else {
        // More of the subject than the older report has.
        visit(kNone, j, oldOccurrence_[slot->tail] + ++more_[slot->key]);
      }
    }
    for (std::uint32_t i = 0; i < olds_.size(); ++i) {
      if (!matched_[i]) visit(i, kNone, oldOccurrence_[i]);
    }
  }

 private:
  static constexpr std::size_t kLookAhead = 16;
  struct Slot {
    std::uint32_t hash = 0;     // the subject's hash, its low half
    std::uint32_t key = kNone;  // the older report's first fact of the subject
    std::uint32_t tail = kNone;
    std::uint32_t cursor = kNone;  // the older report's next fact of the subject to match
  };

  void Prefetch(const std::vector<std::uint64_t>& hashes, std::size_t at) const {
    if (at + kLookAhead < hashes.size()) {
      __builtin_prefetch(&slots_[hashes[at + kLookAhead] & mask_]);
    }
  }

  // The slot of the fact's subject, or where it would go; null for a subject of the newer
  // report that the older one has not.
  Slot* Find(const DiffFact& fact, std::uint64_t hash, bool insert = false) {
    std::size_t at = hash & mask_;
    while (slots_[at].key != kNone) {
      if (slots_[at].hash == static_cast<std::uint32_t>(hash) &&
          SameKey(olds_[slots_[at].key], fact)) {
        return &slots_[at];
      }
      at = (at + 1) & mask_;
    }
    return insert ? &slots_[at] : nullptr;
  }

  void InsertOld(std::uint32_t i) {
    Slot& slot = *Find(olds_[i], oldHashes_[i], true);
    if (slot.key == kNone) {
      slot.key = i;
      slot.hash = static_cast<std::uint32_t>(oldHashes_[i]);
      slot.cursor = i;
    } else {
      next_[slot.tail] = i;
      oldOccurrence_[i] = oldOccurrence_[slot.tail] + 1;
    }
    slot.tail = i;
  }

  static std::string KeyOf(const DiffFact& fact) {
    return std::to_string(static_cast<int>(fact.part)) + '\n' +
           std::to_string(static_cast<int>(fact.join)) + '\n' + std::string(fact.subject) + '\n' +
           std::string(fact.detail);
  }

  const std::vector<DiffFact>& olds_;
  const std::vector<DiffFact>& news_;
  const std::vector<std::uint64_t> oldHashes_;
  const std::vector<std::uint64_t> newHashes_;
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::vector<std::uint32_t> next_;
  std::vector<std::uint32_t> oldOccurrence_;
  std::vector<bool> matched_;
  std::unordered_map<std::string, std::uint32_t> added_;
  std::unordered_map<std::uint32_t, std::uint32_t> more_;
};

std::string Counted(std::string subject, std::uint32_t occurrence) {
  if (occurrence > 1) subject += " #" + std::to_string(occurrence);
  return subject;
}

void DiffTables(const ReportFacts& oldFacts, const ReportFacts& newFacts,
                std::vector<std::vector<Change>>& byPart) {
  const DiffFacts olds(oldFacts);
  const DiffFacts news(newFacts);
  std::vector<std::vector<Change>> removed(kPartCount);
  FactMatcher(olds, news).Match([&](std::uint32_t i, std::uint32_t j, std::uint32_t occurrence) {
    const DiffFact* old = i == kNone ? nullptr : &olds.Facts()[i];
    const DiffFact* now = j == kNone ? nullptr : &news.Facts()[j];
    if (old != nullptr && now != nullptr && DiffFacts::SameValue(*old, *now)) return;
    Change change;
    change.part = (now != nullptr ? now : old)->part;
    change.change = old == nullptr   ? ChangeKind::Added
                    : now == nullptr ? ChangeKind::Removed
                                     : ChangeKind::Changed;
    change.subject = Counted(now != nullptr ? news.Subject(*now) : olds.Subject(*old), occurrence);
    if (old != nullptr) {
      change.oldValue = olds.Value(*old);
      change.oldLine = old->line;
    }
    if (now != nullptr) {
      change.newValue = news.Value(*now);
      change.newLine = now->line;
    }
    auto& target = change.change == ChangeKind::Removed ? removed : byPart;
    target[static_cast<std::size_t>(change.part)].push_back(std::move(change));
  });
  for (std::size_t part = 0; part < kPartCount; ++part) {
    for (Change& change : removed[part]) byPart[part].push_back(std::move(change));
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

// What an event log holds beyond the older report: the records newer than its newest.
void DiffEventLogs(const ReportFacts& oldFacts, const ReportFacts& newFacts,
                   std::vector<Change>& changes) {
  std::map<std::string_view, const EventRecordFact*> newestOld;
  for (const EventRecordFact& record : oldFacts.events) {
    newestOld.emplace(oldFacts.EventLog(record), &record);
  }
  std::map<std::string_view, bool> reachedOld;
  for (const EventRecordFact& record : newFacts.events) {
    const std::string_view log = newFacts.EventLog(record);
    if (reachedOld[log]) continue;
    const auto newest = newestOld.find(log);
    if (newest != newestOld.end()) {
      const EventRecordFact& old = *newest->second;
      const std::string_view date = newFacts.EventDate(record);
      if (newFacts.EventType(record) == oldFacts.EventType(old) &&
          newFacts.EventSource(record) == oldFacts.EventSource(old) &&
          date == oldFacts.EventDate(old)) {
        reachedOld[log] = true;
        continue;
      }
      long long oldKey = 0;
      long long newKey = 0;
      if (DateKey(oldFacts.EventDate(old), oldKey) && DateKey(date, newKey) && newKey <= oldKey) {
        reachedOld[log] = true;
        continue;
      }
    }
    Change change;
    change.part = DiffPart::EventLog;
    change.change = ChangeKind::Added;
    change.subject = std::string(log) + ": " + std::string(newFacts.EventType(record)) + "|" +
                     std::string(newFacts.EventSource(record));
    change.newValue = std::string(newFacts.EventDate(record));
    if (record.message != EventRecordFact::kNone) {
      change.newValue.append(" ").append(newFacts.report->Value(newFacts.Row(record.message)));
    }
    change.newLine = newFacts.EventLine(record);
    changes.push_back(std::move(change));
  }
}

// Findings by code and subject: new ones, gone ones, and ones whose text changed.
void DiffFindings(const std::vector<Finding>& olds, const std::vector<Finding>& news,
                  std::vector<Change>& changes) {
  std::vector<bool> matched(olds.size(), false);
  const auto change = [](ChangeKind kind, const Finding* old, const Finding* now) {
    const Finding& any = now != nullptr ? *now : *old;
    Change result;
    result.part = DiffPart::Findings;
    result.change = kind;
    result.subject = std::string(any.code) + ": " + any.subject;
    if (old != nullptr) {
      result.oldValue = old->text;
      result.oldValueEn = old->textEn;
      result.oldLine = old->lines.empty() ? 0 : old->lines.front();
    }
    if (now != nullptr) {
      result.newValue = now->text;
      result.newValueEn = now->textEn;
      result.newLine = now->lines.empty() ? 0 : now->lines.front();
    }
    return result;
  };
  // The older report's findings by code and subject, each cause's in order.
  std::unordered_map<std::string, std::vector<std::size_t>> byCause;
  for (std::size_t i = 0; i < olds.size(); ++i) {
    byCause[std::string(olds[i].code) + '\n' + olds[i].subject].push_back(i);
  }
  std::unordered_map<std::string, std::size_t> taken;
  for (const Finding& now : news) {
    const std::string cause = std::string(now.code) + '\n' + now.subject;
    const auto found = byCause.find(cause);
    std::size_t& next = taken[cause];
    if (found == byCause.end() || next == found->second.size()) {
      changes.push_back(change(ChangeKind::Added, nullptr, &now));
      continue;
    }
    const Finding& old = olds[found->second[next++]];
    matched[static_cast<std::size_t>(&old - olds.data())] = true;
    if (old.text != now.text) changes.push_back(change(ChangeKind::Changed, &old, &now));
  }
  for (std::size_t i = 0; i < olds.size(); ++i) {
    if (!matched[i]) changes.push_back(change(ChangeKind::Removed, &olds[i], nullptr));
  }
}

}  // namespace

bool ReportDiff::SameComputer() const { return EqualsNoCase(oldComputer, newComputer); }

ReportDiff DiffReports(const ReportFacts& oldFacts, const std::vector<Finding>& oldFindings,
                       const ReportFacts& newFacts, const std::vector<Finding>& newFindings) {
  ReportDiff diff;
  diff.oldComputer = oldFacts.computer.text;
  diff.newComputer = newFacts.computer.text;
  std::vector<std::vector<Change>> byPart(kPartCount);
  DiffTables(oldFacts, newFacts, byPart);
  DiffEventLogs(oldFacts, newFacts, byPart[static_cast<std::size_t>(DiffPart::EventLog)]);
  DiffFindings(oldFindings, newFindings, byPart[static_cast<std::size_t>(DiffPart::Findings)]);
  for (std::vector<Change>& part : byPart) {
    for (Change& change : part) diff.changes.push_back(std::move(change));
  }
  return diff;
}

std::string_view PartCode(DiffPart part) {
  static constexpr std::string_view kCodes[kPartCount] = {
      "windows",   "drives",   "services", "processes", "ports",        "labelsoftware",
      "inventory", "ini",      "temp",     "printers",  "programpaths", "eventlog",
      "logs",      "registry", "files",    "checks",    "findings"};
  return kCodes[static_cast<std::size_t>(part)];
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
