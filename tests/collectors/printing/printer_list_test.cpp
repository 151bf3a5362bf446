#include "collectors/printing/printer_list.h"

#include <gtest/gtest.h>

#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::Win98JsonWith;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

constexpr char kPrinters[] = R"("spooler": {"printers": [
    {"name": "Dexta KD-410", "port": "COM1:"},
    {"name": "Kopierer", "port": "LPT1:, \\\\SERVER\\K ,LPT2:"}]})";

TEST(SplitPortList, CommasSeparateBlanksBeforeAPortAreSkipped) {
  EXPECT_EQ(SplitPortList("COM1:"), (Rows{"COM1:"}));
  EXPECT_EQ(SplitPortList("LPT1:,  LPT2: ,FILE:"), (Rows{"LPT1:", "LPT2: ", "FILE:"}));
  EXPECT_EQ(SplitPortList("A,,B"), (Rows{"A", "", "B"}));
  EXPECT_EQ(SplitPortList(""), (Rows{""}));
}

// On NT the list holds the printers' names.
TEST(PlatformPrinterList, NamesOnNt) {
  CollectorRun run(XpJsonWith(kPrinters));
  EXPECT_EQ(PlatformPrinterList(run.context), (Rows{"Dexta KD-410", "Kopierer"}));
}

// On Windows 95 to ME each port of a printer gives "<printer> an <port>".
TEST(PlatformPrinterList, PrinterOnEachPortOnWindows9x) {
  CollectorRun run(Win98JsonWith(kPrinters));
  EXPECT_EQ(PlatformPrinterList(run.context),
            (Rows{"Dexta KD-410 an COM1:", "Kopierer an LPT1:", "Kopierer an \\\\SERVER\\K ",
                  "Kopierer an LPT2:"}));
}

// A spooler that cannot list its printers gives an empty list.
TEST(PlatformPrinterList, EmptyWhenTheSpoolerFails) {
  CollectorRun run(XpJsonWith(R"("spooler": {"enumPrintersError": 1722,
                                             "printers": [{"name": "P"}]})"));
  EXPECT_TRUE(PlatformPrinterList(run.context).empty());
}

}  // namespace
}  // namespace kdx
