#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/sim/sim_registry.h"

namespace kdx {
namespace {

using Names = std::vector<std::string>;

const char kTestKeys[] =
    "REGEDIT4\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\C]\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n"
    "\"InA\"=\"a\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B]\r\n"
    "\"InB\"=\"b\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Values]\r\n"
    "\"sz\"=\"abc\"\r\n"
    "\"expand\"=hex(2):25,78,25,00\r\n"
    "\"embedded\"=hex(1):61,00,62,00\r\n"
    "\"unterminated\"=hex(1):61,62\r\n"
    "\"dword\"=dword:12345678\r\n"
    "\"minus\"=dword:ffffffff\r\n"
    "\"zero\"=dword:0\r\n"
    "\"short\"=hex(4):01,02\r\n"
    "\"long\"=hex(4):01,02,03,04,05\r\n"
    "\"bin4\"=hex:01,02,03,04\r\n"
    "\"multi\"=hex(7):61,00,00\r\n"
    "\"qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"sz2\"=\"ab\"\r\n"
    "\"empty0\"=hex(0):\r\n"
    "\"empty1\"=hex(1):\r\n"
    "\"empty2\"=hex(2):\r\n"
    "\"empty3\"=hex:\r\n"
    "\"empty4\"=hex(4):\r\n"
    "\"empty7\"=hex(7):\r\n"
    "\"empty100\"=hex(100):\r\n"
    "@=\"default\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Restricted\\Read9]\r\n"
    "[HKEY_LOCAL_MACHINE\\Restricted\\Query1]\r\n"
    "\"v\"=\"q\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Restricted\\Query1\\Sub]\r\n"
    "[HKEY_LOCAL_MACHINE\\Restricted\\Closed]\r\n"
    "[HKEY_CURRENT_USER\\Software\\User]\r\n"
    "\"u\"=\"cu\"\r\n";

std::string BadType(const std::string& name) {
  return "Ung\xFCltiger Datentyp f\xFCr '" + name + "'";
}

std::string FetchFailed(const std::string& name) {
  return "Fehler beim Holen der Daten f\xFCr '" + name + "'";
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() {
    store_.LoadRegFile(kTestKeys, "test.reg");
    store_.RestrictAccess("HKLM\\Restricted\\Read9", {kKeyReadControlQueryEnumerate}, "test.json");
    store_.RestrictAccess("HKLM\\Restricted\\Query1", {kKeyQueryValue}, "test.json");
    store_.RestrictAccess("HKLM\\Restricted\\Closed", {}, "test.json");
    registry_.SelectRoot(kHKeyLocalMachine);
  }

  /// The message of the ERegistryException a call raises, or "no error".
  template <typename Call>
  static std::string ErrorOf(Call call) {
    try {
      call();
    } catch (const ERegistryException& error) {
      return error.what();
    }
    return "no error";
  }

  SimRegistry store_;
  TRegistry registry_{store_};
};

TEST_F(RegistryTest, ReadsTextOfStringValues) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  // REG_SZ without its NUL
  EXPECT_EQ(registry_.ReadText("sz"), "abc");
  // REG_EXPAND_SZ is not expanded
  EXPECT_EQ(registry_.ReadText("expand"), "%x%");
  // text stops at the first NUL
  EXPECT_EQ(registry_.ReadText("embedded"), "a");
  // a REG_SZ stored without NUL
  EXPECT_EQ(registry_.ReadText("unterminated"), "ab");
  // the default value, value names without case
  EXPECT_EQ(registry_.ReadText(""), "default");
  EXPECT_EQ(registry_.ReadText("SZ"), "abc");
  // missing value
  EXPECT_EQ(registry_.ReadText("missing"), "");
}

TEST_F(RegistryTest, ReadsEmptyValuesOfEveryTypeAsEmptyText) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  for (const char* name :
       {"empty0", "empty1", "empty2", "empty3", "empty4", "empty7", "empty100"}) {
    EXPECT_EQ(ErrorOf([&] { EXPECT_EQ(registry_.ReadText(name), "") << name; }), "no error");
  }
}

TEST_F(RegistryTest, RefusesTextOfOtherKinds) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  // DWORD, binary, multi-string, QWORD
  EXPECT_EQ(ErrorOf([&] { registry_.ReadText("dword"); }), BadType("dword"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadText("bin4"); }), BadType("bin4"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadText("multi"); }), BadType("multi"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadText("qword"); }), BadType("qword"));
}

