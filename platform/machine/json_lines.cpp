#include "platform/machine/json_lines.h"

#include <algorithm>

namespace kdx {

int LineOfOffset(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

namespace {

// A small scanner over valid JSON that follows the path one level at a time.
class PathFinder {
 public:
  explicit PathFinder(std::string_view text) : text_(text) {}

  std::size_t Find(const std::vector<std::string>& path) {
    // nlohmann accepts a UTF-8 signature before the document (Notepad writes one).
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    SkipSpace();
    std::size_t best = pos_;
    for (const auto& part : path) {
      if (!EnterMember(part)) break;
      best = pos_;
    }
    return best;
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
  }

  std::string ReadString() {
    std::string value;
    ++pos_;  // opening quote
    while (pos_ < text_.size() && text_[pos_] != '"') {
      if (text_[pos_] == '\\') ++pos_;
      if (pos_ < text_.size()) value.push_back(text_[pos_++]);
    }
    ++pos_;  // closing quote
    return value;
  }

  void SkipValue() {
    SkipSpace();
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (c == '"') {
      ReadString();
    } else if (c == '{' || c == '[') {
      int depth = 0;
      while (pos_ < text_.size()) {
        const char d = text_[pos_];
        if (d == '"') {
          ReadString();
          continue;
        }
        if (d == '{' || d == '[') ++depth;
        if (d == '}' || d == ']') --depth;
        ++pos_;
        if (depth == 0) return;
      }
    } else {
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '}' &&
             text_[pos_] != ']') {
        ++pos_;
      }
    }
  }

  // Moves to the start of the member's value (or its name); false when it is not there.
  bool EnterMember(const std::string& part) {
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    const char open = text_[pos_];
    if (open != '{' && open != '[') return false;
    ++pos_;
    for (std::size_t index = 0;; ++index) {
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_] == '}' || text_[pos_] == ']') return false;
      bool match = false;
      if (open == '{') {
        match = ReadString() == part;
        SkipSpace();
        ++pos_;  // colon
      } else {
        match = std::to_string(index) == part;
      }
      SkipSpace();
      if (match) return true;
      SkipValue();
      SkipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

int LineOfJsonMember(std::string_view text, const std::vector<std::string>& path) {
  PathFinder finder(text);
  return LineOfOffset(text, finder.Find(path));
}

}  // namespace kdx
