#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "run/run_context.h"

namespace kdx {

/// Proposes the report file's name and folder, asks where to save it and writes the whole
/// report. Returns false when the user cancelled (no file then). Errors after the first line
/// leave "ABNORMAL END OF KDXINFO" as the file's last line and go on to the caller.
bool Button2Click(RunContext& context);

/// RunTime as "dd_mm_yy_hh_nn_ss".
std::string FileNameTime(const SystemTime& time);

/// "KDXINFO_<computer>_<dd_mm_yy_hh_nn_ss>.txt".
std::string ProposedFileName(const std::string& computerName, const SystemTime& time);

/// Splits a log file's bytes into lines: LF or CR LF end a line, a lone CR is dropped, 0x1A
/// ends the file, a last line without terminator counts, a final terminator adds no line.
/// Feed chunks in order, then Finish().
class LogLineSplitter {
 public:
  using LineSink = std::function<void(std::string_view)>;
  explicit LogLineSplitter(LineSink sink) : sink_(std::move(sink)) {}
  void Feed(std::string_view bytes);
  void Finish();
  bool Ended() const { return ended_; }

 private:
  LineSink sink_;
  std::string line_;
  bool ended_ = false;
};

/// A dpinst.log line rebuilt without its NUL characters and without its last character.
std::string ConvertDpinstLine(std::string_view line);

}  // namespace kdx
