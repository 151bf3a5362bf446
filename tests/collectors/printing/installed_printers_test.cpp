#include "collectors/printing/installed_printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "collectors/printing/program_paths.h"
#include "support/counting_platform.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using namespace std::string_literals;
using test::CollectorRun;
using test::Win98JsonWith;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

constexpr char kDriverDir[] = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\";
constexpr char kPrinters[] =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers]\r\n";
constexpr char kNtDrivers[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT "
    "x86\\Drivers\\";
constexpr char kFileTimes[] = R"("files": {
    "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\kdx.dll": {"lastWrite": "2007-12-19 10:15:02"},
    "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\kdx.dll": {"lastWrite": "2008-01-02 00:00:00"},
    "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\2\\old.dll": {"lastWrite": "2004-08-04 12:00:00"},
    "C:\\WINDOWS\\SYSTEM\\kdx9x.drv": {"lastWrite": "2003-05-20 10:00:00"},
    "C:\\KDX5\\KDX5.EXE": {"lastWrite": "2009-06-15 12:00:00"}})";

/// REGEDIT4 lines of a printer key; an empty text leaves that value out.
std::string PrinterKey(const std::string& key, const std::string& name, const std::string& port,
                       const std::string& driver) {
  std::string lines =
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\" + key + "]\r\n";
  if (!name.empty()) lines += "\"Name\"=\"" + name + "\"\r\n";
  if (!port.empty()) lines += "\"Port\"=\"" + port + "\"\r\n";
  if (!driver.empty()) lines += "\"Printer Driver\"=" + driver + "\r\n";
  return lines;
}

/// The "Dependent Files" value as REG_MULTI_SZ hex of the given names.
std::string DependentFiles(const std::vector<std::string>& names) {
  std::string bytes;
  for (const std::string& name : names) bytes += name + '\0';
  bytes += '\0';
  std::string hex = "\"Dependent Files\"=hex(7):";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    hex += (i == 0 ? "" : ",") + std::string(digits);
  }
  return hex + "\r\n";
}

Rows CollectPrinters(CollectorRun& run) {
  run.context.driverDir = kDriverDir;
  TRegistry registry(run.platform->Registry());
  CollectInstalledPrinters(run.context, registry);
  return run.Rows();
}

// The shape of the section on NT: the spooler's list fenced, the count, and per printer its
// name and port and the driver's files.
TEST(CollectInstalledPrinters, PrinterWithADriverFileInFolder3OnNt) {
  CollectorRun run(XpJsonWith(std::string(kFileTimes) + R"(,
      "spooler": {"printers": [{"name": "Dexta Label Printer", "port": "USB001"}]})"),
                   PrinterKey("Dexta Label Printer", "Dexta Label Printer", "USB001", "\"KDX\"") +
                       "[" + kNtDrivers + "Version-3\\KDX]\r\n" + DependentFiles({"kdx.dll"}));
  run.machine.AddFile(std::string(kDriverDir) + "3\\kdx.dll", "x");
  EXPECT_EQ(CollectPrinters(run),
            (Rows{"##########\t", "\tDexta Label Printer", "##########\t", "Drucker:\t1",
                  "Dexta Label Printer an USB001\t", "Abh\xE4ngige Dateien:\t",
                  "3\\kdx.dll\t02.01.2008; 1 Byte; A; Version:  / ", "\t"}));
  EXPECT_EQ(run.context.installedPrinterNames, (Rows{"Dexta Label Printer"}));
}

/// The rows DescribeDependentFiles adds for data on an NT machine whose driver folder holds
/// kdx.dll, 3\kdx.dll and 2\old.dll.
Rows DependentFileRows(const std::string& data, bool isNT = true) {
  CollectorRun run(XpJsonWith(kFileTimes));
  run.machine.AddFile(std::string(kDriverDir) + "kdx.dll", "xx");
  run.machine.AddFile(std::string(kDriverDir) + "3\\kdx.dll", "x");
  run.machine.AddFile(std::string(kDriverDir) + "2\\old.dll", "xxx");
  run.context.driverDir = kDriverDir;
  run.context.isNT = isNT;
  DescribeDependentFiles(run.context, DriverFiles{kDriverDir, data});
  return run.Rows();
}

