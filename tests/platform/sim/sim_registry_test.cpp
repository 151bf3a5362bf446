#include "platform/sim/sim_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/machine/machine_error.h"
#include "platform/registry_store_contract.h"

namespace kdx {

namespace test {
// What every registry store must answer, held against the simulated one.
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, RegistryStoreContract, SimRegistryFixture, PlatformName);
}  // namespace test

namespace {

using test::kSentinel;

// How the simulated store is loaded from .reg files and what it adds for tests: access rules,
// handle values.

class SimRegistryTest : public ::testing::Test {
 protected:
  void Load(const std::string& lines) { registry_.LoadRegFile("REGEDIT4\r\n" + lines, "t.reg"); }

  /// Opens path below root with KEY_READ; fails the test when it does not open.
  RegKey Open(RegKey root, const std::string& path, std::uint32_t access = kKeyRead) {
    RegKey key = 0;
    EXPECT_EQ(registry_.RegOpenKeyExA(root, path, access, key), kErrorSuccess) << path;
    return key;
  }

  /// The result code of opening path below HKLM (the handle is closed again).
  long OpenResult(const std::string& path, std::uint32_t access = kKeyRead) {
    RegKey key = kSentinel;
    const long result = registry_.RegOpenKeyExA(kHKeyLocalMachine, path, access, key);
    if (result == kErrorSuccess) {
      registry_.RegCloseKey(key);
    } else {
      EXPECT_EQ(key, 0u) << path;
    }
    return result;
  }

  std::vector<std::string> SubkeyNames(RegKey key) {
    std::vector<std::string> names;
    char name[256];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof name;
      const long result = registry_.RegEnumKeyExA(key, i, name, size);
      if (result != kErrorSuccess) {
        EXPECT_EQ(result, kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, size);
    }
  }

  std::vector<std::string> ValueNames(RegKey key) {
    std::vector<std::string> names;
    char name[256];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof name;
      const long result = registry_.RegEnumValueA(key, i, name, size, nullptr, nullptr, nullptr);
      if (result != kErrorSuccess) {
        EXPECT_EQ(result, kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, size);
    }
  }

  /// The type and bytes of a value as "type:bytes", or "missing".
  std::string ValueOf(RegKey key, const std::string& name) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry_.RegQueryValueExA(key, name, &type, nullptr, &size) != kErrorSuccess) {
      return "missing";
    }
    std::string data(size, '\0');
    EXPECT_EQ(registry_.RegQueryValueExA(key, name, &type,
                                         reinterpret_cast<std::uint8_t*>(data.data()), &size),
              kErrorSuccess);
    return std::to_string(type) + ":" + data;
  }

  SimRegistry registry_;
};

TEST_F(SimRegistryTest, StoresValuesWithTheirExactSizesAndTypes) {
  Load(
      "[HKLM\\A]\n\"s\"=\"ab\"\n\"e\"=\"\"\n\"d\"=dword:00000102\n\"n\"=hex(1):61\n"
      "\"q\"=hex(100):\n@=\"def\"\n");
  const RegKey key = Open(kHKeyLocalMachine, "A");
  // REG_SZ keeps its NUL
  EXPECT_EQ(ValueOf(key, "s"), std::string("1:ab\0", 5));
  // the empty string is its NUL alone
  EXPECT_EQ(ValueOf(key, "e"), std::string("1:\0", 3));
  // REG_DWORD is four little-endian bytes
  EXPECT_EQ(ValueOf(key, "d"), std::string("4:\x02\x01\0\0", 6));
  // REG_SZ written as hex has no NUL
  EXPECT_EQ(ValueOf(key, "n"), "1:a");
  // unknown type, no data
  EXPECT_EQ(ValueOf(key, "q"), "256:");
  // the empty name is the default value
  EXPECT_EQ(ValueOf(key, ""), std::string("1:def\0", 6));
  // value names compare without case
  EXPECT_EQ(ValueOf(key, "S"), std::string("1:ab\0", 5));
  // missing value
  EXPECT_EQ(ValueOf(key, "x"), "missing");
}

TEST_F(SimRegistryTest, ReplacesAValueInPlace) {
  Load("[HKLM\\A]\n\"One\"=dword:1\n\"Two\"=dword:2\n");
  Load("[HKLM\\a]\n\"ONE\"=\"x\"\n\"Three\"=dword:3\n");
  const RegKey key = Open(kHKeyLocalMachine, "A");
  // load order kept, the first spelling of a name kept
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"One", "Two", "Three"}));
  // data and type replaced
  EXPECT_EQ(ValueOf(key, "one"), std::string("1:x\0", 4));
}

