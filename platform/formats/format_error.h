#pragma once

#include <string>

#include "platform/errors.h"

namespace kdx {

/// Bytes that a reader of a Windows format cannot take: the line of the fault (0 when it is
/// not on one line) and what was expected there ("expected ..."). The reader knows no file
/// name; whoever read the bytes from a file names it.
class FormatError : public KdxError {
 public:
  FormatError(int line, const std::string& expected)
      : KdxError(line > 0 ? "line " + std::to_string(line) + ": " + expected : expected),
        line_(line),
        expected_(expected) {}

  int Line() const { return line_; }
  const std::string& Expected() const { return expected_; }

 private:
  int line_;
  std::string expected_;
};

}  // namespace kdx
