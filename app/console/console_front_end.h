#pragma once

#include "app/console/console_program.h"
#include "run/front_end.h"

namespace kdx {

/// The front end of the console programs: instruction texts and status lines on the
/// terminal, the place to save asked for on standard input or given by --output.
class ConsoleFrontEnd : public FrontEnd {
 public:
  ConsoleFrontEnd(const ConsoleOptions& options, ConsoleStreams streams)
      : options_(options), streams_(streams) {}

  void ShowInstructions() override;
  void ShowStatus(const std::string& line) override;
  void ProcessMessages() override;
  bool Terminated() const override { return false; }
  std::optional<std::string> AskSavePath(const std::string& proposedName,
                                         const std::string& initialFolder) override;
  void ShowError(const std::string& message) override;
  /// On standard error, caption first; nobody has to confirm it.
  void ShowMessageBox(const std::string& text, const std::string& caption) override;

 private:
  void Write(std::FILE* stream, const std::string& text) const;
  void Print(std::FILE* stream, const std::string& text) const;
  std::optional<std::string> ReadAnswer();

  const ConsoleOptions& options_;
  ConsoleStreams streams_;
};

/// The report path for an answer: an existing folder gets the proposed name, anything else is
/// the file's path. Both and the result are Windows-1252 text.
std::string SavePathFor(const std::string& answer, const std::string& proposedName,
                        bool (*isFolder)(const std::string& path));

}  // namespace kdx
