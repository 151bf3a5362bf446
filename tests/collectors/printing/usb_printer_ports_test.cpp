#include "collectors/printing/usb_printer_ports.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/errors.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

constexpr char kClassKey[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
    "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::string Dword(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "dword:%08x", number);
  return text;
}

/// The registry lines of a USB printer interface named name on port number, linked or not,
/// with its device below Enum\USB\<name>.
std::string Interface(const std::string& name, int number, const std::string& linked = "1") {
  const std::string key = std::string(kClassKey) + "\\" + name;
  return key + "]\r\n\"DeviceInstance\"=\"USB\\\\" + name + "\"\r\n" + key +
         "\\#]\r\n\"SymbolicLink\"=\"link-" + name + "\"\r\n" + key +
         "\\#\\Control]\r\n\"Linked\"=dword:0000000" + linked + "\r\n" + key +
         "\\#\\Device Parameters]\r\n\"Base Name\"=\"USB\"\r\n\"Port Number\"=" + Dword(number) +
         "\r\n\"Client Device Name\"=\"Drucker " + name + "\"\r\n\"Port Description\"=\"USB-" +
         name + "\"\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\" + name +
         "]\r\n\"LocationInformation\"=\"Ort " + name +
         "\"\r\n\"Class\"=\"USB\"\r\n\"ClassGUID\"=\"{36FC}\"\r\n\"DeviceDesc\"=\"Desc " + name +
         "\"\r\n\"Service\"=\"usbprint\"\r\n";
}

/// The rows of one linked interface, as the collector writes them.
Rows RowsOf(const std::string& name, const std::string& port, int number) {
  return Rows{"Ort " + name + "\t",
              "\tPort Number: " + std::to_string(number),
              "\tClass: USB",
              "\t" + port,
              "\tClassGUID: {36FC}",
              "\tDeviceDesc: Desc " + name,
              "\tService: usbprint",
              "\tClient Device Name: Drucker " + name,
              "\tPort Description: USB-" + name,
              "\tUSB\\" + name,
              "\tlink-" + name};
}

Rows Concat(std::initializer_list<Rows> parts) {
  Rows all;
  for (const Rows& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The registry's last interface comes first; one that is not linked, or has no control key,
// is left out. Port numbers get three digits at least.
TEST(CollectUsbPrinterPorts, LinkedInterfacesLastToFirst) {
  CollectorRun run(XpJsonWith(""), Interface("A", 1) + Interface("B", 12, "0") +
                                       Interface("C", 12) + std::string(kClassKey) +
                                       "\\D]\r\n\"DeviceInstance\"=\"USB\\\\D\"\r\n" +
                                       Interface("E", 1000));
  CollectUsbPrinterPorts(run.context);
  EXPECT_EQ(run.Rows(), Concat({{"\t", "USB Drucker:\t"},
                                RowsOf("E", "USB1000:", 1000),
                                RowsOf("C", "USB012:", 12),
                                RowsOf("A", "USB001:", 1),
                                {"\t"}}));
  EXPECT_EQ(run.context.statusLog, (Rows{"USB Drucker"}));
}

TEST(CollectUsbPrinterPorts, NoInterfaceClassKey) {
  CollectorRun run(XpJsonWith(""));
  CollectUsbPrinterPorts(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"\t", "USB Drucker:\t", "\t"}));
}

// A port without "Port Number" ends the list with a row naming the failure, before its closing
// row; the run goes on.
TEST(CollectUsbPrinterPorts, RegistryFailureEndsTheListWithItsErrorRow) {
  std::string broken = Interface("B", 2);
  broken.erase(broken.find("\"Port Number\""),
               broken.find("\"Client Device") - broken.find("\"Port Number\""));
  CollectorRun run(XpJsonWith(""), Interface("A", 1) + broken);
  CollectUsbPrinterPorts(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"\t", "USB Drucker:\t",
                              "ERROR\tFehler beim Holen der Daten f\xFCr 'Port Number'", "\t"}));
}

}  // namespace
}  // namespace kdx
