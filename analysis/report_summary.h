#pragma once

#include <string>
#include <vector>

#include "analysis/report_facts.h"
#include "analysis/report_reader.h"

namespace kdx::analysis {

/// The PC at a glance: what a technician asks first.
struct PcSummary {
  std::string windows;
  std::string computer;
  std::string user;
  std::vector<LabelSoftwareFact> labelSoftware;
  std::vector<PrinterFact> printers;
  std::vector<ServiceFact> services;
};

PcSummary Summarise(const Report& report);

}  // namespace kdx::analysis
