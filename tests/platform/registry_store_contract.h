#pragma once

// The registry store's contract: what advapi32 answers, held against every store. Each
// instantiation runs these tests on one platform: the simulated store on the host and under
// Wine, the Win32 store under Wine. A platform that differs from Windows says so through its
// fixture's Differs(), and the test is skipped there with that reason.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/registry_store.h"
#include "support/sim_registry_fixture.h"

namespace kdx::test {

inline constexpr std::uint32_t kSentinel = 0xdeadbeef;

template <typename Fixture>
class RegistryStoreContract : public ::testing::Test {
 protected:
  using Names = std::vector<std::string>;

  ~RegistryStoreContract() override {
    for (const RegKey key : opened_) Store().RegCloseKey(key);
  }

  RegistryStore& Store() { return machine_.Store(); }

  /// The path below HKEY_CURRENT_USER of the test's key, or of a key below it.
  static std::string Path(const std::string& below = "") {
    return std::string(kTestKeyParent) + "\\Store" + (below.empty() ? "" : "\\" + below);
  }

  /// The same path as TRegistry takes it, absolute with its leading backslash.
  static std::string Absolute(const std::string& below = "") {
    std::string path(1, '\\');
    path += Path(below);
    return path;
  }

  void Key(const std::string& below) { machine_.Key(kHKeyCurrentUser, Path(below)); }
  void Bytes(const std::string& name, std::uint32_t type, const std::string& bytes,
             const std::string& below = "") {
    machine_.Value(kHKeyCurrentUser, Path(below), name, type, bytes);
  }
  /// A REG_SZ stored with its terminating NUL, as programs normally write it.
  void Text(const std::string& name, const std::string& text, const std::string& below = "") {
    Bytes(name, kRegSz, std::string(text.c_str(), text.size() + 1), below);
  }
  void Dword(const std::string& name, std::uint32_t value, const std::string& below = "") {
    Bytes(name, kRegDword, std::string(reinterpret_cast<const char*>(&value), sizeof value), below);
  }

  /// Opens the test's key (or one below it); fails the test when it does not open.
  RegKey Open(const std::string& below = "", std::uint32_t access = kKeyRead) {
    RegKey key = kSentinel;
    EXPECT_EQ(Store().RegOpenKeyExA(kHKeyCurrentUser, Path(below), access, key), kErrorSuccess)
        << Path(below);
    opened_.push_back(key);
    return key;
  }

  /// The result code of opening a path below HKEY_CURRENT_USER; a failed open must leave a
  /// null handle, a successful one is closed again.
  long OpenResult(const std::string& path, std::uint32_t access = kKeyRead) {
    RegKey key = kSentinel;
    const long result = Store().RegOpenKeyExA(kHKeyCurrentUser, path, access, key);
    if (result == kErrorSuccess) {
      Store().RegCloseKey(key);
    } else {
      EXPECT_EQ(key, 0u) << path;
    }
    return result;
  }

  Names SubkeyNames(RegKey key) {
    Names names;
    char name[256];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof name;
      const long result = Store().RegEnumKeyExA(key, i, name, size);
      if (result != kErrorSuccess) {
        EXPECT_EQ(result, kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, size);
    }
  }

  Names ValueNames(RegKey key) {
    Names names;
    char name[256];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof name;
      const long result = Store().RegEnumValueA(key, i, name, size, nullptr, nullptr, nullptr);
      if (result != kErrorSuccess) {
        EXPECT_EQ(result, kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, size);
    }
  }

  /// A value's type and size as "type:size", or the error code of the query.
  std::string TypeAndSize(RegKey key, const std::string& name) {
    std::uint32_t type = kSentinel;
    std::uint32_t size = kSentinel;
    const long result = Store().RegQueryValueExA(key, name, &type, nullptr, &size);
    if (result != kErrorSuccess) return "error " + std::to_string(result);
    return std::to_string(type) + ":" + std::to_string(size);
  }