TEST(DescribeDependentFiles, EachFolderThatHoldsTheFileGivesARow) {
  const std::string kdx = "10:15:02; 2 Byte; A; Version:  / ";
  const struct {
    std::string data;
    bool isNT;
    Rows rows;
  } cases[] = {
      // no bytes: not even the heading
      {"", true, {}},
      // only the terminating NULs: the heading alone
      {std::string(2, '\0'), true, {"Abh\xE4ngige Dateien:\t"}},
      // the driver folder and its folder 3, in this order; 2 and 3 only on NT
      {"kdx.dll\0old.dll\0\0"s,
       true,
       {"Abh\xE4ngige Dateien:\t", "kdx.dll\t19.12.2007 " + kdx,
        "3\\kdx.dll\t02.01.2008; 1 Byte; A; Version:  / ",
        "2\\old.dll\t04.08.2004 12:00:00; 3 Byte; A; Version:  / "}},
      {"kdx.dll\0old.dll\0\0"s,
       false,
       {"Abh\xE4ngige Dateien:\t", "kdx.dll\t19.12.2007 " + kdx,
        "old.dll\tFehler: Datei nicht gefunden"}},
      // a name in no folder; the list ends at the first empty name or at the data's end
      {"gone.dll\0\0kdx.dll\0"s,
       true,
       {"Abh\xE4ngige Dateien:\t", "gone.dll\tFehler: Datei nicht gefunden"}},
      {"gone.dll", true, {"Abh\xE4ngige Dateien:\t", "gone.dll\tFehler: Datei nicht gefunden"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DependentFileRows(c.data, c.isNT), c.rows) << c.data << " NT " << c.isNT;
  }
}

TEST(DescribeDependentFiles, DescribedFilesEnterTheFileList) {
  CollectorRun run(XpJsonWith(kFileTimes));
  run.machine.AddFile(std::string(kDriverDir) + "kdx.dll", "xx");
  run.machine.AddFile(std::string(kDriverDir) + "3\\kdx.dll", "x");
  run.context.driverDir = kDriverDir;
  DescribeDependentFiles(run.context, DriverFiles{kDriverDir, "kdx.dll\0"s});
  int copies = 0;
  run.context.fileList.ForEach([&](const std::string& name, const std::vector<FolderEntry>& in) {
    if (name == "KDX.DLL") copies = static_cast<int>(in.size());
  });
  EXPECT_EQ(copies, 2);
}

// What each kind of printer key gives: no driver, no name, no port, a driver key only under
// Version-2 or under both, a driver key that is missing or lacks "Dependent Files".
TEST(CollectInstalledPrinters, RowsOfEachKindOfPrinterKey) {
  const std::string v2 = std::string("[") + kNtDrivers + "Version-2\\";
  const std::string v3 = std::string("[") + kNtDrivers + "Version-3\\";
  const std::string registry =
      PrinterKey("A", "Fax", "SHRFAX:", "") + PrinterKey("B", "", "LPT1:", "\"Old\"") +
      PrinterKey("C", "NoPort", "", "\"Both\"") + PrinterKey("D", "Gone", "LPT2:", "\"Gone\"") +
      PrinterKey("E", "Bare", "LPT3:", "\"Bare\"") + v2 + "Old]\r\n" +
      DependentFiles({"gone.dll"}) + v2 + "Both]\r\n" + DependentFiles({"two.dll"}) + v3 +
      "Both]\r\n" + DependentFiles({"three.dll"}) + v3 + "Bare]\r\n\"Driver\"=\"x\"\r\n";
  CollectorRun run(XpJsonWith(""), registry);
  EXPECT_EQ(
      CollectPrinters(run),
      (Rows{"##########\t", "##########\t", "Drucker:\t5",
            // A: no driver
            "ERROR: A\t(Kein Printer Driver Eintrag!)", "Fax an SHRFAX:\t", "\t",
            // B: no name, the driver part runs
            "Abh\xE4ngige Dateien:\t", "gone.dll\tFehler: Datei nicht gefunden", "\t",
            // C: no port; Version-2 wins over Version-3
            "NoPort an \t", "Abh\xE4ngige Dateien:\t", "two.dll\tFehler: Datei nicht gefunden",
            "\t",
            // D: no driver key, E: no "Dependent Files"
            "Gone an LPT2:\t", "Abh\xE4ngige Dateien\tkonnten nicht ermittelt werden", "\t",
            "Bare an LPT3:\t", "Abh\xE4ngige Dateien\tkonnten nicht ermittelt werden", "\t"}));
  EXPECT_EQ(run.context.installedPrinterNames, (Rows{"Fax", "", "NoPort", "Gone", "Bare"}));
}

// "Dependent Files" is read as raw bytes whatever its type.
TEST(CollectInstalledPrinters, DependentFilesOfAnyType) {
  CollectorRun run(XpJsonWith(""), PrinterKey("P", "P", "LPT1:", "\"D\"") + "[" + kNtDrivers +
                                       "Version-3\\D]\r\n\"Dependent Files\"=\"one.dll\"\r\n");
  const Rows rows = CollectPrinters(run);
  ASSERT_EQ(rows.size(), 7U);
  EXPECT_EQ(rows[5], "one.dll\tFehler: Datei nicht gefunden");
}

// Printers that share a driver look for its files once: each path is opened once in the run,
// and every printer still gets the rows of the found and of the missing file.
TEST(CollectInstalledPrinters, PrintersSharingADriverAskForEachFileOnce) {
  CollectorRun run(XpJsonWith(kFileTimes), PrinterKey("A", "A", "USB001", "\"KDX\"") +
                                               PrinterKey("B", "B", "USB002", "\"KDX\"") + "[" +
                                               kNtDrivers + "Version-3\\KDX]\r\n" +
                                               DependentFiles({"kdx.dll", "gone.dll"}));
  run.machine.AddFile(std::string(kDriverDir) + "3\\kdx.dll", "x");
  test::CountingPlatform counting(*run.platform);
  RunContext context(counting, run.ui);
  context.isNT = true;
  context.driverDir = kDriverDir;
  TRegistry registry(counting.Registry());
  CollectInstalledPrinters(context, registry);

  const Rows printerRows = {"Abh\xE4ngige Dateien:\t",
                            "3\\kdx.dll\t02.01.2008; 1 Byte; A; Version:  / ",
                            "gone.dll\tFehler: Datei nicht gefunden", "\t"};
  Rows expected = {"##########\t", "##########\t", "Drucker:\t2", "A an USB001\t"};
  expected.insert(expected.end(), printerRows.begin(), printerRows.end());
  expected.push_back("B an USB002\t");
  expected.insert(expected.end(), printerRows.begin(), printerRows.end());
  EXPECT_EQ(test::TableLines(context), expected);

  std::map<std::string, int> expectedOpens;
  for (const char* folder : {"", "2\\", "3\\"}) {
    for (const char* name : {"kdx.dll", "gone.dll"}) {
      expectedOpens[std::string(kDriverDir) + folder + name] = 1;
    }
  }
  EXPECT_EQ(counting.Files().opens, expectedOpens);
  int copies = 0;
  context.fileList.ForEach([&](const std::string&, const std::vector<FolderEntry>& in) {
    copies += static_cast<int>(in.size());
  });
  EXPECT_EQ(copies, 1);
}

// A 64-bit Windows keeps the drivers its printers use under its own environment: that key comes
// first (Version-3, then Version-4, whose files lie in 4\ too), the x86 keys only after it. A
// 32-bit Windows never looks there.
TEST(CollectInstalledPrinters, SixtyFourBitWindowsTakesItsOwnEnvironmentsDriverFirst) {
  const std::string x64 =
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\"
      "Environments\\Windows x64\\Drivers\\";
  const std::string x86 = std::string("[") + kNtDrivers;
  const std::string driver = "KDX]\r\n" + DependentFiles({"kdx.dll"});
  const struct {
    bool sixtyFourBit;
    std::string keys;
    Rows rows;  // each file row's key and size: the copies differ in size
  } cases[] = {
      {true, x64 + "Version-3\\" + driver + x86 + "Version-2\\" + driver, {"3\\kdx.dll 2"}},
      {true,
       x64 + "Version-4\\" + driver + x86 + "Version-3\\" + driver,
       {"3\\kdx.dll 2", "4\\kdx.dll 3"}},
      {true, x86 + "Version-3\\" + driver, {"3\\kdx.dll 1"}},
      {false, x64 + "Version-3\\" + driver + x86 + "Version-3\\" + driver, {"3\\kdx.dll 1"}},
  };
  const std::string native = "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\";
  for (const auto& c : cases) {
    CollectorRun run(XpJsonWith(""), PrinterKey("P", "P", "USB001", "\"KDX\"") + c.keys);
    run.machine.AddFile(native + "3\\kdx.dll", "64");
    run.machine.AddFile(native + "4\\kdx.dll", "v4v");
    run.machine.AddFile(std::string(kDriverDir) + "3\\kdx.dll", "x");
    if (c.sixtyFourBit) {
      run.context.nativeEnvironment = "Windows x64";
      run.context.nativeDriverDir = native;
    }
    Rows files;
    for (const std::string& row : CollectPrinters(run)) {
      const std::size_t size = row.find("; ");
      if (size != std::string::npos)
        files.push_back(row.substr(0, row.find('\t')) + " " + row[size + 2]);
    }
    EXPECT_EQ(files, c.rows) << c.keys;
  }
}

// A failure other than the driver's files ends the printers with an "ERROR" row; the printers
// before it keep their rows.
TEST(CollectInstalledPrinters, OtherFailureEndsTheLoopWithAnErrorRow) {
  CollectorRun run(XpJsonWith(""), PrinterKey("A", "Fax", "", "") +
                                       PrinterKey("B", "Bad", "LPT1:", "dword:00000001") +
                                       PrinterKey("C", "Never", "LPT2:", ""));
  EXPECT_EQ(CollectPrinters(run),
            (Rows{"##########\t", "##########\t", "Drucker:\t3",
                  "ERROR: A\t(Kein Printer Driver Eintrag!)", "Fax an \t", "\t",
                  "ERROR\tUng\xFCltiger Datentyp f\xFCr 'Printer Driver'"}));
}

// No printers key: no printer, and the section still closes normally.
TEST(CollectInstalledPrinters, NoPrintersKey) {
  CollectorRun run(XpJsonWith(""));
  EXPECT_EQ(CollectPrinters(run), (Rows{"##########\t", "##########\t", "Drucker:\t0"}));
}

constexpr char kWin98Ini[] = "[Ports]\r\nCOM1:=9600,n,8,1,x\r\nCOM2:=19200,e,7,1\r\n";
constexpr char kSystemIni[] = "[386Enh]\r\nCOM1Fifo=1\r\n";

/// A Windows 98 run with one printer key on the spooler's ports and its driver.
Rows Win98PrinterRows(const std::string& name, const std::string& spoolerPrinters) {
  CollectorRun run(
      Win98JsonWith(R"("spooler": {"printers": [)" + spoolerPrinters + "]}"),
      PrinterKey("P", name, "COM1:", "\"D\"") +
          "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
          "Windows 4.0\\Drivers\\D]\r\n" +
          DependentFiles({"kdx9x.drv"}));
  run.machine.AddFile("C:\\WINDOWS\\win.ini", kWin98Ini);
  run.machine.AddFile("C:\\WINDOWS\\system.ini", kSystemIni);
  run.machine.AddFile("C:\\WINDOWS\\SYSTEM\\kdx9x.drv", "x");
  run.context.driverDir = "C:\\WINDOWS\\SYSTEM\\";
  run.context.winIni.emplace(run.platform->Files(), "C:\\WINDOWS\\win.ini");
  run.context.systemIni.emplace(run.platform->Files(), "C:\\WINDOWS\\system.ini");
  TRegistry registry(run.platform->Registry());
  CollectInstalledPrinters(run.context, registry);
  Rows rows = run.Rows();
  // from the first row after the driver's file
  const auto driverFile = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
    return row.rfind("kdx9x.drv\t", 0) == 0;
  });
  return driverFile == rows.end() ? rows : Rows(driverFile + 1, rows.end());
}

