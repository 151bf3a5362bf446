#pragma once

// What OpenEventLogA, ReadEventLogA, LoadLibraryExA and FormatMessageA answer the event log
// export, held against the simulated machine on the host and the Win32 layer under Wine. The
// fixture provides the message file kdx_resources.dll (German tables, as the Wine prefix's
// user language is German) and a path where no file is.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/event_logs.h"
#include "platform/event_records.h"
#include "support/sim_area_fixtures.h"

namespace kdx::test {

inline constexpr std::uint32_t kUntouched = 0xdeadbeef;

template <typename Fixture>
class EventLogsContract : public ::testing::Test {
 protected:
  EventLogs& Logs() { return machine_.EventLogs(); }

  std::unique_ptr<MessageModule> LoadContractFile() {
    long error = kErrorSuccess;
    auto module = Logs().LoadLibraryExA(machine_.MessageFilePath(), error);
    EXPECT_NE(module, nullptr) << machine_.MessageFilePath() << " error " << error;
    return module;
  }

  Fixture machine_;
};

TYPED_TEST_SUITE_P(EventLogsContract);

// Both logs open and read to their end in the export's buffer: whole records each call, then
// kErrorHandleEof with the counts left alone.
TYPED_TEST_P(EventLogsContract, ReadsBothLogsToTheirEnd) {
  for (const char* name : {"System", "Application"}) {
    long error = kErrorSuccess;
    const auto log = this->Logs().OpenEventLogA(name, error);
    ASSERT_NE(log, nullptr) << name << " error " << error;
    std::vector<char> buffer(2048, 'k');
    std::uint32_t read = kUntouched;
    std::uint32_t needed = kUntouched;
    long result = kErrorSuccess;
    for (int calls = 0; (result = log->ReadEventLogA(buffer, read, needed)) == kErrorSuccess;
         ++calls) {
      ASSERT_LE(read, buffer.size());
      ASSERT_LT(calls, 1000) << name;
      EventRecordWalker walker(std::string_view(buffer.data(), read));
      while (walker.Next()) {
      }
      read = kUntouched;
    }
    EXPECT_EQ(result, kErrorHandleEof) << name;
    EXPECT_EQ(read, kUntouched);
    EXPECT_EQ(needed, kUntouched);
  }
}

// A buffer too small for the newest record fails with the size it needs, and the record
// stays next: a buffer of that size gets exactly it.
TYPED_TEST_P(EventLogsContract, SmallBufferNamesTheSizeNeeded) {
  KDX_SKIP_WHERE_AREA_DIFFERS(AreaDifference::NoEventRecords);
  long error = kErrorSuccess;
  const auto log = this->Logs().OpenEventLogA("System", error);
  ASSERT_NE(log, nullptr);
  std::vector<char> buffer(56);
  std::uint32_t read = kUntouched;
  std::uint32_t needed = kUntouched;
  ASSERT_EQ(log->ReadEventLogA(buffer, read, needed), kErrorInsufficientBuffer);
  EXPECT_EQ(read, kUntouched);
  ASSERT_GT(needed, 56u);
  buffer.resize(needed);
  ASSERT_EQ(log->ReadEventLogA(buffer, read, needed), kErrorSuccess);
  EXPECT_EQ(read, needed);
  EventRecordWalker walker(std::string_view(buffer.data(), read));
  const auto record = walker.Next();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->length, needed);
  EXPECT_FALSE(walker.Next());
}

// The strings go in by number; placeholders beyond them come out as their own text; the id
// is all 32 bits, and UTF-16 entries come out in Windows-1252.
TYPED_TEST_P(EventLogsContract, FormatsMessagesWithTheStrings) {
  const auto module = this->LoadContractFile();
  ASSERT_NE(module, nullptr);
  std::string text;
  EXPECT_EQ(module->FormatMessageA(2, {"K\xF6ln", "zwei"}, text), kErrorSuccess);
  EXPECT_EQ(text, "Meldung mit den Parametern K\xF6ln und zwei\r\n");
  EXPECT_EQ(module->FormatMessageA(2, {"eins"}, text), kErrorSuccess);
  EXPECT_EQ(text, "Meldung mit den Parametern eins und %2\r\n");
  EXPECT_EQ(module->FormatMessageA(2, {}, text), kErrorSuccess);
  EXPECT_EQ(text, "Meldung mit den Parametern %1 und %2\r\n");
  EXPECT_EQ(module->FormatMessageA(0xC0000064, {}, text), kErrorSuccess);
  EXPECT_EQ(text, "Fehler: \xC4nderung f\xFCr 5 \x80 fehlgeschlagen.\r\n");
}

// An id the file lacks comes from the system's messages; one neither has fails and leaves
// the text alone.
TYPED_TEST_P(EventLogsContract, FallsBackToTheSystemMessages) {
  const auto module = this->LoadContractFile();
  ASSERT_NE(module, nullptr);
  std::string text = "kumquat";
  EXPECT_EQ(module->FormatMessageA(kErrorAccessDenied, {}, text), kErrorSuccess);
  EXPECT_NE(text, "kumquat");
  EXPECT_FALSE(text.empty());
  text = "kumquat";
  EXPECT_EQ(module->FormatMessageA(0x3FFF0000, {}, text), kErrorMrMidNotFound);
  EXPECT_EQ(text, "kumquat");
}

// A missing file and a list of files separated by ";" do not load.
TYPED_TEST_P(EventLogsContract, MissingFilesAndListsDoNotLoad) {
  const std::string existing = this->machine_.MessageFilePath();
  for (const std::string& path : {this->machine_.MissingFilePath(), existing + ";" + existing}) {
    long error = kErrorSuccess;
    EXPECT_EQ(this->Logs().LoadLibraryExA(path, error), nullptr) << path;
    EXPECT_EQ(error, kErrorModNotFound) << path;
  }
}

REGISTER_TYPED_TEST_SUITE_P(EventLogsContract, ReadsBothLogsToTheirEnd,
                            SmallBufferNamesTheSizeNeeded, FormatsMessagesWithTheStrings,
                            FallsBackToTheSystemMessages, MissingFilesAndListsDoNotLoad);

}  // namespace kdx::test
