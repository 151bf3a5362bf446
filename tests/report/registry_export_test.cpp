#include "report/registry_export.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/registry_roots.h"
#include "report/registry_export_contract.h"
#include "report/report_writer.h"
#include "support/memory_file.h"
#include "support/test_machine.h"

namespace kdx {

namespace test {
// What every platform must export alike, on the simulated store.
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, RegistryExportContract, SimRegistryFixture, PlatformName);
}  // namespace test

namespace {

using Lines = std::vector<std::string>;
using test::RecordingFrontEnd;
using test::TestMachine;

/// Exports keys of a machine whose registry is the given REGEDIT4 body.
class Export {
 public:
  explicit Export(const std::string& regBody, const std::string& environment = "") {
    std::string json = test::kMinimalXpJson;
    if (!environment.empty()) {
      const std::string member =
          R"("environment": {"SESSIONNAME": "Console", "SystemRoot": "C:\\WINDOWS"})";
      json.replace(json.find(member), member.size(), environment);
    }
    machine_.SetJson(json);
    machine_.AddReg("t.reg", "REGEDIT4\n\n" + regBody);
    platform_ = machine_.Load();
    context_ = std::make_unique<RunContext>(*platform_, ui_);
    writer_ = std::make_unique<ReportWriter>(std::make_unique<test::MemoryFile>(bytes_));
  }

  Lines Key(RegKey root, const std::string& path, const std::string& filter = "") {
    ExportRegistryKey(*context_, *writer_, root, path, filter);
    return Written();
  }

  Lines Written() {
    writer_->Flush();
    Lines lines = test::ReportLines(bytes_);
    bytes_.clear();
    return lines;
  }

  RunContext& Context() { return *context_; }
  ReportWriter& Writer() { return *writer_; }
  const RecordingFrontEnd& Ui() const { return ui_; }

 private:
  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
  RecordingFrontEnd ui_;
  std::unique_ptr<RunContext> context_;
  std::string bytes_;
  std::unique_ptr<ReportWriter> writer_;
};

const char kKey[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n";

TEST(RegistryExport, ValueLinesOfEveryKind) {
  Export e(std::string(kKey) +
           "\"Port\"=\"USB001\"\n"
           "\"Path\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,73,79,73,74,65,6d,33,32,00\n"
           "\"Start\"=dword:00000002\n"
           "\"Data\"=hex:0a,ff,00\n"
           "\"List\"=hex(7):61,62,00,63,00,00\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
            (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"Port\"=\"USB001\"",
                   "\"Path\"=\"%SystemRoot%\\system32\"", "; C:\\WINDOWS\\system32",
                   "\"Start\"=dword:00000002", "\"Data\"=hex:0A,FF,00",
                   "\"List\"=hex:61,62,00,63,00,00", "; ab | c |  | "}));
}

TEST(RegistryExport, IntegersAsEightUpperCaseHexDigits) {
  Export e(std::string(kKey) +
           "\"a\"=dword:00000002\n\"b\"=dword:ffffffff\n\"c\"=dword:000000ff\n"
           "\"d\"=dword:0\n\"short\"=hex(4):05,01\n");
  EXPECT_EQ(
      e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
      (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"a\"=dword:00000002", "\"b\"=dword:FFFFFFFF",
             "\"c\"=dword:000000FF", "\"d\"=dword:00000000", "\"short\"=dword:00000105"}));
}

TEST(RegistryExport, TextsAreWrittenUnescaped) {
  Export e(std::string(kKey) +
           "@=\"default\"\n"
           "\"Dir\"=\"C:\\\\Program Files\"\n"
           "\"Quote\"=\"say \\\"hi\\\"\"\n"
           "\"Empty\"=\"\"\n"
           "\"back\\\\slash\"=\"x\"\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
            (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"\"=\"default\"",
                   "\"Dir\"=\"C:\\Program Files\"", "\"Quote\"=\"say \"hi\"\"", "\"Empty\"=\"\"",
                   "\"back\\slash\"=\"x\""}));
}

TEST(RegistryExport, ExpandStringWhoseExpansionFailsGivesOneLine) {
  // Unknown names stay as written, which is still a successful expansion.
  Export e(std::string(kKey) + "\"P\"=hex(2):25,4e,4f,50,45,25,00\n\"E\"=hex(2):00\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
            (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"P\"=\"%NOPE%\"", "; %NOPE%",
                   "\"E\"=\"\"", "; "}));
}

