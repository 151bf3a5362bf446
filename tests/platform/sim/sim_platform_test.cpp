#include "platform/sim/sim_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/errors.h"
#include "platform/machine/machine_error.h"
#include "support/test_data.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;
using test::TestMachine;

/// The MachineError text of loading a machine, or "no error".
std::string LoadErrorOf(const TestMachine& machine) {
  try {
    machine.Load();
  } catch (const MachineError& error) {
    return error.what();
  }
  return "no error";
}

std::string ReadAll(InputFile& file) {
  std::string bytes;
  char buffer[4];
  std::size_t count = 0;
  while (file.Read(buffer, sizeof buffer, count) == kErrorSuccess && count > 0) {
    bytes.append(buffer, count);
  }
  return bytes;
}

/// The error code of opening a file for reading.
long OpenError(FileSystem& files, const std::string& path) {
  std::unique_ptr<InputFile> file;
  return files.OpenInputFile(path, file);
}

/// The error code of creating a report file.
long CreateError(FileSystem& files, const std::string& path) {
  std::unique_ptr<OutputFile> file;
  const long error = files.CreateOutputFile(path, file);
  if (file) file->Close();
  return error;
}

/// A report file created for a test; fails the test when it cannot be made.
std::unique_ptr<OutputFile> CreateFile(FileSystem& files, const std::string& path) {
  std::unique_ptr<OutputFile> file;
  EXPECT_EQ(files.CreateOutputFile(path, file), kErrorSuccess) << path;
  return file;
}

/// machine.json of the minimal XP machine with a report file that fails as described.
std::string JsonWithReportFault(const std::string& fault) {
  std::string json = test::kMinimalXpJson;
  json.insert(json.rfind('}'), ",\n  \"reportFile\": " + fault + "\n");
  return json;
}

/// True when the found host path names the expected file (on a host that ignores case as well,
/// the found path may keep the case it was asked with).
bool NamesFile(const std::optional<fs::path>& found, const fs::path& expected) {
  std::error_code ec;
  return found && fs::equivalent(*found, expected, ec);
}

TEST(SimPlatformTest, MapsWindowsPathsWithoutRegardToCase) {
  TestMachine machine;
  machine.AddFile("C:\\WINDOWS\\System32\\Drivers\\KdxUsb.sys", "x");
  const auto platform = machine.Load();
  const fs::path expected = machine.Dir() / "drive_c/WINDOWS/System32/Drivers/KdxUsb.sys";
  // the case as stored
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\WINDOWS\\System32\\Drivers\\KdxUsb.sys"),
                        expected));
  // every part in another case, the drive letter too
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("c:\\windows\\SYSTEM32\\drivers\\KDXUSB.SYS"),
                        expected));
  // doubled backslashes and "." parts
  EXPECT_TRUE(NamesFile(
      platform->Files().HostPathOf("C:\\WINDOWS\\\\.\\System32\\Drivers\\KdxUsb.sys"), expected));
  // the drive root
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\"), machine.Dir() / "drive_c"));
  // a missing part
  EXPECT_EQ(platform->Files().HostPathOf("C:\\WINDOWS\\System\\KdxUsb.sys"), std::nullopt);
  // a drive the machine does not have
  EXPECT_EQ(platform->Files().HostPathOf("D:\\WINDOWS"), std::nullopt);
  // no drive
  EXPECT_EQ(platform->Files().HostPathOf("WINDOWS\\System32"), std::nullopt);
}

// The machine directory names its files in UTF-8; a path names them in Windows-1252, and an
// umlaut of another case still finds them.
TEST(SimPlatformTest, MapsWindows1252NamesToTheHostsUtf8Names) {
  TestMachine machine;
  const fs::path folder = machine.Dir() / "drive_c" / fs::u8path("Gem\xC3\xBCse");
  fs::create_directories(folder);
  std::ofstream(folder / fs::u8path("S\xC3\xBC\xC3\x9F.txt")) << "x";
  const auto platform = machine.Load();
  const fs::path expected = folder / fs::u8path("S\xC3\xBC\xC3\x9F.txt");
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\Gem\xFCse\\S\xFC\xDF.txt"), expected));
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\GEM\xDCSE\\s\xDC\xDF.TXT"), expected));
}