TEST_F(SimRegistryTest, FindsValuesOfKeysWithManyValues) {
  std::string lines = "[HKLM\\Many]\n";
  for (int i = 0; i < 300; ++i) lines += "\"v" + std::to_string(299 - i) + "\"=dword:1\n";
  lines += "\"V7\"=\"seven\"\n\"new\"=\"n\"\n";
  Load(lines);
  const RegKey key = Open(kHKeyLocalMachine, "many");
  const std::vector<std::string> names = ValueNames(key);
  // load order, the replaced value where it stood, the new one at the end
  ASSERT_EQ(names.size(), 301u);
  EXPECT_EQ(names[0], "v299");
  EXPECT_EQ(names[292], "v7");
  EXPECT_EQ(names[300], "new");
  // every name found without case
  for (int i = 0; i < 300; ++i) {
    std::string name = "V";
    name += std::to_string(i);
    EXPECT_NE(ValueOf(key, name), "missing") << i;
  }
  EXPECT_EQ(ValueOf(key, "v7"), std::string("1:seven\0", 8));
  EXPECT_EQ(ValueOf(key, "NEW"), std::string("1:n\0", 4));
  EXPECT_EQ(ValueOf(key, "v300"), "missing");
}

TEST_F(SimRegistryTest, CreatesIntermediateKeys) {
  Load("[HKCU\\Software\\Kelmo\\Dexta]\n");
  // every key on the way exists
  EXPECT_EQ(SubkeyNames(Open(kHKeyCurrentUser, "Software")), std::vector<std::string>{"Kelmo"});
  EXPECT_EQ(SubkeyNames(Open(kHKeyCurrentUser, "SOFTWARE\\kelmo")),
            std::vector<std::string>{"Dexta"});
  // other roots stay empty
  EXPECT_EQ(SubkeyNames(kHKeyLocalMachine), std::vector<std::string>{});
}

TEST_F(SimRegistryTest, OpensAnEmptyPathBelowARootAsTheRoot) {
  Load("[HKLM\\A]\n");
  RegKey key = kSentinel;
  EXPECT_EQ(registry_.RegOpenKeyExA(kHKeyLocalMachine, "", kKeyRead, key), kErrorSuccess);
  EXPECT_EQ(key, kHKeyLocalMachine);
  // a lone backslash is a leading one
  EXPECT_EQ(OpenResult("\\"), kErrorBadPathname);
}

