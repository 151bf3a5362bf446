// Builds a small machine directory from the input and runs the whole collection and report on
// it: folders, files and host links below the label software's folder, kelmokdx.ini, a
// registry file and a System event log, all from the input. No such machine may crash the
// run, make it hang or make it run away with memory; run it under libFuzzer's limits, e.g.
//   ./build/fuzz/machine_dir_fuzz tests/fuzz/corpus/machine_dir -timeout=20 -rss_limit_mb=1024
//
// The input is parts separated by NUL bytes: a tree script, kelmokdx.ini, a .reg file, a
// System log in the text form, and the contents of the files the script makes, in turn.
// Script lines: "d a/b" makes folders, "f a/b" a file, "l a/b target" a host link to target
// (relative, ".." allowed: a link may lead anywhere, also out of the drive folder), "s a/b" a
// file machine.json states by its size alone, the contents being its version resource; "w 64"
// makes the machine a 64-bit Windows, which shows its files and keys as WOW64 does.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_report.h"
#include "platform/machine/machine_error.h"
#include "platform/machine/machine_json_writer.h"
#include "platform/sim/sim_platform.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxLines = 64;
constexpr std::size_t kMaxDepth = 8;

constexpr char kMachineJsonStart[] = R"({
  "windowsDirectory": "C:\\WINDOWS",
  "systemDirectory": "C:\\WINDOWS\\system32",
  "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2},
  "userName": "Hans",
  "environment": {"TEMP": "C:\\Kelmo\\DLP4\\..\\DLP4\\tmp", "SystemRoot": "C:\\WINDOWS"},
  "localTime": "2026-12-06 22:23:38",
  "processes": {"list": [{"id": 0, "path": "[System Process]"}, {"id": 8, "path": "x.exe"}]},
  "files": {)";

constexpr char kBaseReg[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\4.0\\PROGRAM]\r\n"
    "\"Program\"=\"C:\\\\Kelmo\\\\DLP4\\\\KDXWIN.EXE\"\r\n"
    "\"AppDir\"=\"C:\\\\Kelmo\\\\DLP4\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Fuzz]\r\n"
    "\"EventMessageFile\"=\"C:\\\\Kelmo\\\\DLP4\\\\msg.dll\"\r\n";

std::vector<std::string_view> Parts(std::string_view input) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; parts.size() < 5;) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    parts.push_back(
        input.substr(std::min(start, input.size()), end - std::min(start, input.size())));
    start = end + 1;
  }
  return parts;
}

/// A relative host path of plain names (letters, digits, '_', '.', ' ' but no "." or ".."
/// alone), so that nothing is made outside the tree; empty when the text is no such path.
fs::path TreePath(const std::string& text) {
  fs::path path;
  std::size_t depth = 0;
  std::stringstream parts(text);
  for (std::string name; std::getline(parts, name, '/');) {
    if (name.empty() || name == "." || name == ".." || ++depth > kMaxDepth) return {};
    for (const char c : name) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '_' || c == '.' || c == ' ';
      if (!plain) return {};
    }
    path /= name;
  }
  return path;
}

/// Makes the script's tree below root (C:\Kelmo\DLP4); returns the members of machine.json's
/// "files" for the files it states by their size.
std::string BuildTree(const fs::path& root, std::string_view script, std::string_view contents) {
  std::string stated;
  std::stringstream lines{std::string(script)};
  std::size_t count = 0;
  std::error_code ec;
  for (std::string line; std::getline(lines, line) && count < kMaxLines; ++count) {
    if (line.size() < 3 || line[1] != ' ') continue;
    const std::string rest = line.substr(2);
    if (line[0] == 'l') {
      const std::size_t blank = rest.find(' ');
      const fs::path link = TreePath(rest.substr(0, blank));
      if (link.empty() || blank == std::string::npos) continue;
      fs::create_directories((root / link).parent_path(), ec);
      fs::create_symlink(rest.substr(blank + 1), root / link, ec);
      continue;
    }
    const fs::path path = TreePath(rest);
    if (path.empty()) continue;
    if (line[0] == 'd') fs::create_directories(root / path, ec);
    if (line[0] == 's') {
      fs::create_directories((root / path).parent_path(), ec);
      std::string windowsPath = "C:\\\\Kelmo\\\\DLP4";
      for (const auto& name : path) windowsPath += "\\\\" + name.string();
      stated += (stated.empty() ? "\"" : ", \"") + windowsPath +
                "\": {\"size\": " + std::to_string(contents.size() * 1000) +
                ", \"lastWrite\": \"2024-01-01 00:00:00\", \"versionInfo\": \"" +
                kdx::HexText(contents) + "\"}";
    }
    if (line[0] == 'f') {
      fs::create_directories((root / path).parent_path(), ec);
      std::ofstream(root / path, std::ios::binary) << contents;
    }
  }
  return stated;
}

void Write(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string_view> parts =
      Parts(std::string_view(reinterpret_cast<const char*>(data), size));
  static const fs::path machine =
      fs::temp_directory_path() / ("kdx_fuzz_machine_" + std::to_string(::getpid()));
  fs::remove_all(machine);
  Write(machine / "registry" / "10_base.reg", kBaseReg);
  Write(machine / "registry" / "20_input.reg", parts[2]);
  Write(machine / "drive_c" / "WINDOWS" / "kelmokdx.ini", parts[1]);
  Write(machine / "eventlog" / "System.txt", parts[3]);
  const std::string stated = BuildTree(machine / "drive_c" / "Kelmo" / "DLP4", parts[0], parts[4]);
  const bool x64 = ("\n" + std::string(parts[0])).find("\nw 64") != std::string::npos;
  Write(machine / "machine.json", (x64 ? "{\"architecture\": \"x64\"," : "{") +
                                      std::string(kMachineJsonStart + 1) + stated + "}}\n");
  try {
    kdx::SimPlatform platform(machine);
    kdx::test::SilentFrontEnd frontEnd((machine / "report.txt").string());
    kdx::RunContext context(platform, frontEnd);
    kdx::RunReport(context);
  } catch (const kdx::MachineError&) {
    // A machine directory the loader refuses is refused before any run, as the program does.
  }
  return 0;
}