TEST(SimPlatformTest, MapsGeneratedShortNamesToLongNames) {
  TestMachine machine(test::XpJsonWith(
      R"("files": {"C:\\Dokumente und Einstellungen\\Hans\\Lokale Einstellungen\\Temp\\a.tmp":
                   {"lastWrite": "2026-12-06 00:00:00", "attributes": "AR"}})"));
  const std::string temp = "C:\\Dokumente und Einstellungen\\Hans\\Lokale Einstellungen\\Temp\\";
  machine.AddFile(temp + "a.tmp", "x");
  machine.AddFile("C:\\Dokumente und Einstellungen\\Hans\\Lokale Daten\\b.txt", "x");
  machine.AddFile("C:\\Programme\\Kelmo Label.Software.exe", "x");
  const auto platform = machine.Load();
  auto& files = platform->Files();
  const fs::path drive = machine.Dir() / "drive_c";
  // six characters of the name without blanks, numbered in the order of the long names
  EXPECT_TRUE(
      NamesFile(files.HostPathOf("C:\\DOKUME~1\\Hans\\LOKALE~2\\Temp\\a.tmp"),
                drive / "Dokumente und Einstellungen/Hans/Lokale Einstellungen/Temp/a.tmp"));
  EXPECT_TRUE(NamesFile(files.HostPathOf("c:\\dokume~1\\hans\\lokale~1\\b.txt"),
                        drive / "Dokumente und Einstellungen/Hans/Lokale Daten/b.txt"));
  // the extension after the last dot, cut to three characters
  EXPECT_TRUE(NamesFile(files.HostPathOf("C:\\Programme\\KELMOL~1.EXE"),
                        drive / "Programme/Kelmo Label.Software.exe"));
  // a name that is a short name already has no other
  EXPECT_EQ(files.HostPathOf("C:\\DOKUME~1\\HANS~1"), std::nullopt);
  EXPECT_EQ(files.HostPathOf("C:\\DOKUME~2"), std::nullopt);
  // the facts machine.json gives the long path hold under the short one
  std::uint32_t attributes = 0;
  ASSERT_EQ(files.GetFileAttributesA("C:\\DOKUME~1\\Hans\\LOKALE~2\\Temp\\a.tmp", attributes),
            kErrorSuccess);
  EXPECT_EQ(attributes, kFileAttributeArchive | kFileAttributeReadOnly);
}

TEST(SimPlatformTest, NeverLeavesTheDriveFolder) {
  TestMachine machine;
  machine.AddFile("C:\\WINDOWS\\win.ini", "x");
  const auto platform = machine.Load();
  // ".." that stays on the drive resolves as Windows resolves it, also past a missing folder
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\WINDOWS\\..\\WINDOWS\\win.ini"),
                        machine.Dir() / "drive_c/WINDOWS/win.ini"));
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\absent\\..\\WINDOWS\\win.ini"),
                        machine.Dir() / "drive_c/WINDOWS/win.ini"));
  // ".." out of the drive to machine.json stops at the root
  EXPECT_EQ(platform->Files().HostPathOf("C:\\..\\machine.json"), std::nullopt);
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\..\\..\\WINDOWS\\win.ini"),
                        machine.Dir() / "drive_c/WINDOWS/win.ini"));
  // forward slashes, which Windows takes as separators as well
  EXPECT_EQ(platform->Files().HostPathOf("C:\\WINDOWS/../../machine.json"), std::nullopt);
  // a forward slash between existing names
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:/windows/WIN.INI"),
                        machine.Dir() / "drive_c/WINDOWS/win.ini"));
#ifndef _WIN32  // the machine's links are the POSIX host's symbolic links
  // a host link that leads out of the drive folder leads nowhere, one inside it is followed
  fs::create_directory_symlink(machine.Dir(), machine.Dir() / "drive_c/out");
  fs::create_directory_symlink(machine.Dir() / "drive_c/WINDOWS", machine.Dir() / "drive_c/in");
  EXPECT_EQ(platform->Files().HostPathOf("C:\\out\\machine.json"), std::nullopt);
  EXPECT_EQ(platform->Files().HostPathOf("C:\\out"), std::nullopt);
  EXPECT_TRUE(NamesFile(platform->Files().HostPathOf("C:\\IN\\win.ini"),
                        machine.Dir() / "drive_c/in/win.ini"));
