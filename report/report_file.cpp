#include "report/report_file.h"

#include <array>
#include <cstdio>
#include <optional>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/system_error_text.h"
#include "report/consistency_checks.h"
#include "report/file_list_writer.h"
#include "report/registry_export.h"
#include "report/report_writer.h"

namespace kdx {

namespace {

constexpr char kShellFoldersKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kFirstLine[] = "[KDXINFO2.9.2]";
constexpr char kCompleteEnd[] = "END OF KDXINFO";
constexpr char kAbnormalEnd[] = "ABNORMAL END OF KDXINFO";
constexpr std::size_t kReadChunk = 1 << 16;

std::string DesktopFolder(RegistryStore& store) {
  TRegistry registry(store);
  registry.SelectRoot(kHKeyCurrentUser);
  if (!registry.OpenRead(kShellFoldersKey)) return {};
  return registry.ReadText("Desktop");
}

/// The Windows folder without trailing backslash followed by name ("\Faultlog.txt").
std::string WindowsFile(const RunContext& context, const char* name) {
  std::string folder = context.windowsDir;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + name;
}

/// "Datei <path> kann nicht <verb> werden. <system text>", as the file descriptions name a
/// file that does not open.
std::string LogFailureLine(RunContext& context, const std::string& path, const char* verb,
                           long error) {
  return "Datei " + path + " kann nicht " + verb + " werden. " +
         SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error));
}

/// Copies a log file's lines to sink; returns the line naming the failure when the file cannot
/// be opened or read to its end, empty when it was copied whole.
std::string CopyLogLines(RunContext& context, const std::string& path,
                         const LogLineSplitter::LineSink& sink) {
  std::unique_ptr<InputFile> file;
  if (const long error = context.platform.Files().OpenInputFile(path, file);
      error != kErrorSuccess) {
    return LogFailureLine(context, path, "geöffnet", error);
  }
  LogLineSplitter splitter(sink);
  std::array<char, kReadChunk> chunk{};
  while (!splitter.Ended()) {
    std::size_t count = 0;
    if (const long error = file->Read(chunk.data(), chunk.size(), count); error != kErrorSuccess) {
      splitter.Finish();
      return LogFailureLine(context, path, "gelesen", error);
    }
    if (count == 0) break;
    splitter.Feed(std::string_view(chunk.data(), count));
  }
  splitter.Finish();
  return {};
}

/// Writes a log file's block when it exists; returns whether it did. A log file another
/// program holds, or one the user may not read, gives its heading and a line naming the
/// failure: the rest of the report matters more than one log.
bool WriteLogFile(RunContext& context, ReportWriter& writer, const char* relativeName,
                  const char* heading, bool convertDpinst) {
  const std::string path = WindowsFile(context, relativeName);
  if (!context.platform.Files().FileExists(path)) return false;
  writer.WriteReportLine(Ruler());
  writer.WriteReportLine("");
  writer.WriteReportLine(heading);
  const std::string failure = CopyLogLines(context, path, [&](std::string_view line) {
    writer.WriteReportLine(convertDpinst ? ConvertDpinstLine(line) : std::string(line));
  });
  if (!failure.empty()) writer.WriteReportLine(failure);
  return true;
}

void WriteTableLines(const RunContext& context, ReportWriter& writer) {
  const auto& rows = context.table.Rows();
  std::string line;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    line.assign(rows[i].key);
    line += '\t';
    line += rows[i].value;
    writer.WriteReportLine(line);
  }
}

void WriteReportBody(RunContext& context, ReportWriter& writer) {
  WriteTableLines(context, writer);
  WriteLogFile(context, writer, "\\KELMO\\kdxerror.log", "KdxError.log:", false);
  writer.WriteReportLine("");
  WriteLogFile(context, writer, "\\Faultlog.txt", "Faultlog.txt:", false);
  WriteLogFile(context, writer, "\\dpinst.log", "dpinst.log:", true);

  context.LogStatus("Registry");
  writer.WriteReportLine("");
  writer.WriteReportLine(Ruler());
  writer.WriteReportLine("");
  writer.WriteReportLine("REGEDIT4");
  writer.WriteReportLine("");
  ExportReportKeys(context, writer);
  writer.WriteReportLine("");
  writer.WriteReportLine("[REGEDIT END]");
  writer.WriteReportLine("");
  writer.WriteReportLine("[FILELIST]");
  WriteFileList(context.fileList, writer);
  writer.WriteReportLine("[FILELIST END]");
  writer.WriteReportLine("");
  WriteConsistencyChecks(context, writer);
  writer.WriteReportLine("");
  writer.WriteReportLine(kCompleteEnd);
}

/// Writes the report into the file, under protection: whatever fails, the file gets its
/// abnormal-end line (if it still takes one) and is closed before the error goes on.
void WriteReport(RunContext& context, ReportWriter& writer) {
  bool complete = false;
  try {
    WriteReportBody(context, writer);
    // Bring the bytes to the file before calling it complete: a full disk must still end
    // the report abnormally.
    writer.Flush();
    complete = true;
    writer.Close();
  } catch (...) {
    if (!complete) {
      try {
        writer.WriteReportLine(kAbnormalEnd);
        writer.Close();
      } catch (const KdxError&) {
        // The first error is the one to report.
      }
    }
    throw;
  }
}

}  // namespace

void LogLineSplitter::Feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (ended_) return;
    switch (c) {
      case '\n':
        sink_(line_);
        line_.clear();
        break;
      case '\r':
        break;  // ends nothing by itself; before LF it is part of the terminator
      case '\x1A':
        ended_ = true;
        break;
      default:
        line_.push_back(c);
    }
  }
}

void LogLineSplitter::Finish() {
  if (!line_.empty()) sink_(line_);
  line_.clear();
  ended_ = true;
}

std::string ConvertDpinstLine(std::string_view line) {
  std::string converted;
  if (line.empty()) return converted;
  converted.reserve(line.size());
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    if (line[i] != '\0') converted.push_back(line[i]);
  }
  return converted;
}

std::string FileNameTime(const SystemTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d_%02d_%02d_%02d_%02d_%02d", time.day % 100,
                time.month % 100, time.year % 100, time.hour % 100, time.minute % 100,
                time.second % 100);
  return text;
}

std::string ProposedFileName(const std::string& computerName, const SystemTime& time) {
  return "KDXINFO_" + computerName + "_" + FileNameTime(time) + ".txt";
}

bool Button2Click(RunContext& context) {
  const std::string initialFolder = DesktopFolder(context.platform.Registry());
  context.LogStatus("Dateiname");
  context.LogStatus("Datei speichern");
  const std::string proposed = ProposedFileName(context.computerName, context.runTime);
  const auto path = context.frontEnd.AskSavePath(proposed, initialFolder);
  if (!path) return false;

  std::unique_ptr<OutputFile> file;
  CheckFileCall(context.platform.Files().CreateOutputFile(*path, file));
  ReportWriter writer(std::move(file));
  // The first line reaches the file before the protected steps: a disk that refuses it
  // leaves no abnormal-end line behind a missing first line.
  writer.WriteReportLine(kFirstLine);
  writer.Flush();
  WriteReport(context, writer);
  return true;
}

}  // namespace kdx
