#pragma once

#include <optional>
#include <string>

namespace kdx {

/// What the run needs of the user interface: the windowed program and the console program
/// each implement it.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  /// Shows the instruction texts and returns once the user acknowledged or closed them.
  virtual void ShowInstructions() = 0;
  /// Shows a new status line, newest visible, and switches to the busy cursor.
  virtual void ShowStatus(const std::string& line) = 0;
  /// Lets pending window messages run (painting, timer ticks, user input).
  virtual void ProcessMessages() = 0;
  /// True once the user asked the program to end (closed the main window).
  virtual bool Terminated() const = 0;
  /// Offers the proposed file name in the initial folder (empty: the dialog's default);
  /// returns the chosen path, or nothing when the user cancels.
  virtual std::optional<std::string> AskSavePath(const std::string& proposedName,
                                                 const std::string& initialFolder) = 0;
  /// Shows the message of an error that ended the run.
  virtual void ShowError(const std::string& message) = 0;
  /// Shows a message of a collector with the error icon and returns once the user confirmed
  /// it; the run goes on afterwards.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;
};

}  // namespace kdx