#endif
}

TEST(SimPlatformTest, FileExistsOnlyForFilesWithDosDates) {
  TestMachine machine;
  machine.AddFile("C:\\WINDOWS\\win.ini", "x");
  machine.AddFile("C:\\old.txt", "x");
  machine.AddFile("C:\\future.txt", "x");
  const auto toFileTime = [](int year) {
    const std::chrono::sys_seconds midnight =
        std::chrono::sys_days(std::chrono::year(year) / std::chrono::January / std::chrono::day(1));
    return fs::file_time_type::clock::from_sys(midnight);
  };
  fs::last_write_time(machine.Dir() / "drive_c/old.txt", toFileTime(1979));
  fs::last_write_time(machine.Dir() / "drive_c/future.txt", toFileTime(2108));
  const auto platform = machine.Load();
  // a file, named in another case
  EXPECT_TRUE(platform->Files().FileExists("C:\\windows\\WIN.INI"));
  // a folder
  EXPECT_FALSE(platform->Files().FileExists("C:\\WINDOWS"));
  // a missing file
  EXPECT_FALSE(platform->Files().FileExists("C:\\WINDOWS\\system.ini"));
  // written before 1980
  EXPECT_FALSE(platform->Files().FileExists("C:\\old.txt"));
  // written after 2107
  EXPECT_FALSE(platform->Files().FileExists("C:\\future.txt"));
}

TEST(SimPlatformTest, OpensInputFiles) {
  TestMachine machine;
  machine.AddFile("C:\\KDX\\kdxerror.log", "line 1\r\n\x1A\xFF");
  const auto platform = machine.Load();
  // the bytes as stored, read in small pieces
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(platform->Files().OpenInputFile("c:\\kdx\\KDXERROR.LOG", file), kErrorSuccess);
  EXPECT_EQ(ReadAll(*file), "line 1\r\n\x1A\xFF");
  // a missing file
  EXPECT_EQ(OpenError(platform->Files(), "C:\\KDX\\Faultlog.txt"), kErrorFileNotFound);
  // a missing folder
  EXPECT_EQ(OpenError(platform->Files(), "C:\\NONE\\Faultlog.txt"), kErrorPathNotFound);
  // a folder is no file: access denied, as Windows answers
  EXPECT_EQ(OpenError(platform->Files(), "C:\\KDX"), kErrorAccessDenied);
}

// A host file that shrinks while the machine holds it (an editor saving it anew, a copy
// overwriting it) fails the read it cuts short as an ordinary read error, not a crash.
TEST(SimPlatformTest, AModuleShortenedWhileLoadedFailsItsReads) {
  TestMachine machine;
  machine.AddFile("C:\\WINDOWS\\system32\\kdxmsg.dll",
                  test::TestDataFile("pe/winevtkb_wrc_test.dll"));
  const auto platform = machine.Load();
  long error = 0;
  const auto module = platform->EventLogs().LoadLibraryExA("kdxmsg.dll", error);
  ASSERT_NE(module, nullptr) << error;
  // Its headers stay; its resources, past the first 4096 bytes, are gone.
  std::filesystem::resize_file(machine.Dir() / "drive_c" / "WINDOWS" / "system32" / "kdxmsg.dll",
                               4096);
  std::string text;
  EXPECT_EQ(module->FormatMessageA(0x3E8, {}, text), kErrorReadFault);
}

