#pragma once

// The whole report run beside its floor, on any machine the platform interface serves: the
// run's phases timed through its status lines, and a floor that asks the machine each
// distinct question of the run once, phase by phase, and only walks the answers.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"
#include "run/front_end.h"
#include "run/run_context.h"

namespace kdx::bench {

using Clock = std::chrono::steady_clock;

/// The live state of a replay of the questions (bench/whole_run.cpp).
struct Replay;

/// The distinct questions a run asked, in the order first asked, by phase.
class QuestionLog {
 public:
  struct Phase {
    std::string name;
    std::vector<std::function<void(Replay&)>> questions;
    std::size_t asked = 0;  ///< questions the run asked in the phase, repeats included
  };

  /// Questions from now on belong to a phase of this name.
  void StartPhase(const std::string& name) { phases_.push_back({name, {}}); }
  /// Keeps ask unless a question with the same key was asked before.
  void Add(std::string key, std::function<void(Replay&)> ask);

  const std::vector<Phase>& Phases() const { return phases_; }
  std::size_t Distinct() const { return known_.size(); }
  std::size_t Asked() const { return asked_; }

 private:
  std::vector<Phase> phases_{{"Start", {}}};
  std::unordered_set<std::string> known_;
  std::size_t asked_ = 0;
};

/// A machine that serves every call from machine and logs each distinct question.
std::unique_ptr<Platform> RecordingPlatform(Platform& machine, QuestionLog& log);

/// Milliseconds per phase, in the run's order of phases.
struct PhaseTimes {
  std::vector<std::string> names;
  std::vector<double> milliseconds;
};

/// Asks machine every question of the log once, phase by phase, walking the answers.
PhaseTimes ReplayQuestions(Platform& machine, const QuestionLog& log);

/// A front end that answers the save dialog with a fixed path and times the run's phases: a
/// phase begins with each status line. When it has a log, the log's phases follow the run's.
class TimingFrontEnd final : public FrontEnd {
 public:
  TimingFrontEnd(std::string savePath, QuestionLog* log)
      : savePath_(std::move(savePath)), log_(log) {}

  void ShowInstructions() override {}
  void ShowStatus(const std::string& line) override;
  void ProcessMessages() override {}
  bool Terminated() const override { return false; }
  std::optional<std::string> AskSavePath(const std::string&, const std::string&) override {
    return savePath_;
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowMessageBox(const std::string&, const std::string&) override {}

  /// The times of the phases from the front end's making until now.
  PhaseTimes Finish() const;

  std::vector<std::string> errors;

 private:
  std::string savePath_;
  QuestionLog* log_;
  std::vector<std::string> names_{"Start"};
  std::vector<Clock::time_point> starts_{Clock::now()};
};

/// The report run on a context, true when it wrote its report. The entry points hand it in:
/// the run sequence sits above everything here.
using RunSequence = std::function<bool(RunContext&)>;

/// One timed run of the whole report into savePath; the log, when given, records its
/// questions. Throws std::runtime_error when the run does not write its report.
PhaseTimes TimeRun(Platform& machine, const std::string& savePath, QuestionLog* log,
                   const RunSequence& run);

/// The run beside its floor over rounds that take turns, medians per phase and of the whole.
struct Comparison {
  std::vector<std::string> names;
  std::vector<double> run;    ///< median milliseconds per phase
  std::vector<double> floor;  ///< median milliseconds per phase
  double runTotal = 0;        ///< median of the rounds' sums
  double floorTotal = 0;
  std::size_t asked = 0;                   ///< questions the recorded run asked
  std::size_t distinct = 0;                ///< of them different ones, which the floor asks
  std::vector<std::size_t> phaseAsked;     ///< per phase of the recorded run
  std::vector<std::size_t> phaseDistinct;  ///< per phase: questions not asked before
};

/// One recorded run (untimed), then rounds of a timed run and the floor's replay, their order
/// changing every round.
Comparison CompareWithFloor(Platform& machine, const std::string& savePath, int rounds,
                            const RunSequence& run);

/// The comparison as a table: phase, run, floor, ratio; the whole run last.
void PrintComparison(const Comparison& comparison, std::FILE* out);

}  // namespace kdx::bench
