#include "collectors/printing/port_list.h"

#include <gtest/gtest.h>

#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

/// A machine whose spooler has these ports and fails its calls as enumPortsErrors says.
std::string SpoolerJson(const std::string& ports, const std::string& errors = "[]") {
  return XpJsonWith(R"("spooler": {"ports": )" + ports + R"(, "enumPortsErrors": )" + errors + "}");
}

// Name, monitor and description TAB-separated in the spooler's order; names cut to 255.
TEST(CollectPortList, OneRowPerPort) {
  const std::string longName(300, 'P');
  CollectorRun run(SpoolerJson(R"([{"name": "LPT1:", "monitor": "Local Port",
                                    "description": "Lokaler Anschluss"},
                                   {"name": ")" +
                               longName + R"(", "monitor": "M"}])"));
  CollectPortList(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"Druckeranschl\xFCsse:\t", "\tLPT1:\tLocal Port\tLokaler Anschluss",
                              "\t" + longName.substr(0, 255) + "\tM\t"}));
}

// A failure of either call leaves one "ERROR" row with the code and the system's text.
TEST(CollectPortList, FailedCallsGiveAnErrorRow) {
  const std::string ports = R"([{"name": "LPT1:"}])";
  CollectorRun first(SpoolerJson(ports, "[1722]"));
  CollectPortList(first.context);
  EXPECT_EQ(first.Rows(), (Rows{"Druckeranschl\xFCsse:\t",
                                "ERROR\t(1722: Der RPC-Server ist nicht verf\xFC"
                                "gbar) EnumPorts"}));
  CollectorRun second(SpoolerJson(ports, "[0, 5]"));
  CollectPortList(second.context);
  EXPECT_EQ(second.Rows().back(), "ERROR\t(5: Zugriff verweigert) EnumPorts");
}

// A spooler without ports answers the size query with success: the heading stands alone.
TEST(CollectPortList, NoPortsNoRows) {
  CollectorRun run(SpoolerJson("[]"));
  CollectPortList(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"Druckeranschl\xFCsse:\t"}));
}

}  // namespace
}  // namespace kdx
