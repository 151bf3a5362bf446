#include "collectors/system/general_info.h"

#include <gtest/gtest.h>

#include "support/test_machine.h"

namespace kdx {
namespace {

using test::RecordingFrontEnd;
using test::TableLines;
using test::TestMachine;

OsVersionInfo Version(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                      const std::string& servicePack = "") {
  OsVersionInfo version;
  version.platformId = platformId;
  version.majorVersion = major;
  version.minorVersion = minor;
  version.servicePack = servicePack;
  return version;
}

std::string MachineJson(const std::string& version, const std::string& extra = "") {
  return R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\system32",
             "localTime": "2007-01-03 09:05:04", "version": )" +
         version + extra + "}";
}

/// Collects the general information of a machine and returns the table lines.
struct Collected {
  explicit Collected(const TestMachine& machine)
      : platform(machine.Load()), context(*platform, ui) {
    context.table.Reset();
    TRegistry registry(platform->Registry());
    registry.SelectRoot(kHKeyLocalMachine);
    completed = CollectGeneralInfo(context, registry);
  }
  std::unique_ptr<SimPlatform> platform;
  RecordingFrontEnd ui;
  RunContext context;
  bool completed = false;
};

TEST(WindowsVersionName, NtFamilyByMajorAndMinor) {
  EXPECT_EQ(WindowsVersionName(Version(2, 3, 51)), "Windows NT");
  EXPECT_EQ(WindowsVersionName(Version(2, 4, 0)), "Windows NT");
  EXPECT_EQ(WindowsVersionName(Version(2, 5, 0)), "Windows 2000");
  EXPECT_EQ(WindowsVersionName(Version(2, 5, 1)), "Windows XP");
  EXPECT_EQ(WindowsVersionName(Version(2, 5, 2)), "Windows Server 2003");
  EXPECT_EQ(WindowsVersionName(Version(2, 5, 3)), "NT based");
  EXPECT_EQ(WindowsVersionName(Version(2, 6, 0)), "Windows Vista");
  EXPECT_EQ(WindowsVersionName(Version(2, 6, 1)), "NT based");
  EXPECT_EQ(WindowsVersionName(Version(2, 7, 0)), "NT based");
}

TEST(WindowsVersionName, Windows95FamilyByMinorAndServicePack) {
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 0)), "Windows 95");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 10, "A")), "Windows 98 SE");
  // Lower case counts, blanks around it do not.
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 10, "a")), "Windows 98 SE");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 10, " A ")), "Windows 98");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 10, "B")), "Windows 98");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 10)), "Windows 98");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 90)), "Windows ME");
  EXPECT_EQ(WindowsVersionName(Version(1, 4, 3)), "Windows 95 based");
  // Win32s whatever the numbers.
  EXPECT_EQ(WindowsVersionName(Version(0, 5, 1)), "Win32s");
}

TEST(VersionRow, ShowsServicePackAndLow16BitsOfBuild) {
  OsVersionInfo xp = Version(2, 5, 1, "Service Pack 2");
  xp.buildNumber = 2600;
  EXPECT_EQ(VersionRowText("Windows XP", xp), "Windows XP 5.1 Service Pack 2 (2600)");
  // Without service pack text two blanks stand before the bracket.
  OsVersionInfo w2k = Version(2, 5, 0);
  w2k.buildNumber = 2195;
  EXPECT_EQ(VersionRowText("Windows 2000", w2k), "Windows 2000 5.0  (2195)");
  // Windows 98 SE repeats the version in the high 16 bits of the build number.
  OsVersionInfo se = Version(1, 4, 10, "A");
  se.buildNumber = 0x040A08AE;
  EXPECT_EQ(VersionRowText("Windows 98 SE", se), "Windows 98 SE 4.10 A (2222)");
}

TEST(DateAndTimeRows, DateWithoutLeadingZerosTimeWithTwoDigits) {
  SystemTime time;
  time.year = 2007;
  time.month = 1;
  time.day = 3;
  time.hour = 9;
  time.minute = 5;
  time.second = 4;
  EXPECT_EQ(DateRowText(time), "3.1.2007");
  EXPECT_EQ(TimeRowText(time), "09:05:04");
}

