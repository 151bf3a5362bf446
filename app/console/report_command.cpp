#include "app/console/report_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "analysis/findings.h"
#include "analysis/render.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_reader.h"

namespace kdx {
namespace {

using analysis::DecodedReport;
using analysis::ReportEncoding;

constexpr int kExitClean = 0;
constexpr int kExitFound = 1;
constexpr int kExitBadInput = 2;

constexpr char kUsage[] =
    "usage: kdxinfo read REPORT [--json] [--html FILE]\n"
    "       kdxinfo diff OLD NEW [--json] [--html FILE]\n"
    "read: the findings of a report, most severe first, then a summary of the PC.\n"
    "diff: what changed between two reports of one PC.\n"
    "--json prints JSON instead of text; --html FILE also writes a self-contained page.\n"
    "Exit status: 0 no error finding (read) or no change (diff), 1 otherwise,\n"
    "2 a file that is not a report, or a usage error.\n";

struct Options {
  std::vector<std::string> files;
  bool json = false;
  std::optional<std::string> html;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void Print(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::FILE* err) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--json") {
      options.json = true;
    } else if (argument == "--html") {
      if (i + 1 == arguments.size()) {
        Print(err, std::string("kdxinfo: --html needs the page's file name\n") + kUsage);
        return false;
      }
      options.html = arguments[++i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      Print(err, "kdxinfo: unknown option " + argument + "\n" + kUsage);
      return false;
    } else {
      options.files.push_back(argument);
    }
  }
  const std::size_t wanted = arguments[0] == "read" ? 1 : 2;
  if (options.files.size() != wanted) {
    Print(err, kUsage);
    return false;
  }
  return true;
}

// A report file's bytes with the reason it cannot be read, when it cannot.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? std::string("no such file")
                           : std::string("cannot be read: ") + std::strerror(errno);
  }
  if ((info.st_mode & S_IFMT) == S_IFDIR) return std::string("is a folder, not a report file");
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::string("cannot be opened: ") + std::strerror(errno);
  if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get()) != 0) return std::string("cannot be read");
  return std::nullopt;
}

// A report loaded for reading: its Windows-1252 text and the report read from it. The report
// holds views into the text, so both live together.
struct LoadedReport {
  DecodedReport decoded;
  analysis::Report report;
  bool otherEncoding = false;
};

std::unique_ptr<LoadedReport> LoadReport(const std::string& path, std::FILE* err) {
  std::string bytes;
  if (const auto problem = ReadWholeFile(path, bytes)) {
    Print(err, "kdxinfo: " + path + ": " + *problem + "\n");
    return nullptr;
  }
  if (bytes.empty()) {
    Print(err, "kdxinfo: " + path + ": the file is empty, not a report\n");
    return nullptr;
  }
  auto loaded = std::make_unique<LoadedReport>();
  loaded->decoded = analysis::DecodeReport(std::move(bytes));
  loaded->report = analysis::ReadReport(loaded->decoded.bytes);
  if (loaded->report.marker.empty()) {
    Print(err, "kdxinfo: " + path +
                   ": not a KDXInfo report (its first line is not a marker such as "
                   "[KDXINFO2.9.2])\n");
    return nullptr;
  }
  const ReportEncoding encoding = loaded->decoded.encoding;
  if (encoding != ReportEncoding::Ansi) {
    loaded->otherEncoding = true;
    const std::string name(analysis::EncodingName(encoding));
    if (!loaded->decoded.lossless) {
      Print(err, "kdxinfo: " + path + ": saved as " + name +
                     ", not as the Windows-1252 text kdxinfo writes, and it holds characters "
                     "Windows-1252 cannot: not read\n");
      return nullptr;
    }
    Print(err, "kdxinfo: " + path + ": saved as " + name +
                   ", not as the Windows-1252 text kdxinfo writes (re-saved by an editor?); "
                   "read after converting it back, line numbers are those of the file\n");
  }
  return loaded;
}

bool WriteHtml(const std::string& path, const std::string& page, std::FILE* err) {
  const File file(std::fopen(path.c_str(), "wb"));
  if (!file || std::fwrite(page.data(), 1, page.size(), file.get()) != page.size()) {
    Print(err, "kdxinfo: " + path + ": cannot be written: " + std::strerror(errno) + "\n");
    return false;
  }
  return true;
}

int RunRead(const Options& options, std::FILE* out, std::FILE* err) {
  const std::string& path = options.files[0];
  const std::unique_ptr<LoadedReport> loaded = LoadReport(path, err);
  if (!loaded) return kExitBadInput;
  const std::vector<analysis::Finding> findings = analysis::FindFindings(loaded->report);
  const analysis::ReadView view{path, loaded->decoded.encoding, loaded->report, findings};
  Print(out, options.json ? analysis::RenderReadJson(view) : analysis::RenderReadText(view));
  if (options.html && !WriteHtml(*options.html, analysis::RenderReadHtml(view), err)) {
    return kExitBadInput;
  }
  if (loaded->otherEncoding) return kExitBadInput;
  const bool error = std::any_of(findings.begin(), findings.end(), [](const auto& finding) {
    return finding.severity == analysis::Severity::Error;
  });
  return error ? kExitFound : kExitClean;
}

int RunDiff(const Options& options, std::FILE* out, std::FILE* err) {
  const std::unique_ptr<LoadedReport> before = LoadReport(options.files[0], err);
  const std::unique_ptr<LoadedReport> after = LoadReport(options.files[1], err);
  if (!before || !after) return kExitBadInput;
  const std::vector<analysis::Change> changes =
      analysis::DiffReports(before->report, after->report);
  const analysis::DiffView view{options.files[0], options.files[1], changes};
  Print(out, options.json ? analysis::RenderDiffJson(view) : analysis::RenderDiffText(view));
  if (options.html && !WriteHtml(*options.html, analysis::RenderDiffHtml(view), err)) {
    return kExitBadInput;
  }
  if (before->otherEncoding || after->otherEncoding) return kExitBadInput;
  return changes.empty() ? kExitClean : kExitFound;
}

}  // namespace

bool IsReportCommand(const std::vector<std::string>& arguments) {
  return !arguments.empty() && (arguments[0] == "read" || arguments[0] == "diff");
}

int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  if (!IsReportCommand(arguments)) {
    Print(err, kUsage);
    return kExitBadInput;
  }
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
    Print(out, kUsage);
    return kExitClean;
  }
  Options options;
  if (!ParseOptions(arguments, options, err)) return kExitBadInput;
  return arguments[0] == "read" ? RunRead(options, out, err) : RunDiff(options, out, err);
}

}  // namespace kdx
