#pragma once

#include <string>
#include <unordered_map>

namespace kdx {

/// Answers of the machine to questions the run asks again, as the machine gave them (each
/// scan and each tree walk asks whether its folder is one). The report may take the first
/// answer: nothing the run itself does changes them, and a change another program makes while
/// the run goes on may as well have come just before or just after it.
struct PlatformAnswers {
  /// Whether a path names a folder, by the path as asked.
  std::unordered_map<std::string, bool> folders;

  void Clear() { folders.clear(); }
};

}  // namespace kdx