TEST(CollectInstalledPrinters, SerialPortSettingsOnWindows9x) {
  const std::string dexta = R"({"name": "Dexta", "port": "COM1:, LPT1:"})";
  const std::string other = R"({"name": "Other", "port": "COM2:"})";
  // the printer's own COM port; LPT ports give nothing
  EXPECT_EQ(Win98PrinterRows("Dexta", dexta), (Rows{"COM1:\t9600,n,8,1,x", "COM1FIFO\t1", "\t"}));
  // the name is compared as a prefix, with case
  EXPECT_EQ(Win98PrinterRows("Dex", dexta + "," + other),
            (Rows{"COM1:\t9600,n,8,1,x", "COM1FIFO\t1", "\t"}));
  EXPECT_EQ(Win98PrinterRows("dexta", dexta), (Rows{"\t"}));
  // an empty name matches every printer; a setting that is missing reads as empty
  EXPECT_EQ(Win98PrinterRows("", dexta + "," + other),
            (Rows{"COM1:\t9600,n,8,1,x", "COM1FIFO\t1", "COM2:\t19200,e,7,1", "COM2FIFO\t", "\t"}));
}

TEST(CollectInstalledPrinters, NoSerialPortRowsOnNt) {
  CollectorRun run(XpJsonWith(R"("spooler": {"printers": [{"name": "P", "port": "COM1:"}]})"),
                   PrinterKey("P", "P", "COM1:", "\"D\"") + "[" + kNtDrivers + "Version-3\\D]\r\n" +
                       DependentFiles({}));
  run.context.winIni.emplace(run.platform->Files(), "C:\\WINDOWS\\win.ini");
  run.context.systemIni.emplace(run.platform->Files(), "C:\\WINDOWS\\system.ini");
  run.machine.AddFile("C:\\WINDOWS\\win.ini", kWin98Ini);
  EXPECT_EQ(CollectPrinters(run), (Rows{"##########\t", "\tP", "##########\t", "Drucker:\t1",
                                        "P an COM1:\t", "Abh\xE4ngige Dateien:\t", "\t"}));
}

