#pragma once

#include <string>

#include "platform/errors.h"
#include "platform/formats/format_error.h"

namespace kdx {

/// A machine directory that cannot be loaded: the message names the file, the line (0 when
/// the fault is not on one line) and what was expected there.
class MachineError : public KdxError {
 public:
  MachineError(const std::string& file, int line, const std::string& what)
      : KdxError(line > 0 ? file + ":" + std::to_string(line) + ": " + what : file + ": " + what) {}
  /// A file of the directory that its format's reader refused.
  MachineError(const std::string& file, const FormatError& error)
      : MachineError(file, error.Line(), error.Expected()) {}
};

}  // namespace kdx
