#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/wow64_view.h"
#include "run/file_list.h"
#include "run/front_end.h"
#include "run/ini_file_reader.h"
#include "run/platform_answers.h"
#include "run/report_table.h"
#include "run/run_caches.h"

namespace kdx {

/// Run-wide number separators (German convention, whatever the system says).
struct NumberSeparators {
  char thousands = '.';
  char decimal = ',';
};

/// The state of the one report run, shared by the collectors and the report writer. It is the
/// program's only shared state.
struct RunContext {
  RunContext(Platform& platformIn, FrontEnd& frontEndIn)
      : platform(platformIn),
        frontEnd(frontEndIn),
        localeFormats(platformIn.System().GetLocaleFormats()),
        fileList(platformIn.System()) {}

  /// Appends a line to the status log and lets pending messages run.
  void LogStatus(const std::string& line);
  /// Lets pending messages run without a status line.
  void ProcessMessages() { frontEnd.ProcessMessages(); }
  void AddReportRow(std::string key, std::string value) {
    table.AddRow(std::move(key), std::move(value));
  }
  void AddSectionHeading(const std::string& heading) { table.AddSectionHeading(heading); }

  Platform& platform;
  FrontEnd& frontEnd;
  ReportTable table;
  std::vector<std::string> statusLog;
  NumberSeparators separators;
  LocaleFormats localeFormats;  ///< the user locale's date and time formats, read at start-up

  std::vector<std::string> installedPrinterNames;
  FileList fileList;
  /// What the machine answered that the run asks again.
  PlatformAnswers answers;
  /// What the steps keep for the run's length; it goes with fileList, which holds the files
  /// whose descriptions it keeps.
  RunCaches caches;
  bool monitorRunning = false;
  bool spoolerRunning = false;
  std::string windowsDir;  ///< with trailing "\" until the label software step, then without
  std::string systemDir;   ///< always with trailing "\"
  std::string commonFilesDir;
  OsVersionInfo versionInfo;
  bool isNT = false;
  std::string driverDir;  ///< with trailing "\"
  /// On a 64-bit Windows, which runs the program under WOW64: the print environment of its
  /// processor ("Windows x64") and that environment's driver folder (SystemDir +
  /// "spool\drivers\x64\"); both empty on 32-bit Windows.
  std::string nativeEnvironment;
  std::string nativeDriverDir;
  /// How WOW64 shows the 64-bit Windows to the program, so that the file list can name each
  /// file by the folder it lies in; nothing on 32-bit Windows.
  std::optional<Wow64View> wow64View;
  SystemTime runTime;
  std::string computerName;
  std::string v4Program;
  std::string v4AppDir;  ///< without trailing "\"
  std::string v5Program;
  std::string v5AppDir;  ///< without trailing "\"
  /// win.ini and system.ini of the Windows folder, for the steps from the INI dump to the
  /// program paths; nothing outside them.
  std::optional<IniFileReader> winIni;
  std::optional<IniFileReader> systemIni;
  /// The spooler's printer list, asked for once on first use (collectors/printing/printer_list).
  std::optional<std::vector<std::string>> platformPrinters;
  /// The spooler's error when it could not give that list; kErrorSuccess when it did.
  long platformPrintersError = 0;
};

}  // namespace kdx