TEST_F(SimRegistryTest, HandsOutAndTakesBackHandles) {
  Load("[HKLM\\A]\n[HKLM\\B]\n");
  const RegKey a = Open(kHKeyLocalMachine, "A");
  const RegKey b = Open(kHKeyLocalMachine, "B");
  const RegKey a2 = Open(kHKeyLocalMachine, "A");
  // never 0, never a root, never shared
  for (const RegKey key : {a, b, a2}) {
    EXPECT_NE(key, 0u);
    EXPECT_LT(key, kHKeyClassesRoot);
  }
  EXPECT_NE(a, b);
  EXPECT_NE(a, a2);
  EXPECT_NE(b, a2);
  // closing twice, closing what was never opened
  EXPECT_EQ(registry_.RegCloseKey(b), kErrorSuccess);
  EXPECT_EQ(registry_.RegCloseKey(b), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(0), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(a + 1), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(a2 + 4000), kErrorInvalidHandle);
  // the unused root and the roots themselves
  EXPECT_EQ(registry_.RegCloseKey(0x80000004), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(kHKeyLocalMachine), kErrorSuccess);
  // a closed handle serves nothing
  RegKeyInfo info;
  RegKey key = kSentinel;
  std::uint32_t size = kSentinel;
  char name[8];
  EXPECT_EQ(registry_.RegQueryInfoKeyA(b, info), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegOpenKeyExA(b, "", kKeyRead, key), kErrorInvalidHandle);
  EXPECT_EQ(key, kSentinel);
  EXPECT_EQ(registry_.RegEnumKeyExA(b, 0, name, size), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegEnumValueA(b, 0, name, size, nullptr, nullptr, nullptr),
            kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegQueryValueExA(b, "", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(size, kSentinel);
  // the other handles still work
  EXPECT_EQ(registry_.RegQueryInfoKeyA(a, info), kErrorSuccess);
}

TEST_F(SimRegistryTest, RefusesOpensThatAccessRestrictionsForbid) {
  Load("[HKLM\\Only9]\n[HKLM\\Only1]\n[HKLM\\None]\n[HKLM\\Two]\n[HKLM\\Only9\\Free]\n");
  registry_.RestrictAccess("HKEY_LOCAL_MACHINE\\Only9", {kKeyReadControlQueryEnumerate}, "m.json");
  registry_.RestrictAccess("HKLM\\only1", {kKeyQueryValue}, "m.json");
  registry_.RestrictAccess("HKLM\\None", {}, "m.json");
  registry_.RestrictAccess("HKLM\\Two", {0x1, 0x8}, "m.json");
  // a mask within the allowed one
  EXPECT_EQ(OpenResult("Only9", kKeyRead), kErrorAccessDenied);
  EXPECT_EQ(OpenResult("Only9", kKeyReadControlQueryEnumerate), kErrorSuccess);
  EXPECT_EQ(OpenResult("Only9", kKeyQueryValue), kErrorSuccess);
  EXPECT_EQ(OpenResult("Only1", kKeyReadControlQueryEnumerate), kErrorAccessDenied);
  EXPECT_EQ(OpenResult("Only1", kKeyQueryValue), kErrorSuccess);
  // nothing allowed, not even an open that asks for no rights
  EXPECT_EQ(OpenResult("None", kKeyQueryValue), kErrorAccessDenied);
  EXPECT_EQ(OpenResult("None", 0), kErrorAccessDenied);
  // a mask must fit within one allowed mask, not their union
  EXPECT_EQ(OpenResult("Two", 0x9), kErrorAccessDenied);
  EXPECT_EQ(OpenResult("Two", 0x8), kErrorSuccess);
  // a restriction does not reach the subkeys
  EXPECT_EQ(OpenResult("Only9\\Free", kKeyAllAccess), kErrorSuccess);
}

TEST_F(SimRegistryTest, RefusesRestrictionsOfMissingKeys) {
  Load("[HKLM\\A]\n");
  const auto errorOf = [&](const std::string& path) {
    try {
      registry_.RestrictAccess(path, {}, "machine.json");
    } catch (const MachineError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  // missing key
  EXPECT_EQ(errorOf("HKLM\\B"), "machine.json: expected an existing key 'HKLM\\B'");
  // unknown root, a root alone
  EXPECT_EQ(errorOf("HKXX\\A"), "machine.json: expected a key below a root key, not 'HKXX\\A'");
  EXPECT_EQ(errorOf("HKLM"), "machine.json: expected a key below a root key, not 'HKLM'");
}

TEST_F(SimRegistryTest, RefusesToEnumerateIntoNoBuffer) {
  Load("[HKLM\\K\\Sub]\n[HKLM\\K]\n\"v\"=dword:1\n");
  const RegKey key = Open(kHKeyLocalMachine, "K");
  std::uint32_t size = 8;
  EXPECT_EQ(registry_.RegEnumKeyExA(key, 0, nullptr, size), kErrorInvalidParameter);
  EXPECT_EQ(registry_.RegEnumValueA(key, 0, nullptr, size, nullptr, nullptr, nullptr),
            kErrorInvalidParameter);
}

TEST_F(SimRegistryTest, CountsTheSubkeysOfARoot) {
  Load("[HKLM\\K\\Sub]\n[HKLM\\Empty]\n");
  RegKeyInfo info{kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
  EXPECT_EQ(registry_.RegQueryInfoKeyA(kHKeyLocalMachine, info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, 2u);
  EXPECT_EQ(info.maxSubKeyLen, 5u);
  EXPECT_EQ(info.values, 0u);
}

TEST_F(SimRegistryTest, KeepsKeysLoadedBeforeAFault) {
  EXPECT_THROW(Load("[HKLM\\A]\n\"v\"=dword:1\n[HKLM\\B]\n\"w\"=dword:\n"), MachineError);
  // what came before the faulty line is there
  EXPECT_EQ(ValueOf(Open(kHKeyLocalMachine, "A"), "v"), std::string("4:\1\0\0\0", 6));
  EXPECT_EQ(SubkeyNames(kHKeyLocalMachine), (std::vector<std::string>{"A", "B"}));
}

}  // namespace
}  // namespace kdx
