// The registry store of Win32Platform against the real (Wine) registry, and TRegistry over it.
#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

using testing::TestKey;

constexpr std::uint32_t kSentinel = 0xdeadbeef;

class Win32RegistryStore : public ::testing::Test {
 protected:
  Win32RegistryStore() : key_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

  /// The test key opened through the platform; closed again at the end of the test.
  RegKey Open(std::uint32_t access = kKeyRead) {
    RegKey opened = kSentinel;
    EXPECT_EQ(platform_.Registry().RegOpenKeyExA(kHKeyCurrentUser, key_.Path(), access, opened),
              kErrorSuccess);
    opened_.push_back(opened);
    return opened;
  }

  void TearDown() override {
    for (const RegKey key : opened_) platform_.Registry().RegCloseKey(key);
  }

  struct Query {
    long status;
    std::uint32_t type;
    std::uint32_t size;
  };

  Query QueryTypeAndSize(const std::string& name) {
    Query query{0, kSentinel, kSentinel};
    query.status =
        platform_.Registry().RegQueryValueExA(Open(), name, &query.type, nullptr, &query.size);
    return query;
  }

  Win32Platform platform_;
  TestKey key_;
  std::vector<RegKey> opened_;
};

// --- Type codes and sizes ---

// Each stored type comes back with its own type code.
TEST_F(Win32RegistryStore, ReportsTheStoredTypeCodes) {
  key_.SetBytes("none", REG_NONE, "x");
  key_.SetText("sz", "text");
  key_.SetBytes("expand", REG_EXPAND_SZ, std::string("%WINDIR%\0", 9));
  key_.SetBytes("binary", REG_BINARY, "\x01\x02");
  key_.SetDword("dword", 7);
  key_.SetBytes("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  EXPECT_EQ(QueryTypeAndSize("none").type, kRegNone);
  EXPECT_EQ(QueryTypeAndSize("sz").type, kRegSz);
  EXPECT_EQ(QueryTypeAndSize("expand").type, kRegExpandSz);
  EXPECT_EQ(QueryTypeAndSize("binary").type, kRegBinary);
  EXPECT_EQ(QueryTypeAndSize("dword").type, kRegDword);
  EXPECT_EQ(QueryTypeAndSize("multi").type, kRegMultiSz);
}

// A REG_SZ written with its NUL reports the NUL in its size.
TEST_F(Win32RegistryStore, StringWithNulCountsTheNul) {
  key_.SetText("value", "abc");
  const Query query = QueryTypeAndSize("value");
  EXPECT_EQ(query.status, kErrorSuccess);
  EXPECT_EQ(query.size, 4u);
}

// A REG_SZ written without a NUL keeps its exact size, and TRegistry still reads the text.
TEST_F(Win32RegistryStore, StringWithoutNulKeepsItsSize) {
  // Only three of the four bytes: RegSetValueExA adds a NUL that directly follows the data.
  key_.SetBytes("value", REG_SZ, "abcd", 3);
  EXPECT_EQ(QueryTypeAndSize("value").size, 3u);
  TRegistry registry(platform_.Registry());
  ASSERT_TRUE(registry.OpenRead("\\" + key_.Path()));
  EXPECT_EQ(registry.ReadText("value"), "abc");
}

// A value too large for the data buffer gives ERROR_MORE_DATA and the size it needs.
TEST_F(Win32RegistryStore, SmallDataBufferReportsTheNeededSize) {
  key_.SetBytes("binary", REG_BINARY, "0123456789");
  std::uint8_t data[4] = {0, 0, 0, 0};
  std::uint32_t size = sizeof data;
  std::uint32_t type = kSentinel;
  EXPECT_EQ(platform_.Registry().RegQueryValueExA(Open(), "binary", &type, data, &size),
            kErrorMoreData);
  EXPECT_EQ(size, 10u);
}

// A missing value is ERROR_FILE_NOT_FOUND.
TEST_F(Win32RegistryStore, MissingValueIsFileNotFound) {
  EXPECT_EQ(QueryTypeAndSize("absent").status, kErrorFileNotFound);
}

// --- Key information and enumeration ---

// RegQueryInfoKeyA gives counts and longest names without their NUL.
TEST_F(Win32RegistryStore, InfoGivesCountsAndLongestNames) {
  key_.AddSubkey("Short");
  key_.AddSubkey("LongerName");
  key_.SetText("v", "");
  key_.SetBytes("value7", REG_BINARY, "12345");
  RegKeyInfo info{kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
  ASSERT_EQ(platform_.Registry().RegQueryInfoKeyA(Open(), info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, 2u);
  EXPECT_EQ(info.maxSubKeyLen, 10u);
  EXPECT_EQ(info.values, 2u);
  EXPECT_EQ(info.maxValueNameLen, 6u);
  EXPECT_EQ(info.maxValueLen, 5u);
}

// Subkeys enumerate in the registry's case-blind name order, whatever their creation order.
TEST_F(Win32RegistryStore, SubkeysEnumerateByName) {
  for (const char* name : {"b", "C", "a"}) key_.AddSubkey(name);
  TRegistry registry(platform_.Registry());
  ASSERT_TRUE(registry.OpenRead("\\" + key_.Path()));
  std::vector<std::string> names{"kumquat"};
  registry.SubkeyNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "C"}));
}

