#include "app/console/console_front_end.h"

#include <filesystem>
#include <istream>
#include <ostream>

#include "app/instruction_texts.h"
#include "platform/text_encoding.h"

namespace kdx {

namespace {

constexpr char kContinuePrompt[] = "Weiter mit Enter / Press Enter to continue: ";
constexpr char kSavePrompt[] =
    "Speichern unter (Ordner oder Datei; leer = Abbrechen) / Save as (folder or file; empty = "
    "cancel): ";

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::u8path(Cp1252ToUtf8(path)), ec);
}

}  // namespace

std::string SavePathFor(const std::string& answer, const std::string& proposedName) {
  if (!IsFolder(answer)) return answer;
  if (answer.back() == '/' || answer.back() == '\\') return answer + proposedName;
  return answer + "/" + proposedName;
}

void ConsoleFrontEnd::Print(std::ostream& stream, const std::string& text) const {
  stream << streams_.toTerminal(text) << '\n';
}

void ConsoleFrontEnd::ShowInstructions() {
  Print(streams_.out, kInstructionCaption);
  for (const char* line : kInstructionGerman) Print(streams_.out, line);
  for (const char* line : kInstructionEnglish) Print(streams_.out, line);
  if (options_.assumeYes) return;
  streams_.out << kContinuePrompt << std::flush;
  // End of input acknowledges as well: the run goes on whatever the answer.
  ReadAnswer();
}

void ConsoleFrontEnd::ShowStatus(const std::string& line) { Print(streams_.out, line); }

void ConsoleFrontEnd::ProcessMessages() { streams_.out.flush(); }

std::optional<std::string> ConsoleFrontEnd::ReadAnswer() {
  std::string answer;
  if (!std::getline(streams_.in, answer)) return std::nullopt;
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return Utf8ToCp1252(answer);
}

std::optional<std::string> ConsoleFrontEnd::AskSavePath(const std::string& proposedName,
                                                        const std::string& initialFolder) {
  if (options_.output) return SavePathFor(Utf8ToCp1252(*options_.output), proposedName);
  Print(streams_.out, "Dateiname / File name: " + proposedName);
  if (!initialFolder.empty()) Print(streams_.out, "Ordner / Folder: " + initialFolder);
  streams_.out << kSavePrompt << std::flush;
  const auto answer = ReadAnswer();
  if (!answer || answer->empty()) return std::nullopt;
  return SavePathFor(*answer, proposedName);
}

void ConsoleFrontEnd::ShowError(const std::string& message) { Print(streams_.err, message); }

void ConsoleFrontEnd::ShowMessageBox(const std::string& text, const std::string& caption) {
  Print(streams_.err, caption + ": " + text);
}

}  // namespace kdx