  Fixture machine_;
  std::vector<RegKey> opened_;
};

/// Skips the test on a platform that differs from Windows in this respect, naming the reason.
#define KDX_SKIP_WHERE(difference)                                  \
  if (const auto reason = TypeParam::Differs(difference); reason) { \
    GTEST_SKIP() << *reason;                                        \
  }

TYPED_TEST_SUITE_P(RegistryStoreContract);

// --- Values ---

TYPED_TEST_P(RegistryStoreContract, ReportsTypeCodesAndExactSizes) {
  this->Bytes("none", kRegNone, "x");
  this->Text("sz", "ab");
  this->Bytes("bare", kRegSz, "abc");
  this->Bytes("expand", kRegExpandSz, std::string("%WINDIR%\0", 9));
  this->Bytes("binary", kRegBinary, "\x01\x02");
  this->Dword("dword", 7);
  this->Bytes("multi", kRegMultiSz, std::string("a\0b\0\0", 5));
  this->Bytes("odd", 0x100, "");
  this->Text("", "def");
  const RegKey key = this->Open();
  EXPECT_EQ(this->TypeAndSize(key, "none"), "0:1");
  // a REG_SZ counts its NUL; one stored without NUL keeps its exact size
  EXPECT_EQ(this->TypeAndSize(key, "sz"), "1:3");
  EXPECT_EQ(this->TypeAndSize(key, "bare"), "1:3");
  EXPECT_EQ(this->TypeAndSize(key, "expand"), "2:9");
  EXPECT_EQ(this->TypeAndSize(key, "binary"), "3:2");
  EXPECT_EQ(this->TypeAndSize(key, "dword"), "4:4");
  EXPECT_EQ(this->TypeAndSize(key, "multi"), "7:5");
  // a type code of its own, without data
  EXPECT_EQ(this->TypeAndSize(key, "odd"), "256:0");
  // the default value has the empty name; value names compare without case
  EXPECT_EQ(this->TypeAndSize(key, ""), "1:4");
  EXPECT_EQ(this->TypeAndSize(key, "SZ"), "1:3");
  EXPECT_EQ(this->TypeAndSize(key, "absent"), "error 2");
}

TYPED_TEST_P(RegistryStoreContract, QueriesValuesWithAdvapiResults) {
  this->Text("s", "abc");
  this->Bytes("e", kRegMultiSz, "");
  const RegKey key = this->Open();
  RegistryStore& store = this->Store();
  std::uint32_t type = kSentinel;
  std::uint32_t size = kSentinel;
  std::uint8_t data[8];
  const auto reset = [&](std::uint32_t newSize) {
    type = kSentinel;
    size = newSize;
    std::memcpy(data, "kumquat", 8);
  };
  const auto dataText = [&] { return std::string(reinterpret_cast<char*>(data), 8); };
  // size query
  reset(kSentinel);
  EXPECT_EQ(store.RegQueryValueExA(key, "s", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 4u);
  // exact buffer
  reset(4);
  EXPECT_EQ(store.RegQueryValueExA(key, "S", &type, data, &size), kErrorSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(dataText(), std::string("abc\0uat\0", 8));
  // buffer too small: the size needed, the type, the buffer untouched
  reset(3);
  EXPECT_EQ(store.RegQueryValueExA(key, "s", &type, data, &size), kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(dataText(), std::string("kumquat\0", 8));
  // empty data into a buffer
  reset(8);
  EXPECT_EQ(store.RegQueryValueExA(key, "e", &type, data, &size), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, kRegMultiSz);
  // missing value, size query: size cleared
  reset(kSentinel);
  EXPECT_EQ(store.RegQueryValueExA(key, "x", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(size, 0u);
  // missing value into a buffer: size and buffer untouched
  reset(8);
  EXPECT_EQ(store.RegQueryValueExA(key, "x", &type, data, &size), kErrorFileNotFound);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(dataText(), std::string("kumquat\0", 8));
  // missing default value
  EXPECT_EQ(store.RegQueryValueExA(key, "", nullptr, nullptr, nullptr), kErrorFileNotFound);
  // type only, nothing else
  reset(kSentinel);
  EXPECT_EQ(store.RegQueryValueExA(key, "s", &type, nullptr, nullptr), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  // a buffer without its size
  EXPECT_EQ(store.RegQueryValueExA(key, "s", &type, data, nullptr), kErrorInvalidParameter);
}

// --- Key information and enumeration ---

TYPED_TEST_P(RegistryStoreContract, CountsSubkeysAndValues) {
  this->Key("K\\Sub");
  this->Key("K\\LongerSub");
  this->Bytes("abc", kRegBinary, "\x01\x02\x03\x04\x05", "K");
  this->Text("", "", "K");
  this->Dword("abcdefg", 1, "K");
  this->Key("Empty");
  RegKeyInfo info{kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
  // names without NUL, largest data in bytes
  EXPECT_EQ(this->Store().RegQueryInfoKeyA(this->Open("K"), info), kErrorSuccess);
  EXPECT_EQ(info.subKeys, 2u);
  EXPECT_EQ(info.maxSubKeyLen, 9u);
  EXPECT_EQ(info.values, 3u);
  EXPECT_EQ(info.maxValueNameLen, 7u);
  EXPECT_EQ(info.maxValueLen, 5u);
  // an empty key: all zero
  info = RegKeyInfo{kSentinel, kSentinel, kSentinel, kSentinel, kSentinel};
  EXPECT_EQ(this->Store().RegQueryInfoKeyA(this->Open("Empty"), info), kErrorSuccess);
  EXPECT_EQ(
      info.subKeys + info.maxSubKeyLen + info.values + info.maxValueNameLen + info.maxValueLen, 0u);
}

TYPED_TEST_P(RegistryStoreContract, EnumeratesSubkeysByUpperCasedName) {
  KDX_SKIP_WHERE(KnownDifference::SubkeysSortedByLowerCase);
  for (const char* name : {"b", "A", "10", "2", "_x", "a", "\xE4h", "\xC4H", "Z", "ab"}) {
    this->Key(std::string("K\\") + name);
  }
  // ordinal on upper-cased names: digits, letters, '_' after 'Z', 1252 letters last; names
  // equal without case are one key that keeps the first spelling
  EXPECT_EQ(this->SubkeyNames(this->Open("K")),
            (std::vector<std::string>{"10", "2", "A", "ab", "b", "Z", "_x", "\xE4h"}));
}

TYPED_TEST_P(RegistryStoreContract, EnumeratesValuesInCreationOrder) {
  KDX_SKIP_WHERE(KnownDifference::ValuesSortedByName);
  for (const char* name : {"zeta", "Alpha", "mu"}) this->Text(name, "x");
  EXPECT_EQ(this->ValueNames(this->Open()), (std::vector<std::string>{"zeta", "Alpha", "mu"}));
}

TYPED_TEST_P(RegistryStoreContract, EnumeratesNamesIntoBuffersOfTheGivenSize) {
  this->Key("Sub");
  this->Dword("Val", 1);
  this->Text("", "d");
  const RegKey key = this->Open();
  RegistryStore& store = this->Store();
  char name[8];
  std::uint32_t size = 0;
  const auto reset = [&](std::uint32_t newSize) {
    std::memcpy(name, "kumquat", 8);
    size = newSize;
  };
  // name and NUL fit exactly: size out is the length
  reset(4);
  EXPECT_EQ(store.RegEnumKeyExA(key, 0, name, size), kErrorSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(name, 4), std::string("Sub\0", 4));
  // no room for the NUL: buffer and size left alone
  reset(3);
  EXPECT_EQ(store.RegEnumKeyExA(key, 0, name, size), kErrorMoreData);
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(name, "kumquat");
  reset(3);
  const std::uint32_t valIndex = this->ValueNames(key).front() == "Val" ? 0 : 1;
  EXPECT_EQ(store.RegEnumValueA(key, valIndex, name, size, nullptr, nullptr, nullptr),
            kErrorMoreData);
  // past the end: buffer and size left alone
  reset(8);
  EXPECT_EQ(store.RegEnumKeyExA(key, 1, name, size), kErrorNoMoreItems);
  EXPECT_EQ(store.RegEnumValueA(key, 2, name, size, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  EXPECT_EQ(size, 8u);
  EXPECT_STREQ(name, "kumquat");
  // the default value enumerates with an empty name
  reset(1);
  EXPECT_EQ(store.RegEnumValueA(key, 1 - valIndex, name, size, nullptr, nullptr, nullptr),
            kErrorSuccess);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(name[0], '\0');
}

TYPED_TEST_P(RegistryStoreContract, EnumeratesValueDataWithTheName) {
  this->Text("s", "abc");
  this->Bytes("b", kRegBinary, "\x01\x02\x03\x04\x05\x06\x07\x08\x09");
  const RegKey key = this->Open();
  const std::uint32_t textIndex = this->ValueNames(key).front() == "s" ? 0 : 1;
  RegistryStore& store = this->Store();
  char name[8];
  std::uint32_t size = sizeof name;
  std::uint32_t type = kSentinel;
  std::uint8_t data[8];
  std::uint32_t dataSize = sizeof data;
  // name, type, bytes and their count in one call; a REG_SZ keeps its NUL
  EXPECT_EQ(store.RegEnumValueA(key, textIndex, name, size, &type, data, &dataSize), kErrorSuccess);
  EXPECT_STREQ(name, "s");
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(dataSize, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 4), std::string("abc\0", 4));
  // bytes beyond the buffer: ERROR_MORE_DATA with the size needed
  size = sizeof name;
  dataSize = sizeof data;
  EXPECT_EQ(store.RegEnumValueA(key, 1 - textIndex, name, size, &type, data, &dataSize),
            kErrorMoreData);
  EXPECT_EQ(dataSize, 9u);
  // the size alone, without a buffer
  size = sizeof name;
  dataSize = 0;
  EXPECT_EQ(store.RegEnumValueA(key, 1 - textIndex, name, size, &type, nullptr, &dataSize),
            kErrorSuccess);
  EXPECT_STREQ(name, "b");
  EXPECT_EQ(dataSize, 9u);
  EXPECT_EQ(type, kRegBinary);
}

// --- Opening and closing keys ---

TYPED_TEST_P(RegistryStoreContract, OpensPathsAsWindowsDoes) {
  this->Key("A\\B");
  const std::string path = this->Path();
  // names without case
  EXPECT_EQ(this->OpenResult(path + "\\a\\b"), kErrorSuccess);
  // one trailing backslash
  EXPECT_EQ(this->OpenResult(path + "\\A\\"), kErrorSuccess);
  // missing key, missing last name, a name with a blank
  EXPECT_EQ(this->OpenResult(path + "\\X"), kErrorFileNotFound);
  EXPECT_EQ(this->OpenResult(path + "\\A\\B\\C"), kErrorFileNotFound);
  EXPECT_EQ(this->OpenResult(path + "\\A "), kErrorFileNotFound);
}

// Windows XP refuses such a path only when the key is not in its cache of recently opened
// keys; the report's export must not depend on that, so both platforms take it as one.
TYPED_TEST_P(RegistryStoreContract, TakesConsecutiveBackslashesInsideAsOne) {
  this->Key("A\\B");
  EXPECT_EQ(this->OpenResult(this->Path() + "\\\\A"), kErrorSuccess);
  EXPECT_EQ(this->OpenResult(this->Path() + "\\A\\\\\\B\\\\"), kErrorSuccess);
  EXPECT_EQ(this->OpenResult(this->Path() + "\\\\X"), kErrorFileNotFound);
}

TYPED_TEST_P(RegistryStoreContract, RefusesALeadingBackslash) {
  this->Key("A");
  // NT refuses the path; only Windows 9x ignored the backslash
  EXPECT_EQ(this->OpenResult(this->Absolute()), kErrorBadPathname);
}

TYPED_TEST_P(RegistryStoreContract, OpensEmptyPathsAsNewHandles) {
  this->Text("v", "x");
  RegistryStore& store = this->Store();
  const RegKey first = this->Open();
  RegKey again = kSentinel;
  // below an open key: a new handle of the same key, which outlives the first
  EXPECT_EQ(store.RegOpenKeyExA(first, "", kKeyRead, again), kErrorSuccess);
  EXPECT_NE(again, first);
  EXPECT_EQ(store.RegCloseKey(first), kErrorSuccess);
  this->opened_.clear();
  RegKeyInfo info;
  EXPECT_EQ(store.RegQueryInfoKeyA(again, info), kErrorSuccess);
  EXPECT_EQ(info.values, 1u);
  EXPECT_EQ(store.RegCloseKey(again), kErrorSuccess);
}

TYPED_TEST_P(RegistryStoreContract, ClosesHandlesOnce) {
  this->Key("A");
  RegistryStore& store = this->Store();
  RegKey key = kSentinel;
  ASSERT_EQ(store.RegOpenKeyExA(kHKeyCurrentUser, this->Path("A"), kKeyRead, key), kErrorSuccess);
  EXPECT_EQ(store.RegCloseKey(key), kErrorSuccess);
  // a second close, and a closed handle serves nothing
  EXPECT_EQ(store.RegCloseKey(key), kErrorInvalidHandle);
  RegKeyInfo info;
  EXPECT_EQ(store.RegQueryInfoKeyA(key, info), kErrorInvalidHandle);
  // a predefined root is never closed
  EXPECT_EQ(store.RegCloseKey(kHKeyLocalMachine), kErrorSuccess);
  EXPECT_EQ(this->OpenResult(this->Path("A")), kErrorSuccess);
}

TYPED_TEST_P(RegistryStoreContract, RefusesEveryOpenOfAKeyThatGrantsNothing) {
  this->Text("value", "secret", "Locked");
  this->machine_.DenyAccess(kHKeyCurrentUser, this->Path("Locked"));
  for (const std::uint32_t access : {kKeyRead, kKeyReadControlQueryEnumerate, kKeyQueryValue}) {
    EXPECT_EQ(this->OpenResult(this->Path("Locked"), access), kErrorAccessDenied) << access;
  }
  TRegistry registry(this->Store());
  EXPECT_FALSE(registry.OpenRead(this->Absolute("Locked")));
}

TYPED_TEST_P(RegistryStoreContract, ChecksTheHandlesAccessToSubkeys) {
  this->Key("A\\S");
  const RegKey queryOnly = this->Open("A", kKeyQueryValue);
  const RegKey enumOnly = this->Open("A", kKeyEnumerateSubKeys);
  char name[8];
  std::uint32_t size = sizeof name;
  // enumerating subkeys needs KEY_ENUMERATE_SUB_KEYS
  EXPECT_EQ(this->Store().RegEnumKeyExA(queryOnly, 0, name, size), kErrorAccessDenied);
  size = sizeof name;
  EXPECT_EQ(this->Store().RegEnumKeyExA(enumOnly, 0, name, size), kErrorSuccess);
}

TYPED_TEST_P(RegistryStoreContract, ChecksTheHandlesAccessToValues) {
  this->Dword("v", 1);
  const RegKey enumOnly = this->Open("", kKeyEnumerateSubKeys);
  char name[8];
  std::uint32_t size = sizeof name;
  // value names and data need KEY_QUERY_VALUE
  EXPECT_EQ(this->Store().RegEnumValueA(enumOnly, 0, name, size, nullptr, nullptr, nullptr),
            kErrorAccessDenied);
  EXPECT_EQ(this->Store().RegQueryValueExA(enumOnly, "v", nullptr, nullptr, &size),
            kErrorAccessDenied);
}

TYPED_TEST_P(RegistryStoreContract, ChecksTheHandlesAccessToCounts) {
  KDX_SKIP_WHERE(KnownDifference::CountsWithoutQueryAccess);
  this->Dword("v", 1);
  RegKeyInfo info;
  EXPECT_EQ(this->Store().RegQueryInfoKeyA(this->Open("", kKeyEnumerateSubKeys), info),
            kErrorAccessDenied);
}

// --- TRegistry over the store ---

TYPED_TEST_P(RegistryStoreContract, RegistryReadsTextsAsStored) {
  this->Bytes("bare", kRegSz, "abc");
  this->Text("gruss",
             "Gr\xFC\xDF"
             "e aus K\xF6ln");
  this->Bytes("path", kRegExpandSz, std::string("%WINDIR%\\x\0", 11));
  TRegistry registry(this->Store());
  ASSERT_TRUE(registry.OpenRead(this->Absolute()));
  // a REG_SZ without its NUL
  EXPECT_EQ(registry.ReadText("bare"), "abc");
  // Windows-1252 through the ANSI calls
  EXPECT_EQ(registry.ReadText("gruss"),
            "Gr\xFC\xDF"
            "e aus K\xF6ln");
  // an expandable string is not expanded
  EXPECT_EQ(registry.ReadText("path"), "%WINDIR%\\x");
}

TYPED_TEST_P(RegistryStoreContract, RegistryReadsNumbersAndBytes) {
  this->Dword("number", 0xFFFFFFFE);
  this->Bytes("binary", kRegBinary, std::string("\x00\x7F\xFF", 3));
  this->Bytes("four", kRegBinary, std::string("\x01\x00\x00\x00", 4));
  this->Text("text", "abc");
  TRegistry registry(this->Store());
  ASSERT_TRUE(registry.OpenRead(this->Absolute()));
  // a DWORD as a signed number; a 4-byte binary and a missing value are errors
  EXPECT_EQ(registry.ReadDword("number"), -2);
  EXPECT_THROW(registry.ReadDword("four"), ERegistryException);
  EXPECT_THROW(registry.ReadDword("absent"), ERegistryException);
  // binary bytes copied, the rest of the buffer untouched
  std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  ASSERT_EQ(registry.ReadBytes("binary", buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 4),
            (std::vector<std::uint8_t>{0x00, 0x7F, 0xFF, 0xAA}));
  EXPECT_THROW(registry.ReadBytes("text", buffer, sizeof buffer), ERegistryException);
  // a missing value reads as empty without raising
  EXPECT_EQ(registry.ReadText("absent"), "");
  EXPECT_EQ(registry.KindOf("absent"), ValueKind::Unknown);
  EXPECT_EQ(registry.ValueSize("absent"), -1);
  EXPECT_EQ(registry.ReadBytes("absent", buffer, sizeof buffer), 0u);
  EXPECT_FALSE(registry.HasValue("absent"));
}

TYPED_TEST_P(RegistryStoreContract, RegistryOpensRelativeToTheOpenKey) {
  this->Text("name", "kept");
  this->Key("Inner");
  TRegistry registry(this->Store());
  ASSERT_TRUE(registry.OpenRead(this->Absolute()));
  // a failed open keeps the previous key open and current
  EXPECT_FALSE(registry.OpenRead("Absent"));
  EXPECT_EQ(registry.ReadText("name"), "kept");
  // absolute then relative opens build the current path
  ASSERT_TRUE(registry.OpenRead("Inner"));
  EXPECT_EQ(registry.OpenPath(), this->Path("Inner"));
}

REGISTER_TYPED_TEST_SUITE_P(
    RegistryStoreContract, ReportsTypeCodesAndExactSizes, QueriesValuesWithAdvapiResults,
    CountsSubkeysAndValues, EnumeratesSubkeysByUpperCasedName, EnumeratesValuesInCreationOrder,
    EnumeratesNamesIntoBuffersOfTheGivenSize, EnumeratesValueDataWithTheName,
    OpensPathsAsWindowsDoes, TakesConsecutiveBackslashesInsideAsOne, RefusesALeadingBackslash,
    OpensEmptyPathsAsNewHandles, ClosesHandlesOnce, RefusesEveryOpenOfAKeyThatGrantsNothing,
    ChecksTheHandlesAccessToSubkeys, ChecksTheHandlesAccessToValues, ChecksTheHandlesAccessToCounts,
    RegistryReadsTextsAsStored, RegistryReadsNumbersAndBytes, RegistryOpensRelativeToTheOpenKey);

}  // namespace kdx::test