// Values enumerate in creation order on Windows.
TEST_F(Win32RegistryStore, ValuesEnumerateInCreationOrder) {
  // Wine keeps a key's values sorted by name, so it lists them as Alpha, mu, zeta.
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine enumerates values sorted by name";
  for (const char* name : {"zeta", "Alpha", "mu"}) key_.SetText(name, "x");
  TRegistry registry(platform_.Registry());
  ASSERT_TRUE(registry.OpenRead("\\" + key_.Path()));
  std::vector<std::string> names{"kumquat"};
  registry.ValueNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"zeta", "Alpha", "mu"}));
}

// A name buffer too small for the entry gives ERROR_MORE_DATA; past the end ERROR_NO_MORE_ITEMS.
TEST_F(Win32RegistryStore, EnumerationBufferLimits) {
  key_.AddSubkey("Subkey");
  key_.SetText("Values", "x");
  const RegKey key = Open();
  char name[6] = "xxxxx";
  std::uint32_t size = sizeof name;
  EXPECT_EQ(platform_.Registry().RegEnumKeyExA(key, 0, name, size), kErrorMoreData);
  size = sizeof name;
  EXPECT_EQ(platform_.Registry().RegEnumValueA(key, 0, name, size, nullptr, nullptr, nullptr),
            kErrorMoreData);
  size = sizeof name;
  EXPECT_EQ(platform_.Registry().RegEnumKeyExA(key, 1, name, size), kErrorNoMoreItems);
}

// The value enumeration hands out type and bytes with the name, as RegQueryValueExA would.
TEST_F(Win32RegistryStore, EnumerationBringsTypeAndBytes) {
  key_.SetBytes("big", REG_BINARY, std::string(9, '\x07'));
  const RegKey key = Open();
  char name[8];
  std::uint32_t size = sizeof name;
  std::uint32_t type = 0xdeadbeef;
  std::uint8_t data[8];
  std::uint32_t dataSize = sizeof data;
  EXPECT_EQ(platform_.Registry().RegEnumValueA(key, 0, name, size, &type, data, &dataSize),
            kErrorMoreData);
  EXPECT_EQ(dataSize, 9u);
  size = sizeof name;
  dataSize = 0;
  EXPECT_EQ(platform_.Registry().RegEnumValueA(key, 0, name, size, &type, nullptr, &dataSize),
            kErrorSuccess);
  EXPECT_STREQ(name, "big");
  EXPECT_EQ(type, static_cast<std::uint32_t>(REG_BINARY));
  EXPECT_EQ(dataSize, 9u);
}

// The default value enumerates with the empty name.
TEST_F(Win32RegistryStore, DefaultValueHasTheEmptyName) {
  key_.SetText("", "default");
  TRegistry registry(platform_.Registry());
  ASSERT_TRUE(registry.OpenRead("\\" + key_.Path()));
  std::vector<std::string> names;
  registry.ValueNames(names);
  EXPECT_EQ(names, std::vector<std::string>{""});
  EXPECT_EQ(registry.ReadText(""), "default");
}

// --- Opening keys ---

// A trailing backslash is accepted by the store.
TEST_F(Win32RegistryStore, TrailingBackslashOpens) {
  RegKey opened = kSentinel;
  EXPECT_EQ(
      platform_.Registry().RegOpenKeyExA(kHKeyCurrentUser, key_.Path() + "\\", kKeyRead, opened),
      kErrorSuccess);
  EXPECT_NE(opened, kSentinel);
  platform_.Registry().RegCloseKey(opened);
}

// A doubled backslash inside the path names no key.
TEST_F(Win32RegistryStore, DoubleBackslashInsideDoesNotOpen) {
  // Wine's registry server skips repeated separators and opens the key anyway.
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine collapses doubled backslashes";
  key_.AddSubkey("Inner");
  RegKey opened = kSentinel;
  EXPECT_NE(platform_.Registry().RegOpenKeyExA(kHKeyCurrentUser, key_.Path() + "\\\\Inner",
                                               kKeyRead, opened),
            kErrorSuccess);
}

// A missing key is ERROR_FILE_NOT_FOUND and leaves the result alone.
TEST_F(Win32RegistryStore, MissingKeyIsFileNotFound) {
  RegKey opened = kSentinel;
  EXPECT_EQ(platform_.Registry().RegOpenKeyExA(kHKeyCurrentUser, key_.Path() + "\\Absent", kKeyRead,
                                               opened),
            kErrorFileNotFound);
  EXPECT_EQ(opened, kSentinel);
}

