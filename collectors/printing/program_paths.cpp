#include "collectors/printing/program_paths.h"

#include <array>
#include <optional>
#include <vector>

#include "collectors/printing/describe_file.h"
#include "platform/errors.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::array<const char*, 2> kAppPathsKeys = {
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\App Paths",
};

/// Whether an App Paths entry belongs to the label software. Only a to z are upper-cased, as
/// the comparison has always done.
bool IsLabelSoftwareEntry(const std::string& name) {
  const std::string upper = UpcaseAscii(name);
  return upper.find("KDX") != std::string::npos || upper.find("KELMO") != std::string::npos;
}

void DescribeProgramEntry(RunContext& context, TRegistry& registry, const std::string& entry) {
  registry.OpenRead(entry);
  context.AddReportRow("Path", registry.ReadText("Path"));
  const std::string program = registry.ReadText("");
  std::optional<std::string> description = TryDescribeFile(context, program);
  context.AddReportRow(program, description ? std::move(*description) : kFileMissing);
}

void ListAppPathsKey(RunContext& context, TRegistry& registry, const std::string& key) {
  if (!registry.OpenRead(key)) return;
  std::vector<std::string> entries;
  registry.SubkeyNames(entries);
  for (const std::string& entry : entries) {
    if (!IsLabelSoftwareEntry(entry)) continue;
    DescribeProgramEntry(context, registry, entry);
    registry.OpenRead(key);
  }
}

}  // namespace

void CollectProgramPaths(RunContext& context, TRegistry& registry) {
  try {
    registry.SelectRoot(kHKeyLocalMachine);
    context.AddReportRow("App Paths:", "");
    for (const char* key : kAppPathsKeys) ListAppPathsKey(context, registry, key);
  } catch (const KdxError& error) {
    context.AddReportRow("ERROR", error.what());
  }
}

}  // namespace kdx