TEST(RegistryExport, UnknownKindsAsHexWithCharacterView) {
  Export e(std::string(kKey) +
           "\"lead\"=hex(7):00,61,00,00\n"
           "\"none\"=hex(0):\n"
           "\"q\"=hex(b):01,00,00,00,00,00,00,00\n"
           "\"odd\"=hex(abcd):41,0d,42\n"
           "\"bin\"=hex:\n");
  EXPECT_EQ(
      e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
      (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"lead\"=hex:00,61,00,00", "; | a |  | ",
             "\"none\"=hex:", "", "\"q\"=hex:01,00,00,00,00,00,00,00",
             "; \x01 |  |  |  |  |  |  | ", "\"odd\"=hex:41,0D,42", "; A\rB", "\"bin\"=hex:"}));
}

TEST(RegistryExport, SubkeysDepthFirstInStoreOrder) {
  Export e(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\b]\n\"v\"=\"1\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\A\\deep\\deeper]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\10]\n");
  EXPECT_EQ(
      e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"),
      (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\10]",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\A]", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\A\\deep]",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\A\\deep\\deeper]",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\b]", "\"v\"=\"1\""}));
}

TEST(RegistryExport, HeaderKeepsThePathAsPassed) {
  Export e(
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\n"
      "\"x\"=\"y\"\n");
  EXPECT_EQ(e.Key(kHKeyCurrentUser, "\\SOFTWARE\\microsoft\\Windows NT\\CurrentVersion\\Devices"),
            (Lines{"[HKEY_CURRENT_USER\\SOFTWARE\\microsoft\\Windows NT\\CurrentVersion\\Devices]",
                   "\"x\"=\"y\""}));
  // A trailing backslash opens the key; the subkey paths then hold a double backslash in
  // their headers, and open all the same.
  EXPECT_EQ(
      e.Key(kHKeyCurrentUser, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\"),
      (Lines{"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\]",
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\\\Devices]",
             "\"x\"=\"y\""}));
  EXPECT_EQ(e.Key(kHKeyCurrentUser, "\\Software\\Microsoft\\\\"), Lines{});
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\Missing"), Lines{});
}

TEST(RegistryExport, RootNames) {
  EXPECT_EQ(RootKeyName(kHKeyLocalMachine), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootKeyName(kHKeyCurrentConfig), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(RootKeyName(kHKeyCurrentUser), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(kHKeyClassesRoot), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(RootKeyName(kHKeyUsers), "HKEY_USERS");
  EXPECT_EQ(RootKeyName(0x80000004), "");
}

TEST(RegistryExport, FilterAppliesToDirectSubkeysOnly) {
  Export e(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP]\n\"own\"=\"kept\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\kdxprint.exe\\Other]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\KDX5.EXE]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\Other.exe]\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\AP", "KDX"),
            (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP]", "\"own\"=\"kept\"",
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\KDX5.EXE]",
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\kdxprint.exe]",
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\AP\\kdxprint.exe\\Other]"}));
}

// The printer class key, as the Driver detour names it and as the export table names it.
constexpr char kPrinterClassDetour[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{4D36E979-E325-11CE-BFC1-08002BE10318}";
constexpr char kPrinterClassTable[] =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\"
    "{4D36E979-E325-11CE-BFC1-08002BE10318}]";

const char kClassKeys[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-"
    "08002BE10318}\\0001]\n\"DriverDesc\"=\"KD\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-"
    "08002BE10318}\\0001\\Sub]\n";

TEST(RegistryExport, DriverValueExportsItsClassKeyBeforeSubkeys) {
  Export e(std::string(kClassKeys) +
           "[HKEY_LOCAL_MACHINE\\Enum\\D]\n"
           "\"Driver\"=\"{4D36E979-E325-11CE-BFC1-08002BE10318}\\\\0001\"\n\"After\"=\"a\"\n"
           "[HKEY_LOCAL_MACHINE\\Enum\\D\\Child]\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\Enum\\D"),
            (Lines{"[HKEY_LOCAL_MACHINE\\Enum\\D]",
                   "\"Driver\"=\"{4D36E979-E325-11CE-BFC1-08002BE10318}\\0001\"", "\"After\"=\"a\"",
                   std::string(kPrinterClassDetour) + "\\0001]", "\"DriverDesc\"=\"KD\"",
                   std::string(kPrinterClassDetour) + "\\0001\\Sub]",
                   "[HKEY_LOCAL_MACHINE\\Enum\\D\\Child]"}));
}

TEST(RegistryExport, DriverNeedsExactNameAndABackslash) {
  Export e(std::string(kClassKeys) +
           "[HKEY_LOCAL_MACHINE\\Enum\\D]\n"
           "\"driver\"=\"{4D36E979-E325-11CE-BFC1-08002BE10318}\\\\0001\"\n"
           "[HKEY_LOCAL_MACHINE\\Enum\\E]\n\"Driver\"=\"usbprint.sys\"\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\Enum\\D").size(), 2u);
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\Enum\\E").size(), 2u);
}

