#include "platform/upcase.h"

namespace kdx {

std::string UpcaseAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpcaseAsciiChar(c);
  return out;
}

std::string UpcaseAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpcaseAnsiChar(c);
  return out;
}

}  // namespace kdx
