#include "app/console/report_command.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

#include "analysis/render.h"
#include "analysis/report_diff.h"
#include "app/console/folder_listing.h"
#include "app/console/report_loading.h"
#include "platform/text_encoding.h"

namespace kdx {
namespace {

using analysis::Language;

struct Options {
  std::vector<std::string> files;
  bool json = false;
  std::optional<std::string> html;
  Language language = Language::German;
};

std::string Usage() {
  return std::string(kReportCommandsUsage) +
         "\n--json prints JSON instead of text (several reports: one object per line); --html\n"
         "FILE also writes a self-contained page (several reports: an index page linking one\n"
         "page per report beside it). --lang en prints English, German is the default.\n"
         "Exit status: 0 no error finding (read) or no change (diff), 1 otherwise, 2 a file\n"
         "that is not a report as kdxinfo writes it (missing, a folder, empty, no report,\n"
         "re-saved in another encoding, its line ends stripped or re-wrapped by a mail\n"
         "program), or a usage error; for several reports the highest of theirs.\n";
}

bool Refuse(std::FILE* err, const std::string& problem) {
  Print(err, "kdxinfo: " + problem + "\n" + Usage());
  return false;
}

// "--name value" or "--name=value".
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string_view name,
               std::string& value) {
  const std::string& argument = arguments[i];
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == '=') {
    value = argument.substr(name.size() + 1);
    return true;
  }
  if (argument != name || i + 1 == arguments.size()) return false;
  value = arguments[++i];
  return true;
}

bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::FILE* err) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string value;
    if (argument == "--json") {
      options.json = true;
    } else if (TakeValue(arguments, i, "--html", value)) {
      options.html = value;
    } else if (TakeValue(arguments, i, "--lang", value)) {
      if (value != "de" && value != "en") return Refuse(err, "--lang takes de or en");
      options.language = value == "de" ? Language::German : Language::English;
    } else if (argument == "--html" || argument == "--lang") {
      return Refuse(err, argument + " needs a value");
    } else if (argument.size() > 1 && argument[0] == '-') {
      return Refuse(err, "unknown option " + argument);
    } else {
      options.files.push_back(argument);
    }
  }
  const bool read = arguments[0] == "read";
  if (read ? options.files.empty() : options.files.size() != 2) {
    return Refuse(err, read ? "read needs a report or a folder" : "diff needs two reports");
  }
  return true;
}

std::function<void(analysis::Output&)> PageOf(const analysis::ReadView& view) {
  return [&view](analysis::Output& page) { analysis::RenderReadHtml(view, page); };
}

void PrintProblem(std::FILE* err, const std::string& path, std::string_view problem) {
  Print(err, "kdxinfo: " + path + ": " + Cp1252ToUtf8(problem) + "\n");
}

// Said once per altered file, on standard error; the exit status says it too.
void PrintAlteration(std::FILE* err, const std::string& path, const LoadedReport& loaded,
                     Language language) {
  const std::string text =
      analysis::AlterationText(loaded.decoded.encoding, loaded.report.altered, language);
  if (!text.empty()) PrintProblem(err, path, text);
}

int RunRead(const Options& options, std::FILE* out, std::FILE* err) {
  const std::string& path = options.files[0];
  LoadProblem problem;
  const std::unique_ptr<LoadedReport> loaded = LoadReport(path, problem);
  if (!loaded) {
    PrintProblem(err, path, problem.In(options.language));
    return kExitBadInput;
  }
  PrintAlteration(err, path, *loaded, options.language);
  const analysis::ReadView view = loaded->View(path, options.language);
  {
    analysis::Output text([&](std::string_view piece) { Print(out, piece); });
    if (options.json) {
      analysis::RenderReadJson(view, text);
    } else {
      analysis::RenderReadText(view, text);
    }
  }
  if (options.html && !WritePage(*options.html, PageOf(view), options.language, err)) {
    return kExitBadInput;
  }
  return StatusOf(*loaded);
}

// The files that arguments name: a folder stands for the files in it, and for itself when it
// holds none (its line then says it is a folder).
std::vector<std::string> ReportFiles(const std::vector<std::string>& arguments, bool& several) {
  std::vector<std::string> files;
  several = arguments.size() > 1;
  for (const std::string& argument : arguments) {
    std::vector<std::string> names;
    if (IsFolder(argument)) {
      several = true;
      if (ListFolderFiles(argument, names) && !names.empty()) {
        for (const std::string& name : names) files.push_back(PathInFolder(argument, name));
        continue;
      }
    }
    files.push_back(argument);
  }
  return files;
}

