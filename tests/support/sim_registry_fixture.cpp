#include "support/sim_registry_fixture.h"

#include "platform/formats/reg_file_writer.h"
#include "platform/registry_roots.h"

namespace kdx::test {

void SimRegistryFixture::Load(RegKey root, const std::string& path, const std::string& lines) {
  platform_->Registry().LoadRegFile(
      "REGEDIT4\r\n[" + std::string(RootKeyName(root)) + "\\" + path + "]\r\n" + lines, "test.reg");
}

void SimRegistryFixture::Value(RegKey root, const std::string& path, const std::string& name,
                               std::uint32_t type, const std::string& bytes) {
  Load(root, path, RegValueLine(name, type, bytes).value() + "\r\n");
}

void SimRegistryFixture::NestedKeys(RegKey root, const std::string& path,
                                    const std::vector<std::string>& names,
                                    const std::string& valueName, const std::string& text) {
  std::string full = path;
  for (const std::string& name : names) full += "\\" + name;
  Load(root, full, RegValueLine(valueName, kRegSz, text + '\0').value() + "\r\n");
}

void SimRegistryFixture::DenyAccess(RegKey root, const std::string& path) {
  platform_->Registry().RestrictAccess(std::string(RootKeyName(root)) + "\\" + path, {},
                                       "test.json");
}

}  // namespace kdx::test
