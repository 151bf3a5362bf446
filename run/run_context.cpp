#include "run/run_context.h"

namespace kdx {

void RunContext::LogStatus(const std::string& line) {
  statusLog.push_back(line);
  frontEnd.ShowStatus(line);
  frontEnd.ProcessMessages();
}

}  // namespace kdx
