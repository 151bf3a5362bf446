#include "platform/system_error_text.h"

namespace kdx {

std::string SystemErrorText(SystemFacts& system, std::uint32_t code) {
  std::string text = system.FormatMessageA(code);
  while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) < 33)) {
    text.pop_back();
  }
  return text;
}

}  // namespace kdx