TEST_F(RegistryTest, ReadsDwords) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  EXPECT_EQ(registry_.ReadDword("dword"), 0x12345678);
  // signed
  EXPECT_EQ(registry_.ReadDword("minus"), -1);
  // a REG_DWORD shorter than 4 bytes
  EXPECT_EQ(registry_.ReadDword("short"), 0x0201);
  // flags
  EXPECT_FALSE(registry_.ReadFlag("zero"));
  EXPECT_TRUE(registry_.ReadFlag("dword"));
}

TEST_F(RegistryTest, RefusesDwordsThatAreNotThere) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  // missing value
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("missing"); }), FetchFailed("missing"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadFlag("missing"); }), FetchFailed("missing"));
  // longer than 4 bytes, whatever the type
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("long"); }), FetchFailed("long"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword(""); }), FetchFailed(""));
  // 4-byte binary
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("bin4"); }), BadType("bin4"));
  // strings that fit
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("sz"); }), BadType("sz"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("sz2"); }), BadType("sz2"));
  // an empty value of another type
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("empty3"); }), BadType("empty3"));
}

TEST_F(RegistryTest, ReadsBytesOfBinaryAndUnknownValues) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  std::uint8_t buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  // binary, capacity exactly its size
  EXPECT_EQ(registry_.ReadBytes("bin4", buffer, 4), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 5),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 0xEE}));
  // an unknown kind
  EXPECT_EQ(registry_.ReadBytes("multi", buffer, 8), 3u);
  EXPECT_EQ(buffer[0], 'a');
  // missing value: nothing read
  buffer[0] = 0xEE;
  EXPECT_EQ(registry_.ReadBytes("missing", buffer, 8), 0u);
  EXPECT_EQ(buffer[0], 0xEE);
  // larger than the capacity
  EXPECT_EQ(ErrorOf([&] { registry_.ReadBytes("bin4", buffer, 3); }), BadType("bin4"));
  // string, expandable string and DWORD
  EXPECT_EQ(ErrorOf([&] { registry_.ReadBytes("sz", buffer, 8); }), BadType("sz"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadBytes("expand", buffer, 8); }), BadType("expand"));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadBytes("dword", buffer, 8); }), BadType("dword"));
}

TEST_F(RegistryTest, DescribesValues) {
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  // kinds of each type code; missing is Unknown
  EXPECT_EQ(registry_.KindOf("sz"), ValueKind::String);
  EXPECT_EQ(registry_.KindOf("expand"), ValueKind::ExpandString);
  EXPECT_EQ(registry_.KindOf("dword"), ValueKind::Integer);
  EXPECT_EQ(registry_.KindOf("bin4"), ValueKind::Binary);
  EXPECT_EQ(registry_.KindOf("multi"), ValueKind::Unknown);
  EXPECT_EQ(registry_.KindOf("empty0"), ValueKind::Unknown);
  EXPECT_EQ(registry_.KindOf("missing"), ValueKind::Unknown);
  // sizes: a string with its NUL, an empty value, a missing one
  EXPECT_EQ(registry_.ValueSize("sz"), 4);
  EXPECT_EQ(registry_.ValueSize("empty3"), 0);
  EXPECT_EQ(registry_.ValueSize("missing"), -1);
  EXPECT_TRUE(registry_.HasValue("empty0"));
  EXPECT_FALSE(registry_.HasValue("missing"));
}

TEST_F(RegistryTest, TreatsValuesWithoutAnOpenKeyAsMissing) {
  // nothing opened yet
  EXPECT_EQ(registry_.ReadText("sz"), "");
  EXPECT_EQ(registry_.ValueSize("sz"), -1);
  EXPECT_FALSE(registry_.HasValue(""));
  EXPECT_EQ(ErrorOf([&] { registry_.ReadDword("dword"); }), FetchFailed("dword"));
  Names names{"stale"};
  registry_.SubkeyNames(names);
  EXPECT_EQ(names, Names{});
}

