// The FormatMessage emulation of the simulated machine held to FormatMessageA itself (under
// Wine in CI), on message strings and on a message table of a real DLL.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/formats/format_message.h"
#include "support/message_cases.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

struct LocalFreeDeleter {
  void operator()(char* text) const { ::LocalFree(text); }
};

struct FreeLibraryDeleter {
  void operator()(HMODULE module) const { ::FreeLibrary(module); }
};

/// FormatMessageA's text with the arguments as an array of char*; empty when it returns 0.
std::string RealFormat(DWORD flags, const void* source, DWORD id,
                       const std::vector<std::string>& arguments) {
  std::vector<DWORD_PTR> pointers;
  pointers.reserve(arguments.size());
  for (const std::string& argument : arguments) {
    pointers.push_back(reinterpret_cast<DWORD_PTR>(argument.c_str()));
  }
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, source, id, 0,
      reinterpret_cast<char*>(&text), 0, reinterpret_cast<va_list*>(pointers.data()));
  const std::unique_ptr<char, LocalFreeDeleter> owner(text);
  return length == 0 ? std::string() : std::string(text, length);
}

std::string RealFormatString(const std::string& message,
                             const std::vector<std::string>& arguments) {
  return RealFormat(FORMAT_MESSAGE_FROM_STRING, message.c_str(), 0, arguments);
}

// Every rule the emulation claims to follow, and the call's limit of 32,767 characters.
TEST(FormatMessageDifferentialTest, EmulationGivesTheRealText) {
  const std::vector<std::string> arguments = test::MessageArguments();
  for (const test::MessageCase& c : test::kMessageCases) {
    EXPECT_EQ(ApplyMessageInserts(c.message, arguments), RealFormatString(c.message, arguments))
        << c.message;
  }
  for (const char* message : {"%1!32767s!", "%1!32768s!"}) {
    EXPECT_EQ(ApplyMessageInserts(message, arguments), RealFormatString(message, arguments))
        << message;
  }
}

TEST(FormatMessageDifferentialTest, MessageTableOfARealDll) {
  const std::string path = std::string(KDX_SOURCE_DIR) + "/tests/data/pe/winevtkb_wrc_test.dll";
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeLibraryDeleter> module(
      ::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_NE(module, nullptr) << path << " error " << ::GetLastError();
  const std::vector<std::string> strings = {"K\xF6ln", "two"};
  const std::string real = RealFormat(FORMAT_MESSAGE_FROM_HMODULE, module.get(), 0x2, strings);
  EXPECT_EQ(real, "My messgage with parameters K\xF6ln two\r\n");
  EXPECT_EQ(ApplyMessageInserts("My messgage with parameters %1 %2\r\n", strings), real);
  // an id the table does not hold
  EXPECT_EQ(RealFormat(FORMAT_MESSAGE_FROM_HMODULE, module.get(), 0x4, strings), "");
}

// Where the call reads a string argument as something else, the emulation keeps the text
// instead; these pin what the real call does.
TEST(FormatMessageDifferentialTest, DeliberateDifferences) {
  // S reads the bytes as UTF-16 up to two NUL bytes: "A\0B\0\0\0" gives "AB", the text is "A"
  const std::vector<std::string> utf16 = {std::string("A\0B\0\0\0", 6)};
  EXPECT_EQ(RealFormatString("%1!S!", utf16), "AB");
  EXPECT_EQ(ApplyMessageInserts("%1!S!", utf16), "A");
  // u formats the argument's address; a precision "*" takes the first argument's address and
  // inserts the second
  const std::vector<std::string> two = {"one", "two"};
  EXPECT_EQ(RealFormatString("%1!u!", two),
            std::to_string(reinterpret_cast<std::uintptr_t>(two[0].c_str())));
  EXPECT_EQ(ApplyMessageInserts("%1!u!", two), "one");
  EXPECT_EQ(RealFormatString("%1!.*s!", two), "two");
  EXPECT_EQ(ApplyMessageInserts("%1!.*s!", two), "");
}

// Without an array every insert fails the call, so a record without strings needs an array
// too for the emulation's "%1" to come out.
TEST(FormatMessageDifferentialTest, CallWithoutArrayFailsEveryInsert) {
  char buffer[64] = "kumquat";
  ::SetLastError(0xdeadbeef);
  EXPECT_EQ(::FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "x%1", 0,
                             0, buffer, sizeof buffer, nullptr),
            0U);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(ApplyMessageInserts("x%1", {}), "x%1");
}

}  // namespace
}  // namespace kdx
