#include "app/console/console_front_end.h"

#include "app/instruction_texts.h"

namespace kdx {

namespace {

constexpr char kContinuePrompt[] = "Weiter mit Enter / Press Enter to continue: ";
constexpr char kSavePrompt[] =
    "Speichern unter (Ordner oder Datei; leer = Abbrechen) / Save as (folder or file; empty = "
    "cancel): ";

}  // namespace

std::string SavePathFor(const std::string& answer, const std::string& proposedName,
                        bool (*isFolder)(const std::string& path)) {
  if (!isFolder(answer)) return answer;
  if (answer.back() == '/' || answer.back() == '\\') return answer + proposedName;
  return answer + "/" + proposedName;
}

void ConsoleFrontEnd::Write(std::FILE* stream, const std::string& text) const {
  const std::string bytes = streams_.toTerminal(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void ConsoleFrontEnd::Print(std::FILE* stream, const std::string& text) const {
  Write(stream, text + "\n");
}

void ConsoleFrontEnd::ShowInstructions() {
  Print(streams_.out, kInstructionCaption);
  for (const char* line : kInstructionGerman) Print(streams_.out, line);
  for (const char* line : kInstructionEnglish) Print(streams_.out, line);
  if (options_.assumeYes) return;
  Write(streams_.out, kContinuePrompt);
  std::fflush(streams_.out);
  // End of input acknowledges as well: the run goes on whatever the answer.
  ReadAnswer();
}

void ConsoleFrontEnd::ShowStatus(const std::string& line) { Print(streams_.out, line); }

void ConsoleFrontEnd::ProcessMessages() { std::fflush(streams_.out); }

std::optional<std::string> ConsoleFrontEnd::ReadAnswer() {
  std::string answer;
  int c = 0;
  while ((c = std::fgetc(streams_.in)) != EOF && c != '\n') answer += static_cast<char>(c);
  if (c == EOF && answer.empty()) return std::nullopt;
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return streams_.fromTerminal(answer);
}

std::optional<std::string> ConsoleFrontEnd::AskSavePath(const std::string& proposedName,
                                                        const std::string& initialFolder) {
  if (options_.output) return SavePathFor(*options_.output, proposedName, streams_.isFolder);
  Print(streams_.out, "Dateiname / File name: " + proposedName);
  if (!initialFolder.empty()) Print(streams_.out, "Ordner / Folder: " + initialFolder);
  Write(streams_.out, kSavePrompt);
  std::fflush(streams_.out);
  const auto answer = ReadAnswer();
  if (!answer || answer->empty()) return std::nullopt;
  return SavePathFor(*answer, proposedName, streams_.isFolder);
}

void ConsoleFrontEnd::ShowError(const std::string& message) { Print(streams_.err, message); }

void ConsoleFrontEnd::ShowMessageBox(const std::string& text, const std::string& caption) {
  Print(streams_.err, caption + ": " + text);
}

}  // namespace kdx
