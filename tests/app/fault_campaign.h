#pragma once

// The fault campaign (docs/fault-campaign.md): a whole report run with each platform call
// failed in turn, each error of its kind once, and every run held to what the report must
// still be.

#include <bitset>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kdx::test {

/// The machines of the campaign, by name: on the host the simulated machines of the directories
/// named (fault_campaign_sim.cpp), in the Windows build the running Windows (_win32.cpp).
struct CampaignMachine {
  std::string name;
  std::unique_ptr<Platform> platform;
};
std::vector<CampaignMachine> OpenCampaignMachines(const std::vector<std::string>& arguments);

/// Which faults a campaign gives: each call with each error of its kind (Whole), or calls
/// spread over each kind's calls that still give every kind every error, in each phase (Ci)
/// or over the run (Small).
enum class Sample { Whole, Ci, Small };

struct CampaignOptions {
  Sample sample = Sample::Whole;
  std::string reportPath;                      ///< where each run saves its report
  std::chrono::duration<double> runLimit{20};  ///< a run that outlasts it hangs
  bool steady = false;  ///< a live machine: lines two clean runs disagree on are not compared
  std::string golden;   ///< when set, the file the clean report must equal byte for byte
  std::FILE* trace = nullptr;  ///< each fault before its run, for a crash to name it
};

/// The faults every sample holds whatever else it picks: the cases of the mends.
inline constexpr std::size_t kNamedCases = 13;

/// A call site of the docs' table whose silent failure the report's rules let pass: patterns
/// of the call's kind name, the phase and the subject, '*' standing for any text.
struct IgnoredSite {
  std::string call;
  std::string phase;
  std::string subject;
  std::size_t excused = 0;
};

/// What the campaign found on one machine.
struct CampaignResult {
  std::size_t calls = 0;
  std::size_t runs = 0;
  std::size_t survived = 0;
  std::vector<std::string> findings;  ///< per run that did not survive: the fault and why
  std::bitset<kNamedCases> namedCasesMet;
  std::chrono::duration<double> time{};
};

/// The table of the docs file (UTF-8), its texts as the program's (Windows-1252).
std::vector<IgnoredSite> ReadIgnoredSites(const std::string& docsPath);

/// Records machine's clean run (leaving its report at options.reportPath), then runs the
/// sample's faults against it.
CampaignResult RunCampaign(Platform& machine, std::vector<IgnoredSite>& sites,
                           const CampaignOptions& options);

}  // namespace kdx::test