TEST(RegistryExport, DriverChainBackIntoAKeyBeingExportedIsNotFollowedAgain) {
  // The class key names itself as its driver, and its subkey names the class key.
  Export e(
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\L\\0]\n"
      "\"Driver\"=\"L\\\\0\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\L\\0\\S]\n"
      "\"Driver\"=\"l\\\\0\"\n");
  EXPECT_EQ(e.Key(kHKeyLocalMachine, "\\System\\CurrentControlSet\\Control\\Class\\L\\0"),
            (Lines{"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\L\\0]",
                   "\"Driver\"=\"L\\0\"",
                   "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\L\\0\\S]",
                   "\"Driver\"=\"l\\0\""}));
}

TEST(RegistryExport, LetsMessagesRunOncePerValue) {
  Export e(std::string(kKey) + "\"a\"=\"1\"\n\"b\"=dword:1\n\"c\"=hex:\n");
  const int before = e.Ui().messagePumps;
  e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T");
  EXPECT_EQ(e.Ui().messagePumps - before, 3);
}

std::string HexBytes(std::size_t count) {
  std::string hex;
  for (std::size_t i = 0; i < count; ++i) hex += i == 0 ? "41" : ",41";
  return hex;
}

TEST(RegistryExport, ValuesBeyondTheBufferEndTheExport) {
  Export big(std::string(kKey) + "\"ok\"=\"1\"\n\"big\"=hex(7):" + HexBytes(64001) + "\n");
  EXPECT_THROW(big.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"), ERangeError);
  // The lines before the failing value stay; none of its own is written.
  EXPECT_EQ(big.Written(), (Lines{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]", "\"ok\"=\"1\""}));

  Export bin(std::string(kKey) + "\"big\"=hex:" + HexBytes(64001) + "\n");
  try {
    bin.Key(kHKeyLocalMachine, "\\SOFTWARE\\T");
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Ung\xFCltiger Datentyp f\xFCr 'big'");
  }

  // Exactly the buffer's size still fits.
  Export fits(std::string(kKey) + "\"big\"=hex(7):" + HexBytes(64000) + "\n");
  EXPECT_EQ(fits.Key(kHKeyLocalMachine, "\\SOFTWARE\\T").size(), 3u);
}

TEST(RegistryExport, DriverOfNonStringKindEndsTheExport) {
  Export e(std::string(kKey) + "\"Driver\"=dword:00000001\n");
  EXPECT_THROW(e.Key(kHKeyLocalMachine, "\\SOFTWARE\\T"), ERegistryException);
}

TEST(RegistryExport, ReportKeysInTableOrderWithTheCommentAfterTheFirst) {
  Export e(
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions]\n"
      "\"ProductType\"=\"WinNT\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-"
      "BFC1-08002BE10318}]\n"
      "[HKEY_USERS\\.DEFAULT\\Software\\Vedav Soft]\n[HKEY_USERS\\.DEFAULT\\Software\\Other]\n");
  ExportReportKeys(e.Context(), e.Writer());
  // The printer class stands twice; the filtered .DEFAULT\Software keeps only Vedav.
  EXPECT_EQ(e.Written(),
            (Lines{"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions]",
                   "\"ProductType\"=\"WinNT\"", ";  Driver Signing: 0:ignore; 1:ask; 2:deny",
                   kPrinterClassTable, kPrinterClassTable, "[HKEY_USERS\\.DEFAULT\\Software]",
                   "[HKEY_USERS\\.DEFAULT\\Software\\Vedav Soft]"}));
}

}  // namespace
}  // namespace kdx