// The page of the n-th report beside the index page: index.html gives index-1.html, ...
std::string PagePath(const std::string& index, std::size_t n) {
  const std::size_t slash = index.find_last_of("/\\");
  const std::size_t dot = index.rfind('.');
  const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? index
                               : index.substr(0, dot);
  return stem + "-" + std::to_string(n) + ".html";
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Many reports: a line each, as they are read; the index page at the end.
int RunBatch(const Options& options, const std::vector<std::string>& files, std::FILE* out,
             std::FILE* err) {
  int status = kExitClean;
  std::vector<analysis::BatchLine> lines;
  for (std::size_t n = 0; n < files.size(); ++n) {
    const std::string& path = files[n];
    LoadProblem problem;
    const std::unique_ptr<LoadedReport> loaded = LoadReport(path, problem);
    analysis::BatchLine line;
    if (loaded) {
      PrintAlteration(err, path, *loaded, options.language);
      const analysis::ReadView view = loaded->View(path, options.language);
      line = analysis::BatchLineOf(view, StatusOf(*loaded));
      if (options.html) {
        const std::string page = PagePath(*options.html, n + 1);
        if (WritePage(page, PageOf(view), options.language, err)) {
          line.page = FileName(page);
        } else {
          line.status = kExitBadInput;
        }
      }
    } else {
      line.fileName = path;
      line.status = kExitBadInput;
      line.problem = problem.de;
      line.problemEn = problem.en;
    }
    Print(out, options.json ? analysis::RenderBatchJson(line)
                            : analysis::RenderBatchText(line, options.language));
    std::fflush(out);
    status = std::max(status, line.status);
    lines.push_back(std::move(line));
  }
  const auto index = [&](analysis::Output& page) {
    page += analysis::RenderBatchIndex(lines, options.language);
  };
  if (options.html && !WritePage(*options.html, index, options.language, err)) {
    return kExitBadInput;
  }
  return status;
}

int RunDiff(const Options& options, std::FILE* out, std::FILE* err) {
  LoadProblem oldProblem;
  LoadProblem newProblem;
  const std::unique_ptr<LoadedReport> before = LoadReport(options.files[0], oldProblem);
  const std::unique_ptr<LoadedReport> after = LoadReport(options.files[1], newProblem);
  if (!before) PrintProblem(err, options.files[0], oldProblem.In(options.language));
  if (!after) PrintProblem(err, options.files[1], newProblem.In(options.language));
  if (!before || !after) return kExitBadInput;
  PrintAlteration(err, options.files[0], *before, options.language);
  PrintAlteration(err, options.files[1], *after, options.language);
  const analysis::ReportDiff diff =
      analysis::DiffReports(*before->facts, before->findings, *after->facts, after->findings);
  const analysis::DiffView view{
      options.files[0], options.files[1], before->report, after->report, diff, options.language};
  Print(out, options.json ? analysis::RenderDiffJson(view) : analysis::RenderDiffText(view));
  const auto page = [&](analysis::Output& html) { html += analysis::RenderDiffHtml(view); };
  if (options.html && !WritePage(*options.html, page, options.language, err)) {
    return kExitBadInput;
  }
  if (before->Altered() || after->Altered()) return kExitBadInput;
  return diff.changes.empty() ? kExitClean : kExitFound;
}

}  // namespace

bool IsReportCommand(const std::vector<std::string>& arguments) {
  return !arguments.empty() && (arguments[0] == "read" || arguments[0] == "diff");
}

int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  if (!IsReportCommand(arguments)) {
    Print(err, Usage());
    return kExitBadInput;
  }
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
    Print(out, Usage());
    return kExitClean;
  }
  Options options;
  if (!ParseOptions(arguments, options, err)) return kExitBadInput;
  if (arguments[0] == "diff") return RunDiff(options, out, err);
  bool several = false;
  const std::vector<std::string> files = ReportFiles(options.files, several);
  if (!several) return RunRead(options, out, err);
  return RunBatch(options, files, out, err);
}

}  // namespace kdx
