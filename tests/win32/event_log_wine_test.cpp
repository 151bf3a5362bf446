// What the Windows build's event log calls meet under Wine, whose event log is a stub: the
// export reads every log as empty there, and its record walker is tested on buffers made by
// the tests themselves instead.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "win32_test_support.h"

namespace kdx {
namespace {

struct EventLogCloser {
  void operator()(HANDLE log) const { ::CloseEventLog(log); }
};
struct EventSourceCloser {
  void operator()(HANDLE source) const { ::DeregisterEventSource(source); }
};
using EventLogHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, EventLogCloser>;
using EventSourceHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, EventSourceCloser>;

// Wine opens any log, takes a reported event without storing it, and reads every log as
// ended: FALSE with ERROR_HANDLE_EOF and the counts left as they were.
TEST(WineEventLogTest, KeepsNoRecords) {
  if (!testing::RunningUnderWine()) GTEST_SKIP() << "Windows keeps the records it is given";
  const EventSourceHandle source(::RegisterEventSourceA(nullptr, "KDXInfo test"));
  ASSERT_NE(source, nullptr);
  const char* strings[] = {"kept?"};
  EXPECT_TRUE(
      ::ReportEventA(source.get(), EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr));
  for (const char* name : {"System", "Application"}) {
    const EventLogHandle log(::OpenEventLogA(nullptr, name));
    ASSERT_NE(log, nullptr) << name;
    DWORD count = 0xdeadbeef;
    EXPECT_TRUE(::GetNumberOfEventLogRecords(log.get(), &count));
    EXPECT_EQ(count, 0U) << name;
    char buffer[2048] = "kumquat";
    DWORD read = 0xdeadbeef;
    DWORD needed = 0xdeadbeef;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(::ReadEventLogA(log.get(), EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0,
                                 buffer, sizeof buffer, &read, &needed));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_HANDLE_EOF)) << name;
    EXPECT_EQ(read, 0xdeadbeefU);
    EXPECT_EQ(needed, 0xdeadbeefU);
    EXPECT_STREQ(buffer, "kumquat");
  }
}

}  // namespace
}  // namespace kdx