TEST(SimPlatformTest, ExpandsEnvironmentStrings) {
  const std::string longValue(40000, 'L');
  TestMachine machine(R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": null,
    "version": null, "environment": {"SystemRoot": "C:\\WINDOWS", "A": "1", "B": "2",
    "LONG": ")" + longValue +
                      R"("}})");
  const auto platform = machine.Load();
  // a known variable
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("%SystemRoot%\\system32"),
            "C:\\WINDOWS\\system32");
  // its name in another case
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("%SYSTEMROOT%"), "C:\\WINDOWS");
  // an unknown variable stays
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("x%NOPE%y"), "x%NOPE%y");
  // a lone percent sign stays
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("100%"), "100%");
  // adjacent references
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("%A%%B%"), "12");
  // an unknown one's closing % opens the next reference
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("%NOPE%A%"), "%NOPE1");
  // an empty name
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA("%%"), "%%");
  // no reference
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA(""), "");
  // the longest text the call takes, expanded beyond the buffer: cut to 63999 bytes
  const std::string references = "%LONG%" + std::string(kExpandSourceLimit - 6, 'x');
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA(references)->size(), 63999u);
  // one character more is a failed expansion
  EXPECT_EQ(platform->System().ExpandEnvironmentStringsA(references + "x"), std::nullopt);
}

TEST(SimPlatformTest, LooksUpEnvironmentWithoutRegardToCase) {
  TestMachine machine(R"({"windowsDirectory": null, "systemDirectory": null, "version": null,
    "environment": {"Temp": "C:\\TEMP", "caf\u00e9": "x"}})");
  const auto platform = machine.Load();
  // as written, upper and lower case
  EXPECT_EQ(platform->System().GetEnvironmentVariableA("Temp"), "C:\\TEMP");
  EXPECT_EQ(platform->System().GetEnvironmentVariableA("TEMP"), "C:\\TEMP");
  EXPECT_EQ(platform->System().GetEnvironmentVariableA("temp"), "C:\\TEMP");
  // a 1252 letter beyond a to z
  EXPECT_EQ(platform->System().GetEnvironmentVariableA("CAF\xC9"), "x");
  // not set
  EXPECT_EQ(platform->System().GetEnvironmentVariableA("TMP"), std::nullopt);
}

TEST(SimPlatformTest, ServesMachineFacts) {
  TestMachine machine;
  const auto platform = machine.Load();
  long error = 0;
  // no thread token of its own
  EXPECT_EQ(platform->System().OpenThreadToken(error), nullptr);
  EXPECT_EQ(error, kErrorNoToken);
  // the process token with its two groups
  const auto token = platform->System().OpenProcessToken(error);
  ASSERT_NE(token, nullptr);
  EXPECT_EQ(error, kErrorSuccess);
  EXPECT_EQ(token->Groups(1024), (std::vector<Sid>{{1, {0}}, {5, {32, 544}}}));
  // a buffer too small for the groups: 4 + (8 + 8 + 4) + (8 + 8 + 8) = 48 bytes
  EXPECT_EQ(token->Groups(47), std::nullopt);
  EXPECT_TRUE(token->Groups(48).has_value());
  // the default German message table
  EXPECT_EQ(platform->System().FormatMessageA(5), "Zugriff verweigert\r\n");
  EXPECT_EQ(platform->System().FormatMessageA(4711), "");
  EXPECT_EQ(platform->System().GetLocalTime().year, 2026);
}

TEST(SimPlatformTest, ReportFileFailsAfterTheGivenBytes) {
  TestMachine machine(JsonWithReportFault(R"({"failAfterBytes": 10, "failures": 1})"));
  const auto platform = machine.Load();
  const fs::path path = machine.OutputDir() / "report.txt";
  auto file = CreateFile(platform->Files(), path.string());
  // the first 10 bytes go to the disk, then disk full
  EXPECT_EQ(file->Write("0123456789ABCDEF", 16), kErrorDiskFull);
  // the one failure is used up: the next write succeeds
  EXPECT_EQ(file->Write("xyz", 3), kErrorSuccess);
  EXPECT_EQ(file->Close(), kErrorSuccess);
  EXPECT_EQ(test::ReadFileBytes(path), "0123456789xyz");
}

TEST(SimPlatformTest, ReportFileFailsEveryWriteUnlessLimited) {
  TestMachine machine(JsonWithReportFault(R"({"failAfterBytes": 4, "errorCode": 29})"));
  const auto platform = machine.Load();
  const fs::path path = machine.OutputDir() / "report.txt";
  auto file = CreateFile(platform->Files(), path.string());
  // within the limit
  EXPECT_EQ(file->Write("ab", 2), kErrorSuccess);
  // the write that crosses it, with the code given
  EXPECT_EQ(file->Write("cdef", 4), 29);
  // and every one after
  EXPECT_EQ(file->Write("g", 1), 29);
  EXPECT_EQ(file->Close(), kErrorSuccess);
  EXPECT_EQ(test::ReadFileBytes(path), "abcd");
}