// Closing a predefined root is a harmless no-op.
TEST_F(Win32RegistryStore, ClosingARootSucceeds) {
  EXPECT_EQ(platform_.Registry().RegCloseKey(kHKeyLocalMachine), kErrorSuccess);
  TRegistry registry(platform_.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  EXPECT_TRUE(registry.HasKey("\\SOFTWARE"));
}

// A key whose DACL grants nothing refuses every read access level.
TEST_F(Win32RegistryStore, RestrictiveSecurityDescriptorRefusesOpens) {
  key_.SetText("value", "secret");
  ACL emptyDacl;
  ASSERT_TRUE(::InitializeAcl(&emptyDacl, sizeof emptyDacl, ACL_REVISION));
  SECURITY_DESCRIPTOR descriptor;
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyDacl, FALSE);
  ASSERT_EQ(::RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);

  RegKey opened = kSentinel;
  const long status =
      platform_.Registry().RegOpenKeyExA(kHKeyCurrentUser, key_.Path(), kKeyRead, opened);
  TRegistry registry(platform_.Registry());
  const bool anyLevelOpened = registry.OpenRead("\\" + key_.Path());
  // Restore an open DACL through the creator's handle so the key can be deleted.
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  ::RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, &descriptor);
  EXPECT_EQ(status, kErrorAccessDenied);
  EXPECT_EQ(opened, kSentinel);
  EXPECT_FALSE(anyLevelOpened);
}

// --- TRegistry over the real registry ---

class Win32TRegistry : public Win32RegistryStore {
 protected:
  Win32TRegistry() : registry_(platform_.Registry()) {}
  TRegistry registry_;
};

// Absolute then relative opens build the current path; values come from the deeper key.
TEST_F(Win32TRegistry, RelativeOpenBelowAbsoluteOpen) {
  key_.AddSubkey("Inner");
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  ASSERT_TRUE(registry_.OpenRead("Inner"));
  EXPECT_EQ(registry_.OpenPath(), key_.Path() + "\\Inner");
}

// A failed open keeps the previous key open and current.
TEST_F(Win32TRegistry, FailedOpenKeepsThePreviousKey) {
  key_.SetText("name", "kept");
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  EXPECT_FALSE(registry_.OpenRead("Absent"));
  EXPECT_EQ(registry_.ReadText("name"), "kept");
}

// Windows-1252 text survives the round trip through the ANSI calls.
TEST_F(Win32TRegistry, ReadsAnsiTextUnchanged) {
  key_.SetText("gruss", "Grüße aus Köln");
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  EXPECT_EQ(registry_.ReadText("gruss"), "Grüße aus Köln");
}

// An expandable string is returned as stored, not expanded.
TEST_F(Win32TRegistry, ExpandStringIsNotExpanded) {
  key_.SetBytes("path", REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11));
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  EXPECT_EQ(registry_.ReadText("path"), "%WINDIR%\\x");
}

// DWORDs read as signed numbers; a 4-byte binary value is a type error.
TEST_F(Win32TRegistry, DwordAndItsTypeError) {
  key_.SetDword("number", 0xFFFFFFFE);
  key_.SetBytes("binary", REG_BINARY, std::string("\x01\x00\x00\x00", 4));
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  EXPECT_EQ(registry_.ReadDword("number"), -2);
  EXPECT_THROW(registry_.ReadDword("binary"), ERegistryException);
  EXPECT_THROW(registry_.ReadDword("absent"), ERegistryException);
}

// Missing values read as empty, Unknown, -1 and 0 without raising.
TEST_F(Win32TRegistry, MissingValueReadsAsEmpty) {
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(registry_.ReadText("absent"), "");
  EXPECT_EQ(registry_.KindOf("absent"), ValueKind::Unknown);
  EXPECT_EQ(registry_.ValueSize("absent"), -1);
  EXPECT_EQ(registry_.ReadBytes("absent", buffer, sizeof buffer), 0u);
  EXPECT_FALSE(registry_.HasValue("absent"));
}

// Binary and REG_NONE values copy their bytes; a string is a type error for ReadBytes.
TEST_F(Win32TRegistry, ReadBytesCopiesBinaryData) {
  key_.SetBytes("binary", REG_BINARY, std::string("\x00\x7F\xFF", 3));
  key_.SetText("text", "abc");
  ASSERT_TRUE(registry_.OpenRead("\\" + key_.Path()));
  std::uint8_t buffer[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  ASSERT_EQ(registry_.ReadBytes("binary", buffer, sizeof buffer), 3u);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 0x7F);
  EXPECT_EQ(buffer[2], 0xFF);
  EXPECT_EQ(buffer[3], 0xAA);
  EXPECT_THROW(registry_.ReadBytes("text", buffer, sizeof buffer), ERegistryException);
}

// A system key every Windows has opens read-only below HKEY_LOCAL_MACHINE.
TEST_F(Win32TRegistry, OpensSystemKeysReadOnly) {
  registry_.SelectRoot(kHKeyLocalMachine);
  ASSERT_TRUE(registry_.OpenRead("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
  EXPECT_EQ(registry_.OpenPath(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(registry_.KindOf("ProgramFilesDir"), ValueKind::String);
}

}  // namespace
}  // namespace kdx