constexpr char kAppPaths[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kNtAppPaths[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\App Paths\\";

std::string AppPath(const std::string& key, const std::string& entry, const std::string& values) {
  return "[" + key + entry + "]\r\n" + values;
}

Rows ProgramPathRows(CollectorRun& run) {
  TRegistry registry(run.platform->Registry());
  CollectProgramPaths(run.context, registry);
  return run.Rows();
}

// Entries whose name holds KDX or KELMO in any case, from the Windows key and then the NT key;
// a program file that is missing gives its own row.
TEST(CollectProgramPaths, LabelSoftwareEntriesOfBothKeys) {
  CollectorRun run(XpJsonWith(kFileTimes),
                   AppPath(kAppPaths, "IEXPLORE.EXE", "@=\"C:\\\\ie.exe\"\r\n") +
                       AppPath(kAppPaths, "kdx5.exe",
                               "@=\"C:\\\\KDX5\\\\KDX5.EXE\"\r\n\"Path\"=\"C:\\\\KDX5\"\r\n") +
                       AppPath(kAppPaths, "Kelmo\xE4Setup.exe", "@=\"C:\\\\setup.exe\"\r\n") +
                       AppPath(kNtAppPaths, "xKeLmOx", "@=\"C:\\\\KDX5\\\\KDX5.EXE\"\r\n"));
  run.machine.AddFile("C:\\KDX5\\KDX5.EXE", "exe");
  EXPECT_EQ(ProgramPathRows(run),
            (Rows{"App Paths:\t", "Path\tC:\\KDX5",
                  "C:\\KDX5\\KDX5.EXE\t15.06.2009 12:00:00; 3 Byte; A; Version:  / ", "Path\t",
                  "C:\\setup.exe\tFehler: Datei nicht gefunden", "Path\t",
                  "C:\\KDX5\\KDX5.EXE\t15.06.2009 12:00:00; 3 Byte; A; Version:  / "}));
}

// A value of the wrong type ends the section with an "ERROR" row after what came before.
TEST(CollectProgramPaths, OtherFailureEndsTheSection) {
  CollectorRun run(XpJsonWith(""), AppPath(kAppPaths, "A_KDX", "\"Path\"=\"C:\\\\A\"\r\n") +
                                       AppPath(kAppPaths, "B_KDX", "\"Path\"=dword:00000001\r\n") +
                                       AppPath(kAppPaths, "C_KDX", "\"Path\"=\"C:\\\\C\"\r\n"));
  EXPECT_EQ(ProgramPathRows(run),
            (Rows{"App Paths:\t", "Path\tC:\\A", "\tFehler: Datei nicht gefunden",
                  "ERROR\tUng\xFCltiger Datentyp f\xFCr 'Path'"}));
}

}  // namespace
}  // namespace kdx