TEST(SimPlatformTest, CreatesReportFilesOnTheHost) {
  TestMachine machine;
  const auto platform = machine.Load();
  // a 1252 name lands as UTF-8 on the host
  FileSystem& files = platform->Files();
  EXPECT_EQ(CreateError(files, machine.OutputDir().string() + "/M\xFC.txt"), kErrorSuccess);
  EXPECT_TRUE(fs::is_regular_file(machine.OutputDir() / fs::u8path("M\xC3\xBC.txt")));
  // a folder
  EXPECT_EQ(CreateError(files, machine.OutputDir().string()), kErrorAccessDenied);
  // an empty name
  EXPECT_EQ(CreateError(files, ""), kErrorAccessDenied);
  // a missing folder
  EXPECT_EQ(CreateError(files, (machine.OutputDir() / "none" / "r.txt").string()),
            kErrorPathNotFound);
}

TEST(SimPlatformTest, RefusesFaultyMachines) {
  TestMachine machine;
  fs::remove(machine.Dir() / "machine.json");
  // no machine.json
  EXPECT_EQ(LoadErrorOf(machine), (machine.Dir() / "machine.json").string() +
                                      ": a machine description (the file is missing)");
  // a faulty machine.json
  machine.SetJson("{\"systemDirectory\": null, \"version\": null,\n\"windowsDirectory\": 1}");
  EXPECT_EQ(LoadErrorOf(machine),
            (machine.Dir() / "machine.json").string() + ":2: windowsDirectory: expected a text");
}

TEST(SimPlatformTest, RefusesTheMachineForAFaultyRegFile) {
  TestMachine machine;
  machine.AddReg("10_good.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n");
  machine.AddReg("20_bad.REG",
                 "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\r\n\"x\"=dword:xyz\r\n");
  const std::string error = LoadErrorOf(machine);
  // the faulty file and its line
  EXPECT_EQ(error.rfind((machine.Dir() / "registry" / "20_bad.REG").string() + ":4: expected ", 0),
            0u)
      << error;
}

TEST(SimPlatformTest, LoadsRegFilesAndAccessRules) {
  TestMachine machine(R"({"windowsDirectory": null, "systemDirectory": null, "version": null,
    "registryAccess": {"HKEY_LOCAL_MACHINE\\SOFTWARE\\A": ["0x20019"]}})");
  machine.AddReg("a.reg",
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n\"v\"=dword:00000007\r\n");
  machine.AddReg("notes.txt", "not a registry file");
  const auto platform = machine.Load();
  RegKey key = 0;
  // a read-only key refuses full access
  EXPECT_EQ(
      platform->Registry().RegOpenKeyExA(kHKeyLocalMachine, "SOFTWARE\\A", kKeyAllAccess, key),
      kErrorAccessDenied);
  // and opens for reading, with the value of the .reg file
  ASSERT_EQ(platform->Registry().RegOpenKeyExA(kHKeyLocalMachine, "SOFTWARE\\A", kKeyRead, key),
            kErrorSuccess);
  std::uint32_t type = 0;
  std::uint32_t value = 0;
  std::uint32_t size = sizeof value;
  EXPECT_EQ(platform->Registry().RegQueryValueExA(key, "v", &type,
                                                  reinterpret_cast<std::uint8_t*>(&value), &size),
            kErrorSuccess);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(value, 7u);
  platform->Registry().RegCloseKey(key);
}

TEST(SimPlatformTest, RefusesAccessRulesForMissingKeys) {
  TestMachine machine(R"({"windowsDirectory": null, "systemDirectory": null, "version": null,
    "registryAccess": {"HKEY_LOCAL_MACHINE\\SOFTWARE\\None": []}})");
  const std::string error = LoadErrorOf(machine);
  // named after machine.json
  EXPECT_EQ(error.rfind((machine.Dir() / "machine.json").string() + ":", 0), 0u) << error;
}

}  // namespace
}  // namespace kdx