TEST(GeneralInfo, XpRowsInOrderWithFoldersSettled) {
  TestMachine machine(MachineJson(
      R"({"major": 5, "minor": 1, "build": 2600, "platformId": 2, "servicePack": "Service Pack 2"})",
      R"(, "userName": "Hans", "environment": {"SESSIONNAME": "Console"},
         "processToken": {"groups": ["S-1-1-0", "S-1-5-32-544"]})"));
  machine.AddReg("m.reg",
                 "REGEDIT4\n\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
                 "\"CommonFilesDir\"=\"C:\\\\Programme\\\\Gemeinsame Dateien\"\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\"
                 "ActiveComputerName]\n\"ComputerName\"=\"PC01\"\n");
  Collected run(machine);
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(TableLines(run.context),
            (std::vector<std::string>{
                "Windows XP 5.1 Service Pack 2 (2600)\t", "Windows Verzeichnis\tC:\\WINDOWS\\",
                "\t", "Datum\t3.1.2007", "Zeit\t09:05:04", "\t", "ActiveComputerName\tPC01",
                "UserName\tHans", "Administrator\tTRUE", "SESSIONNAME\tConsole"}));
  EXPECT_EQ(run.context.windowsDir, "C:\\WINDOWS\\");
  EXPECT_EQ(run.context.systemDir, "C:\\WINDOWS\\system32\\");
  EXPECT_EQ(run.context.driverDir, "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\");
  EXPECT_EQ(run.context.commonFilesDir, "C:\\Programme\\Gemeinsame Dateien");
  EXPECT_EQ(run.context.computerName, "PC01");
  EXPECT_TRUE(run.context.isNT);
}

TEST(GeneralInfo, Windows98HasNoAdministratorRowAndDriverDirIsSystemDir) {
  TestMachine machine(
      R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\SYSTEM",
      "version": {"major": 4, "minor": 10, "build": 67766446, "platformId": 1, "servicePack": "A"},
      "localTime": "2007-01-03 09:05:04"})");
  machine.AddReg("m.reg",
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                 "ComputerName\\ComputerName]\n\"ComputerName\"=\"WERKSTATT\"\n");
  Collected run(machine);
  // No user name: the query fails and the row is left out; SESSIONNAME is written empty.
  EXPECT_EQ(TableLines(run.context),
            (std::vector<std::string>{"Windows 98 SE 4.10 A (2222)\t",
                                      "Windows Verzeichnis\tC:\\WINDOWS\\", "\t", "Datum\t3.1.2007",
                                      "Zeit\t09:05:04", "\t", "ActiveComputerName\tWERKSTATT",
                                      "SESSIONNAME\t"}));
  EXPECT_FALSE(run.context.isNT);
  EXPECT_EQ(run.context.driverDir, "C:\\WINDOWS\\SYSTEM\\");
}

// A 64-bit Windows names its processor right after the version row, its print environment
// and driver folder are the processor's; a 32-bit one has none.
TEST(GeneralInfo, SixtyFourBitWindowsNamesItsProcessor) {
  const std::string windows10 = "10, \"minor\": 0, \"platformId\": 2";
  const std::string xp64 = "5, \"minor\": 2, \"platformId\": 2";
  const struct {
    std::string version;
    const char* architecture;
    std::string secondRow, environment, driverFolder;
  } cases[] = {
      {windows10, "x64", "Windows-Architektur\tx64", "Windows x64", "x64"},
      {windows10, "arm64", "Windows-Architektur\tARM64", "Windows ARM64", "arm64"},
      {xp64, "ia64", "Windows-Architektur\tIA64", "Windows IA64", "ia64"},
      {windows10, "x86", "Windows Verzeichnis\tC:\\WINDOWS\\", "", ""},
  };
  for (const auto& c : cases) {
    TestMachine machine(MachineJson("{\"major\": " + c.version + "}",
                                    std::string(", \"architecture\": \"") + c.architecture + "\""));
    Collected run(machine);
    EXPECT_EQ(TableLines(run.context).at(1), c.secondRow) << c.version << c.architecture;
    EXPECT_EQ(run.context.nativeEnvironment, c.environment) << c.architecture;
    EXPECT_EQ(run.context.nativeDriverDir,
              c.driverFolder.empty()
                  ? ""
                  : "C:\\WINDOWS\\system32\\spool\\drivers\\" + c.driverFolder + "\\");
  }
}

TEST(GeneralInfo, FailedVersionQueryLeavesEmptyNameAndZeros) {
  TestMachine machine(MachineJson("null"));
  Collected run(machine);
  EXPECT_EQ(TableLines(run.context)[0], " 0.0  (0)\t");
  EXPECT_FALSE(run.context.isNT);
  EXPECT_EQ(run.context.driverDir, "");
}

TEST(GeneralInfo, MissingComputerNameKeyGivesNoRow) {
  TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2})"));
  Collected run(machine);
  for (const auto& line : TableLines(run.context))
    EXPECT_NE(line.rfind("ActiveComputerName", 0), 0u);
  EXPECT_EQ(run.context.computerName, "");
}

