#pragma once

// What winspool answers for ports and printers, held against every platform: the simulated
// machine on the host and under Wine, the Win32 layer under Wine. The fixture provides the
// local port "KDXTEST:" and a printer on it.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/spooler.h"
#include "support/sim_area_fixtures.h"

namespace kdx::test {

template <typename Fixture>
class SpoolerContract : public ::testing::Test {
 protected:
  PrintSpooler& Spooler() { return machine_.Spooler(); }

  static const PortInfo2* Find(const std::vector<PortInfo2>& ports, const std::string& name) {
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [&](const PortInfo2& port) { return port.portName == name; });
    return found == ports.end() ? nullptr : &*found;
  }

  Fixture machine_;
};

TYPED_TEST_SUITE_P(SpoolerContract);

// The size query, a buffer one byte short, then the list: the added port carries the local
// monitor as COM1 does.
TYPED_TEST_P(SpoolerContract, PortsAfterTheSizeQuery) {
  PrintSpooler& spooler = this->Spooler();
  std::vector<PortInfo2> ports;
  std::uint32_t needed = 0;
  ASSERT_EQ(spooler.EnumPortsA(0, needed, ports), kErrorInsufficientBuffer);
  ASSERT_GT(needed, 0u);
  std::uint32_t again = 0;
  EXPECT_EQ(spooler.EnumPortsA(needed - 1, again, ports), kErrorInsufficientBuffer);
  EXPECT_EQ(again, needed);
  ASSERT_EQ(spooler.EnumPortsA(needed, needed, ports), kErrorSuccess);
  const PortInfo2* added = this->Find(ports, kContractPort);
  const PortInfo2* com1 = this->Find(ports, "COM1:");
  ASSERT_TRUE(added && com1);
  EXPECT_FALSE(added->monitorName.empty());
  EXPECT_EQ(added->monitorName, com1->monitorName);
  EXPECT_EQ(added->description, com1->description);
}

// Level 4 names the printer; level 5 adds its port.
TYPED_TEST_P(SpoolerContract, PrintersAtLevelsFourAndFive) {
  std::vector<PrinterEntry> printers;
  ASSERT_EQ(this->Spooler().EnumPrintersA(kPrinterEnumLocal | kPrinterEnumConnections, 4, printers),
            kErrorSuccess);
  const auto named = [](const PrinterEntry& printer) {
    return printer.printerName == kContractPrinter;
  };
  auto found = std::find_if(printers.begin(), printers.end(), named);
  ASSERT_NE(found, printers.end());
  EXPECT_EQ(found->portName, "");
  ASSERT_EQ(this->Spooler().EnumPrintersA(kPrinterEnumLocal, 5, printers), kErrorSuccess);
  found = std::find_if(printers.begin(), printers.end(), named);
  ASSERT_NE(found, printers.end());
  EXPECT_EQ(found->portName, kContractPort);
}

REGISTER_TYPED_TEST_SUITE_P(SpoolerContract, PortsAfterTheSizeQuery, PrintersAtLevelsFourAndFive);

}  // namespace kdx::test
