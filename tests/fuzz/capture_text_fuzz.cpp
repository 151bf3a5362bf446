// Writes arbitrary registry values as the capture's REGEDIT4 lines and arbitrary texts into
// its machine.json, and reads them back with the replay's readers: each must come back byte
// for byte, or the replay would answer other values than the captured PC did.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/formats/format_error.h"
#include "platform/formats/reg_file.h"
#include "platform/formats/reg_file_writer.h"
#include "platform/machine/machine_error.h"
#include "platform/machine/machine_json_writer.h"

namespace {

struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
};

class OneValue : public kdx::RegFileSink {
 public:
  void OnKey(const kdx::RegKeyPath& /*key*/) override {}
  void OnValue(std::string_view name, std::uint32_t type, std::string_view data) override {
    ++count;
    value = {std::string(name), type, std::string(data)};
  }
  int count = 0;
  Value value;
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  __builtin_trap();
}

void CheckRegValue(const Value& written) {
  const auto line = kdx::RegValueLine(written.name, written.type, written.data);
  // A name with a line break is left out: REGEDIT4 cannot hold it.
  if (written.name.find_first_of("\r\n") != std::string::npos) {
    if (line) Fail("a name with a line break was written");
    return;
  }
  if (!line) Fail("a value was left out");
  const std::string file =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo]\r\n" + *line + "\r\n\r\n";
  OneValue read;
  try {
    kdx::ParseRegFile(file, read);
  } catch (const kdx::FormatError& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    Fail("the reader refused a line the writer wrote");
  }
  if (read.count != 1) Fail("not one value read back");
  if (read.value.name != written.name) Fail("name changed");
  if (read.value.type != written.type) Fail("type changed");
  if (read.value.data != written.data) Fail("data changed");
}

// The text as a file's path, a variable and a user name of machine.json.
void CheckJsonText(const std::string& text) {
  kdx::MachineConfig config;
  config.windowsDirectory = "C:\\WINDOWS";
  config.systemDirectory = "C:\\WINDOWS\\SYSTEM32";
  config.userName = text;
  config.environment.emplace_back("TEMP", text);
  config.messages[5] = text;
  config.files[kdx::NormalWindowsPath("C:\\" + text)] = {"C:\\" + text, {}, 0x20, 0, 4, text};
  kdx::MachineConfig read;
  try {
    read = kdx::ParseMachineJson(kdx::MachineJsonText(config), "machine.json");
  } catch (const kdx::MachineError& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    Fail("the reader refused the machine.json the writer wrote");
  }
  if (read.userName != config.userName) Fail("user name changed");
  if (read.environment != config.environment) Fail("variable changed");
  if (read.messages.at(5) != text) Fail("message changed");
  if (read.files != config.files) Fail("file changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte picks the type, the second how much of the rest is the value's name.
  static constexpr std::uint32_t kTypes[] = {0, 1, 2, 3, 4, 7, 11, 0xFFFF0001};
  Value value;
  value.type = kTypes[static_cast<std::uint8_t>(bytes[0]) % std::size(kTypes)];
  const std::size_t nameSize =
      std::min<std::size_t>(static_cast<std::uint8_t>(bytes[1]), bytes.size() - 2);
  value.name = std::string(bytes.substr(2, nameSize));
  // The A calls end a name at its NUL: no value has one inside.
  if (value.name.find('\0') != std::string::npos) return 0;
  value.data = std::string(bytes.substr(2 + nameSize));
  CheckRegValue(value);
  CheckJsonText(value.name);
  return 0;
}