TEST(GeneralInfo, ComputerNameOfWrongTypeIsSwallowed) {
  TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2})"));
  machine.AddReg(
      "m.reg",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\"
      "ActiveComputerName]\n\"ComputerName\"=dword:00000001\n");
  Collected run(machine);
  EXPECT_TRUE(run.completed);
  EXPECT_EQ(run.context.computerName, "");
}

TEST(GeneralInfo, SessionNameIsExpandedOnNt) {
  TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2})",
                                  R"(, "environment": {"SESSIONNAME": "%X%-1", "X": "RDP"})"));
  Collected run(machine);
  EXPECT_EQ(TableLines(run.context).back(), "SESSIONNAME\tRDP-1");
}

std::string ProcessorReg() {
  // Twelve processors enumerate as 0, 1, 10, 11, 2, ...
  std::string reg = "REGEDIT4\n\n";
  for (int i = 0; i < 12; ++i) {
    reg += "[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\" +
           std::to_string(i) + "]\n\"Identifier\"=\"cpu" + std::to_string(i) +
           "\"\n\"VendorIdentifier\"=\"GenuineIntel\"\n";
    if (i != 10) reg += "\"~MHz\"=dword:00000bb8\n";
  }
  return reg;
}

TEST(GeneralInfo, ProcessorsNumberedByEnumerationPosition) {
  TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2})"));
  machine.AddReg("cpu.reg", ProcessorReg());
  Collected run(machine);
  const auto lines = TableLines(run.context);
  const auto first = std::find(lines.begin(), lines.end(), "Prozessor 0\tcpu0");
  ASSERT_NE(first, lines.end());
  EXPECT_EQ(*(first - 1), "\t");
  EXPECT_EQ(*(first + 1), "\tGenuineIntel");
  EXPECT_EQ(*(first + 2), "\t~ 3000 MHZ");
  EXPECT_EQ(*(first + 3), "Prozessor 1\tcpu1");
  // Position 2 is subkey 10, which has no speed: exactly two rows.
  EXPECT_EQ(*(first + 6), "Prozessor 2\tcpu10");
  EXPECT_EQ(*(first + 7), "\tGenuineIntel");
  EXPECT_EQ(*(first + 8), "Prozessor 3\tcpu11");
  EXPECT_EQ(lines.end() - first, 12 * 3 - 1);
}

TEST(GeneralInfo, NoProcessorKeyGivesNoProcessorRows) {
  TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2})"));
  Collected run(machine);
  EXPECT_EQ(TableLines(run.context).back(), "SESSIONNAME\t");
}

struct AdminCase {
  const char* tokens;
  const char* expected;
};

TEST(IsAdmin, ThreadTokenFirstProcessTokenOnlyWithoutOne) {
  const std::string many = [] {
    std::string groups = R"("S-1-5-32-545")";
    for (int i = 0; i < 40; ++i)
      groups += R"(, "S-1-5-21-1-2-3-)" + std::to_string(1000 + i) + "\"";
    return groups + R"(, "S-1-5-32-544")";
  }();
  const AdminCase cases[] = {
      // No token of the thread's own: the process token decides.
      {R"("processToken": {"groups": ["S-1-5-32-544"]})", "TRUE"},
      {R"("processToken": {"groups": ["S-1-5-32-545"]})", "FALSE"},
      // The thread's own token decides alone.
      {R"("threadToken": {"groups": ["S-1-5-32-545"]}, "processToken": {"groups": ["S-1-5-32-544"]})",
       "FALSE"},
      {R"("threadToken": {"groups": ["S-1-5-32-544"]})", "TRUE"},
      // Another open failure than "no token" does not fall back.
      {R"("threadToken": {"error": 5}, "processToken": {"groups": ["S-1-5-32-544"]})", "FALSE"},
      {R"("processToken": {"error": 5})", "FALSE"},
      {R"("processToken": {"groupQueryFails": true})", "FALSE"},
      // A group list beyond 1024 bytes is a failed query, even with the group in it.
      {nullptr, "FALSE"},
  };
  for (const auto& c : cases) {
    const std::string tokens =
        c.tokens ? c.tokens : R"("processToken": {"groups": [)" + many + "]}";
    TestMachine machine(MachineJson(R"({"major": 5, "minor": 1, "platformId": 2}, )" + tokens));
    Collected run(machine);
    const auto lines = TableLines(run.context);
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("Administrator\t") + c.expected),
              lines.end())
        << tokens;
  }
}

}  // namespace
}  // namespace kdx