TEST_F(RegistryTest, KeepsTheOpenPath) {
  // absolute, then relative
  ASSERT_TRUE(registry_.OpenRead("\\SOFTWARE\\A"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A");
  ASSERT_TRUE(registry_.OpenRead("B"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A\\B");
  EXPECT_EQ(registry_.ReadText("InB"), "b");
  // a relative path with no key open is below the root
  TRegistry other(store_);
  other.SelectRoot(kHKeyLocalMachine);
  ASSERT_TRUE(other.OpenRead("SOFTWARE\\A"));
  EXPECT_EQ(other.OpenPath(), "SOFTWARE\\A");
  // a trailing backslash reaches the store unchanged, which opens the key
  ASSERT_TRUE(other.OpenRead("B\\"));
  EXPECT_EQ(other.OpenPath(), "SOFTWARE\\A\\B\\");
  EXPECT_EQ(other.ReadText("InB"), "b");
}

TEST_F(RegistryTest, KeepsThePreviousKeyWhenAnOpenFails) {
  ASSERT_TRUE(registry_.OpenRead("\\SOFTWARE\\A"));
  // missing key, missing key below a present one, refused key
  EXPECT_FALSE(registry_.OpenRead("\\SOFTWARE\\Missing"));
  EXPECT_FALSE(registry_.OpenRead("B\\Missing"));
  EXPECT_FALSE(registry_.OpenRead("\\Restricted\\Closed"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A");
  EXPECT_EQ(registry_.ReadText("InA"), "a");
}

TEST_F(RegistryTest, SelectsRoots) {
  ASSERT_TRUE(registry_.OpenRead("\\SOFTWARE\\A"));
  // the same root keeps the key: a relative path opens below it
  registry_.SelectRoot(kHKeyLocalMachine);
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A");
  ASSERT_TRUE(registry_.OpenRead("B"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A\\B");
  // another root closes the key
  registry_.SelectRoot(kHKeyCurrentUser);
  EXPECT_EQ(registry_.OpenPath(), "");
  EXPECT_EQ(registry_.ReadText("InB"), "");
  ASSERT_TRUE(registry_.OpenRead("Software\\User"));
  EXPECT_EQ(registry_.ReadText("u"), "cu");
  // a new object starts at HKEY_CURRENT_USER
  TRegistry fresh(store_);
  ASSERT_TRUE(fresh.OpenRead("\\Software\\User"));
  EXPECT_EQ(fresh.ReadText("u"), "cu");
}

TEST_F(RegistryTest, OpensWithTheFirstAccessLevelThatWorks) {
  // only 0x20009 allowed
  ASSERT_TRUE(registry_.OpenRead("\\Restricted\\Read9"));
  EXPECT_EQ(registry_.OpenPath(), "Restricted\\Read9");
  // only KEY_QUERY_VALUE: values read, subkeys cannot be listed
  ASSERT_TRUE(registry_.OpenRead("\\Restricted\\Query1"));
  EXPECT_EQ(registry_.ReadText("v"), "q");
  Names names;
  registry_.SubkeyNames(names);
  EXPECT_EQ(names, Names{});
  registry_.ValueNames(names);
  EXPECT_EQ(names, Names{"v"});
  // the level that worked is kept: OpenFull opens the same key again with it
  ASSERT_TRUE(registry_.OpenFull("\\Restricted\\Query1"));
  // no level at all
  EXPECT_FALSE(registry_.OpenRead("\\Restricted\\Closed"));
  // a new object opens with full access, which the restricted keys refuse
  TRegistry full(store_);
  full.SelectRoot(kHKeyLocalMachine);
  EXPECT_FALSE(full.OpenFull("\\Restricted\\Query1"));
  EXPECT_FALSE(full.OpenFull("\\Restricted\\Read9"));
  EXPECT_TRUE(full.OpenFull("\\SOFTWARE\\A"));
}

TEST_F(RegistryTest, TestsKeysWithoutMovingTheCurrentKey) {
  ASSERT_TRUE(registry_.OpenRead("\\SOFTWARE\\A"));
  // relative and absolute, present and missing, readable with 0x20009 or not
  EXPECT_TRUE(registry_.HasKey("B\\C"));
  EXPECT_TRUE(registry_.HasKey("\\Restricted\\Read9"));
  EXPECT_FALSE(registry_.HasKey("\\Restricted\\Query1"));
  EXPECT_FALSE(registry_.HasKey("Missing"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\A");
  EXPECT_EQ(registry_.ReadText("InA"), "a");
}

TEST_F(RegistryTest, ListsNamesInStoreOrder) {
  Names names{"stale"};
  ASSERT_TRUE(registry_.OpenRead("\\"));
  // subkeys sorted without case by the store
  registry_.SubkeyNames(names);
  EXPECT_EQ(names, (Names{"Restricted", "SOFTWARE", "Values"}));
  // values in load order, the default value with an empty name
  ASSERT_TRUE(registry_.OpenRead("\\Values"));
  registry_.ValueNames(names);
  ASSERT_EQ(names.size(), 21u);
  EXPECT_EQ(names.front(), "sz");
  EXPECT_EQ(names[1], "expand");
  EXPECT_EQ(names.back(), "");
  // a key without subkeys
  registry_.SubkeyNames(names);
  EXPECT_EQ(names, Names{});
}

}  // namespace
}  // namespace kdx
