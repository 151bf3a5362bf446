// The fault campaign (tests/app/fault_campaign.h) on the machines named, or on the running
// Windows. Exit status: 0 every run survived, 1 a finding, 2 the campaign could not run.
//   kdx_fault_campaign --sites DOCS --report PATH [--sample whole|ci|small] [--steady]
//                      [--golden DIR] [--trace FILE] [MACHINE_DIR...]
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "app/fault_campaign.h"
#include "platform/text_encoding.h"

namespace {

using kdx::test::Sample;

struct Arguments {
  kdx::test::CampaignOptions options;
  std::map<std::string, std::string> values;  ///< by option: --sites, --golden, --trace, ...
  std::vector<std::string> machines;
};

bool Parse(int argc, char** argv, Arguments& arguments) {
  const std::map<std::string, Sample> samples = {
      {"whole", Sample::Whole}, {"ci", Sample::Ci}, {"small", Sample::Small}};
  auto& values = arguments.values;
  values["--sample"] = "whole";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--steady") {
      arguments.options.steady = true;
    } else if (argument.rfind("--", 0) != 0) {
      arguments.machines.push_back(argument);
    } else if (i + 1 < argc) {
      values[argument] = argv[++i];
    }
  }
  const auto sample = samples.find(values["--sample"]);
  arguments.options.reportPath = values["--report"];
  if (sample == samples.end()) return false;
  arguments.options.sample = sample->second;
  return values.count("--sites") != 0 && !arguments.options.reportPath.empty();
}

int RunAll(Arguments& arguments) {
  auto sites = kdx::test::ReadIgnoredSites(arguments.values["--sites"]);
  auto& options = arguments.options;
  if (arguments.values.count("--trace")) {
    options.trace = std::fopen(arguments.values["--trace"].c_str(), "w");
  }
  bool clean = true;
  std::bitset<kdx::test::kNamedCases> namedCasesMet;
  for (const auto& machine : kdx::test::OpenCampaignMachines(arguments.machines)) {
    if (arguments.values.count("--golden")) {
      options.golden = arguments.values["--golden"] + "/" + machine.name + ".txt";
    }
    const auto result = kdx::test::RunCampaign(*machine.platform, sites, options);
    std::printf("%s: %zu calls, %zu runs, %zu survived, %.2f minutes\n", machine.name.c_str(),
                result.calls, result.runs, result.survived, result.time.count() / 60);
    for (const std::string& finding : result.findings) {
      std::printf("  %s\n", kdx::Cp1252ToUtf8(finding).c_str());
    }
    clean = clean && result.findings.empty();
    namedCasesMet |= result.namedCasesMet;
  }
  // Each mend keeps its case: one that no machine meets any more has lost it.
  if (options.sample == Sample::Ci && !namedCasesMet.all()) {
    std::printf("a named case no machine meets\n");
    clean = false;
  }
  for (const auto& site : sites) {
    // The whole campaign meets every site: a row it never needs is no longer true.
    if (options.sample != Sample::Whole || site.excused != 0) continue;
    std::printf("never needed: %s | %s | %s\n", kdx::Cp1252ToUtf8(site.call).c_str(),
                kdx::Cp1252ToUtf8(site.phase).c_str(), kdx::Cp1252ToUtf8(site.subject).c_str());
    clean = false;
  }
  if (options.trace != nullptr) std::fclose(options.trace);
  return clean ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!Parse(argc, argv, arguments)) {
    std::fprintf(stderr,
                 "usage: kdx_fault_campaign --sites DOCS --report PATH [--sample whole|ci|small]"
                 " [--steady] [--golden DIR] [--trace FILE] [MACHINE_DIR...]\n");
    return 2;
  }
  try {
    return RunAll(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kdx_fault_campaign: %s\n", error.what());
    return 2;
  }
}
