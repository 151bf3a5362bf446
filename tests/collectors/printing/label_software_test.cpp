#include "collectors/printing/label_software.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TableLines;
using test::TestMachine;
using Lines = std::vector<std::string>;

constexpr char kV4Keys[] =
    "REGEDIT4\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\4.0\\PROGRAM]\r\n"
    "\"Program\"=\"C:\\\\KDX4\\\\KDXWIN.EXE\"\r\n\"AppDir\"=\"C:\\\\KDX4\\\\\"\r\n";

/// A selection file of the given length with texts in its three slots.
std::string SelectionFile(std::size_t length, const std::string& library, const std::string& port,
                          const std::string& printer) {
  std::string bytes(length, '\0');
  const auto put = [&](std::size_t offset, const std::string& text) {
    if (offset < bytes.size())
      bytes.replace(offset, std::min(text.size(), bytes.size() - offset), text);
  };
  put(2056, library);
  put(3952, port);
  put(6768, printer);
  return bytes;
}

TEST(LabelSoftware, NothingInstalled) {
  TestMachine machine;
  test::FolderRun run(machine);
  run.context.windowsDir = "C:\\WINDOWS\\";
  TRegistry registry(run.platform->Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  CollectLabelSoftware(run.context, registry);
  const std::string keyMissing =
      "Registry Key nicht gefunden:\t\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\";
  EXPECT_EQ(
      TableLines(run.context),
      (Lines{"\t", "WIN3.1 INI-Datei\t", "INI-Datei C:\\WINDOWS\\kelmokdx.ini\tnicht gefunden",
             keyMissing + "4.0\\PROGRAM", keyMissing + "5.0\\PROGRAM"}));
  // the Windows folder keeps no trailing backslash from here on
  EXPECT_EQ(run.context.windowsDir, "C:\\WINDOWS");
}

TEST(LabelSoftware, Version4WithItsSelectionAndAppDirWithoutBackslash) {
  TestMachine machine;
  machine.AddReg("kdx.reg", kV4Keys);
  machine.AddFile("C:\\KDX4\\kdxwin.kdx",
                  SelectionFile(7024, "Lager.lbl", "USB001", "Dexta KD-410"));
  test::FolderRun run(machine);
  TRegistry registry(run.platform->Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  CollectLabelSoftware(run.context, registry);
  const Lines lines = TableLines(run.context);
  const Lines expected = {"\t",
                          "Software V4\t",
                          "Program\tC:\\KDX4\\KDXWIN.EXE",
                          "AppDir\tC:\\KDX4",
                          "gew\xE4hlter Port\tUSB001",
                          "gew\xE4hlter Drucker\tDexta KD-410",
                          "Bibliothek\tLager.lbl",
                          "INI-Datei C:\\KDX4\\kdxwin.ini\tnicht gefunden"};
  ASSERT_GE(lines.size(), 3 + expected.size());
  EXPECT_EQ(Lines(lines.begin() + 3, lines.begin() + 3 + static_cast<long>(expected.size())),
            expected);
  EXPECT_EQ(run.context.v4AppDir, "C:\\KDX4");
}

TEST(GetActualPrinter, EachLengthOfTheSelectionFile) {
  const struct {
    std::size_t length;
    const char* port;
    const char* printer;
    const char* library;
  } cases[] = {
      // every slot there
      {7024, "USB001", "Dexta KD-410", "Lager.lbl"},
      // the printer's slot cut short
      {7023, "USB001", "nicht feststellbar", "Lager.lbl"},
      // the port's slot cut short too
      {4207, "", "nicht feststellbar", "Lager.lbl"},
      {2312, "", "nicht feststellbar", "Lager.lbl"},
  };
  for (const auto& c : cases) {
    TestMachine machine;
    machine.AddFile("C:\\KDX4\\kdxwin.kdx",
                    SelectionFile(c.length, "Lager.lbl", "USB001", "Dexta KD-410"));
    const auto platform = machine.Load();
    const ActualPrinter selected = GetActualPrinter(platform->Files(), "C:\\KDX4");
    EXPECT_EQ(selected.port, c.port) << c.length;
    EXPECT_EQ(selected.printer, c.printer) << c.length;
    EXPECT_EQ(selected.library, c.library) << c.length;
  }
}

TEST(GetActualPrinter, FailsWithoutALibrarySlot) {
  TestMachine machine;
  machine.AddFile("C:\\KDX4\\kdxwin.kdx", SelectionFile(2311, "Lager.lbl", "", ""));
  machine.AddFile("C:\\KDX5\\kdxwin.kdx", SelectionFile(7024, std::string(300, 'L'), "P", "D"));
  const auto platform = machine.Load();
  EXPECT_THROW(GetActualPrinter(platform->Files(), "C:\\KDX4"), KdxError);
  EXPECT_THROW(GetActualPrinter(platform->Files(), "C:\\NONE"), KdxError);
  // a slot without a NUL is taken whole
  EXPECT_EQ(GetActualPrinter(platform->Files(), "C:\\KDX5").library, std::string(256, 'L'));
}

TEST(LabelSoftware, WriteProtectedSelectionFileStillTellsItsSelection) {
  const struct {
    const char* facts;
    Lines rows;
  } cases[] = {
      // read-only: the program only reads it
      {R"({"attributes": "AR"})",
       {"gew\xE4hlter Port\tUSB001", "gew\xE4hlter Drucker\tDexta KD-410",
        "Bibliothek\tLager.lbl"}},
      // held by another program without sharing
      {R"({"openError": 32})", {"FEHLER\tGetActualPrinter failed"}},
  };
  for (const auto& c : cases) {
    TestMachine machine(
        test::XpJsonWith(std::string(R"("files": {"C:\\KDX4\\kdxwin.kdx": )") + c.facts + "}"));
    machine.AddReg("kdx.reg", kV4Keys);
    machine.AddFile("C:\\KDX4\\kdxwin.kdx",
                    SelectionFile(7024, "Lager.lbl", "USB001", "Dexta KD-410"));
    test::FolderRun run(machine);
    TRegistry registry(run.platform->Registry());
    registry.SelectRoot(kHKeyLocalMachine);
    CollectLabelSoftware(run.context, registry);
    const Lines lines = TableLines(run.context);
    // after the heading, Program and AppDir
    ASSERT_GE(lines.size(), 7 + c.rows.size()) << c.facts;
    EXPECT_EQ(Lines(lines.begin() + 7, lines.begin() + 7 + static_cast<long>(c.rows.size())),
              c.rows)
        << c.facts;
  }
}

}  // namespace
}  // namespace kdx
