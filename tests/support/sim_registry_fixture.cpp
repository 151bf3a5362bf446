#include "support/sim_registry_fixture.h"

#include <cstdio>

#include "report/registry_export.h"
#include "support/reg_text.h"

namespace kdx::test {

namespace {

/// A name as a .reg file writes it: @ for the default value, else quoted with \\ and \" escaped.
std::string RegName(const std::string& name) {
  if (name.empty()) return "@";
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

void SimRegistryFixture::Load(RegKey root, const std::string& path, const std::string& lines) {
  platform_->Registry().LoadRegFile(
      "REGEDIT4\r\n[" + std::string(RootKeyName(root)) + "\\" + path + "]\r\n" + lines, "test.reg");
}

void SimRegistryFixture::Value(RegKey root, const std::string& path, const std::string& name,
                               std::uint32_t type, const std::string& bytes) {
  char typeCode[16];
  std::snprintf(typeCode, sizeof typeCode, "%x", type);
  Load(root, path, RegName(name) + "=hex(" + typeCode + "):" + RegHexBytes(bytes) + "\r\n");
}

void SimRegistryFixture::NestedKeys(RegKey root, const std::string& path,
                                    const std::vector<std::string>& names,
                                    const std::string& valueName, const std::string& text) {
  std::string full = path;
  for (const std::string& name : names) full += "\\" + name;
  Load(root, full, RegName(valueName) + "=hex(1):" + RegHexBytes(text + '\0') + "\r\n");
}

void SimRegistryFixture::DenyAccess(RegKey root, const std::string& path) {
  platform_->Registry().RestrictAccess(std::string(RootKeyName(root)) + "\\" + path, {},
                                       "test.json");
}

}  // namespace kdx::test
