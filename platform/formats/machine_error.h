#pragma once

#include <string>

#include "platform/errors.h"

namespace kdx {

/// A machine directory that cannot be loaded: the message names the file, the line (0 when
/// the fault is not on one line) and what was expected there.
class MachineError : public KdxError {
 public:
  MachineError(const std::string& file, int line, const std::string& what)
      : KdxError(line > 0 ? file + ":" + std::to_string(line) + ": " + what : file + ": " + what) {}
};

}  // namespace kdx
