#include "platform/machine/machine_config.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/machine/machine_error.h"
#include "platform/machine/machine_json_writer.h"

namespace kdx {
namespace {

// The three required members on lines 2 to 4; tests add theirs from line 5 on.
constexpr char kRequired[] =
    "{\n"
    "  \"windowsDirectory\": \"C:\\\\WINDOWS\",\n"
    "  \"systemDirectory\": \"C:\\\\WINDOWS\\\\system32\",\n"
    "  \"version\": {\"major\": 5, \"minor\": 1, \"build\": 2600, \"platformId\": 2}";

/// machine.json with the required members and the given extra lines (each starts with ",").
std::string Json(const std::string& extra = "") { return std::string(kRequired) + extra + "\n}\n"; }

MachineConfig Parse(const std::string& text) { return ParseMachineJson(text, "m.json"); }

/// The MachineError text for a machine.json, or "no error".
std::string ErrorOf(const std::string& text) {
  try {
    Parse(text);
  } catch (const MachineError& error) {
    return error.what();
  }
  return "no error";
}

std::string ErrorOfExtra(const std::string& extra) { return ErrorOf(Json(extra)); }

TEST(MachineConfigTest, RefusesBrokenJsonAtItsLine) {
  // a missing comma before line 3
  EXPECT_EQ(ErrorOf("{\n\"a\": 1\n\"b\": 2\n}").rfind("m.json:3: expected valid JSON (", 0), 0u);
  // an unterminated object at the end of line 2
  EXPECT_EQ(ErrorOf("{\n\"a\": 1").rfind("m.json:2: expected valid JSON (", 0), 0u);
  // no text at all
  EXPECT_EQ(ErrorOf("").rfind("m.json:1: expected valid JSON (", 0), 0u);
  // a number beyond a double, whose line the JSON library does not give
  EXPECT_EQ(ErrorOf("{\n\"a\": 1e400}").rfind("m.json: expected valid JSON (", 0), 0u);
}

TEST(MachineConfigTest, RefusesWrongTypesAtTheMemberLine) {
  const std::string version =
      "{\n\"windowsDirectory\": \"C:\\\\W\",\n\"systemDirectory\": null,\n\"version\": {\n"
      "  \"minor\": 1,\n  \"major\": \"five\"\n}}";
  // a text where version.major needs a number
  EXPECT_EQ(ErrorOf(version),
            "m.json:6: version.major: expected a whole number from 0 to 4294967295");
  // a negative number
  EXPECT_EQ(ErrorOfExtra(",\n\"reportFile\": {\"errorCode\": -1}"),
            "m.json:5: reportFile.errorCode: expected a whole number from 0 to 65535");
  // a fraction
  EXPECT_EQ(ErrorOfExtra(",\n\"reportFile\": {\"failAfterBytes\": 1.5}"),
            "m.json:5: reportFile.failAfterBytes: expected a whole number from 0 to 4294967295");
  // a number where a folder text belongs
  EXPECT_EQ(ErrorOf("{\"windowsDirectory\": 1, \"systemDirectory\": null, \"version\": null}"),
            "m.json:1: windowsDirectory: expected a text");
  // a list as the whole document
  EXPECT_EQ(ErrorOf("[]"), "m.json:1: (top level): expected an object");
  // a text as the version
  EXPECT_EQ(ErrorOfExtra(",\n\"userName\": 7"), "m.json:5: userName: expected a text");
  // a text as the environment
  EXPECT_EQ(ErrorOfExtra(",\n\"environment\": \"PATH\""),
            "m.json:5: environment: expected an object of variable names and values");
  // a number as a variable's value
  EXPECT_EQ(ErrorOfExtra(",\n\"environment\": {\n\"A\": \"x\",\n\"TEMP\": 3}"),
            "m.json:7: environment.TEMP: expected a text");
  // a number as the flag of a failing group query
  EXPECT_EQ(ErrorOfExtra(",\n\"processToken\": {\"groupQueryFails\": 1}"),
            "m.json:5: processToken.groupQueryFails: expected true or false");
  // a processor the machine directory does not know by that name
  EXPECT_EQ(ErrorOfExtra(",\n\"architecture\": \"amd64\""),
            "m.json:5: architecture: expected one of x86, x64, arm64, ia64");
}

TEST(MachineConfigTest, RefusesUnknownMembers) {
  // at the top level, on its own line
  EXPECT_EQ(ErrorOfExtra(",\n\"windowsDir\": \"C:\\\\W\""),
            "m.json:5: windowsDir: expected one of the known members (this one is unknown)");
  // inside version
  EXPECT_EQ(ErrorOf("{\"windowsDirectory\": null, \"systemDirectory\": null,\n"
                    "\"version\": {\n\"major\": 5,\n\"csd\": \"SP2\"}}"),
            "m.json:4: version.csd: expected one of the known members (this one is unknown)");
  // inside a token
  EXPECT_EQ(ErrorOfExtra(",\n\"threadToken\": {\"owner\": 1}"),
            "m.json:5: threadToken.owner: expected one of the known members (this one is unknown)");
  // inside locale
  EXPECT_EQ(ErrorOfExtra(",\n\"locale\": {\n\"date\": \"d.M.yy\"}"),
            "m.json:6: locale.date: expected one of the known members (this one is unknown)");
  // inside reportFile
  EXPECT_EQ(ErrorOfExtra(",\n\"reportFile\": {\"after\": 1}"),
            "m.json:5: reportFile.after: expected one of the known members (this one is unknown)");
}

TEST(MachineConfigTest, NamesLinesBehindAByteOrderMark) {
  // a file saved with a UTF-8 signature
  EXPECT_EQ(ErrorOf("\xEF\xBB\xBF" + Json(",\n\"bad\": 1")),
            "m.json:5: bad: expected one of the known members (this one is unknown)");
}

TEST(MachineConfigTest, RefusesMissingRequiredMembers) {
  // no version
  EXPECT_EQ(ErrorOf("{\"windowsDirectory\": null, \"systemDirectory\": null}"),
            "m.json:1: version: expected this member (it is required)");
  // no system folder
  EXPECT_EQ(ErrorOf("{\"windowsDirectory\": null, \"version\": null}"),
            "m.json:1: systemDirectory: expected this member (it is required)");
  // no Windows folder
  EXPECT_EQ(ErrorOf("{\"systemDirectory\": null, \"version\": null}"),
            "m.json:1: windowsDirectory: expected this member (it is required)");
}

TEST(MachineConfigTest, RefusesMalformedSids) {
  const std::string expected =
      "m.json:7: processToken.groups.1: expected a SID such as S-1-5-32-544";
  const auto groupError = [](const std::string& sid) {
    return ErrorOfExtra(",\n\"processToken\": {\"groups\": [\n\"S-1-1-0\",\n" + sid + "]}");
  };
  // revision 2
  EXPECT_EQ(groupError("\"S-2-5-32\""), expected);
  // no authority
  EXPECT_EQ(groupError("\"S-1-\""), expected);
  // trailing dash
  EXPECT_EQ(groupError("\"S-1-5-\""), expected);
  // letters in a sub-authority
  EXPECT_EQ(groupError("\"S-1-5-3x\""), expected);
  // sub-authority over 32 bits
  EXPECT_EQ(groupError("\"S-1-5-4294967296\""), expected);
  // authority over 48 bits
  EXPECT_EQ(groupError("\"S-1-281474976710656\""), expected);
  // 16 sub-authorities
  EXPECT_EQ(groupError("\"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16\""), expected);
  // a number instead of a text
  EXPECT_EQ(groupError("544"), expected);
  // groups not a list
  EXPECT_EQ(ErrorOfExtra(",\n\"processToken\": {\"groups\": \"S-1-1-0\"}"),
            "m.json:5: processToken.groups: expected a list of SIDs");
}

TEST(MachineConfigTest, ParsesSids) {
  // the administrators group
  EXPECT_EQ(ParseSid("S-1-5-32-544"), (Sid{5, {32, 544}}));
  // authority alone
  EXPECT_EQ(ParseSid("S-1-1"), (Sid{1, {}}));
  // largest authority and 15 sub-authorities of 32 bits
  EXPECT_EQ(ParseSid("S-1-281474976710655-1-2-3-4-5-6-7-8-9-10-11-12-13-14-4294967295"),
            (Sid{0xFFFFFFFFFFFF, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFFFFFFFF}}));
  // lower-case prefix
  EXPECT_EQ(ParseSid("s-1-5"), std::nullopt);
  // sign before a number
  EXPECT_EQ(ParseSid("S-1-+5"), std::nullopt);
}

TEST(MachineConfigTest, RefusesBadLocalTimes) {
  const std::string expected = "m.json:5: localTime: expected a local time \"YYYY-MM-DD hh:mm:ss\"";
  const auto timeError = [](const std::string& time) {
    return ErrorOfExtra(",\n\"localTime\": " + time);
  };
  // date only
  EXPECT_EQ(timeError("\"2026-12-06\""), expected);
  // month 13
  EXPECT_EQ(timeError("\"2026-13-06 22:23:38\""), expected);
  // hour 24
  EXPECT_EQ(timeError("\"2026-12-06 24:00:00\""), expected);
  // second 60
  EXPECT_EQ(timeError("\"2026-12-06 22:23:60\""), expected);
  // before the FILETIME epoch
  EXPECT_EQ(timeError("\"1600-12-31 23:59:59\""), expected);
  // text after the seconds
  EXPECT_EQ(timeError("\"2026-12-06 22:23:38Z\""), expected);
  // a number
  EXPECT_EQ(timeError("20261206"), expected);
  // 30 February
  EXPECT_EQ(timeError("\"2026-02-30 00:00:00\""), expected);
  // 31 April
  EXPECT_EQ(timeError("\"2026-04-31 00:00:00\""), expected);
  // 29 February outside a leap year
  EXPECT_EQ(timeError("\"2100-02-29 00:00:00\""), expected);
}

TEST(MachineConfigTest, ReadsLocalTimeWithDayOfWeek) {
  const auto time = Parse(Json(",\n\"localTime\": \"2026-12-06 22:23:38\"")).localTime;
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(time->year, 2026);
  EXPECT_EQ(time->month, 12);
  EXPECT_EQ(time->day, 6);
  EXPECT_EQ(time->hour, 22);
  EXPECT_EQ(time->minute, 23);
  EXPECT_EQ(time->second, 38);
  EXPECT_EQ(time->dayOfWeek, 0);  // a Sunday
  // 29 February of a leap year, a Thursday
  EXPECT_EQ(Parse(Json(",\n\"localTime\": \"2024-02-29 00:00:00\"")).localTime->dayOfWeek, 4);
  // no localTime: the host's clock
  EXPECT_FALSE(Parse(Json()).localTime.has_value());
}

TEST(MachineConfigTest, RefusesBadAccessMasks) {
  const auto maskError = [](const std::string& mask) {
    return ErrorOfExtra(",\n\"registryAccess\": {\n\"HKEY_LOCAL_MACHINE\\\\SOFTWARE\": [\n" + mask +
                        "]}");
  };
  const std::string expected =
      "m.json:7: registryAccess.HKEY_LOCAL_MACHINE\\SOFTWARE.0: expected a whole number from 0 "
      "to 4294967295";
  // not hexadecimal
  EXPECT_EQ(maskError("\"0x2000G\""), expected);
  // no 0x
  EXPECT_EQ(maskError("\"20009\""), expected);
  // 0x alone
  EXPECT_EQ(maskError("\"0x\""), expected);
  // over 32 bits
  EXPECT_EQ(maskError("\"0x100000000\""), expected);
  // negative
  EXPECT_EQ(maskError("-1"), expected);
  // a mask, not a list of masks
  EXPECT_EQ(
      ErrorOfExtra(",\n\"registryAccess\": {\"HKLM\\\\X\": \"0x1\"}"),
      "m.json:5: registryAccess.HKLM\\X: expected a list of access masks such as \"0x20009\"");
}

TEST(MachineConfigTest, ReadsAccessMasks) {
  const auto rules =
      Parse(Json(",\n\"registryAccess\": {\"HKLM\\\\A\": [\"0x20009\", 1, \"0XFFFFFFFF\"], "
                 "\"HKLM\\\\B\": []}"))
          .registryAccess;
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].first, "HKLM\\A");
  EXPECT_EQ(rules[0].second, (std::vector<std::uint32_t>{0x20009, 1, 0xFFFFFFFF}));
  // an empty list refuses every open
  EXPECT_EQ(rules[1].second, std::vector<std::uint32_t>{});
}

TEST(MachineConfigTest, LimitsServicePackTo127Bytes) {
  const auto versionWith = [](const std::string& servicePack) {
    return "{\"windowsDirectory\": null, \"systemDirectory\": null,\n\"version\": {\n"
           "\"servicePack\": \"" +
           servicePack + "\"}}";
  };
  // 127 bytes fit
  EXPECT_EQ(Parse(versionWith(std::string(127, 'x'))).version->servicePack, std::string(127, 'x'));
  // 128 bytes do not
  EXPECT_EQ(ErrorOf(versionWith(std::string(128, 'x'))),
            "m.json:3: version.servicePack: expected at most 127 bytes");
  // bytes are counted after conversion: 127 umlauts are 254 UTF-8 bytes but 127 in 1252
  std::string umlauts;
  for (int i = 0; i < 127; ++i) umlauts += "\xC3\xBC";
  EXPECT_EQ(Parse(versionWith(umlauts)).version->servicePack, std::string(127, '\xFC'));
}

TEST(MachineConfigTest, ReadsVersionWithDefaults) {
  const auto version =
      Parse(
          "{\"windowsDirectory\": null, \"systemDirectory\": null, \"version\": {\"major\": 4, "
          "\"minor\": 10, \"build\": 2222, \"platformId\": 1, \"servicePack\": \" A \"}}")
          .version;
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->majorVersion, 4u);
  EXPECT_EQ(version->minorVersion, 10u);
  EXPECT_EQ(version->buildNumber, 2222u);
  EXPECT_EQ(version->platformId, 1u);
  EXPECT_EQ(version->servicePack, " A ");
  // an empty version object: 0.0.0 on the NT platform, no service pack
  const auto empty =
      Parse("{\"windowsDirectory\": null, \"systemDirectory\": null, \"version\": {}}").version;
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->majorVersion, 0u);
  EXPECT_EQ(empty->platformId, 2u);
  EXPECT_EQ(empty->servicePack, "");
}

TEST(MachineConfigTest, NullMeansTheQueryFails) {
  const auto config = Parse(
      "{\"windowsDirectory\": null, \"systemDirectory\": null, \"version\": null, "
      "\"userName\": null}");
  EXPECT_FALSE(config.windowsDirectory.has_value());
  EXPECT_FALSE(config.systemDirectory.has_value());
  EXPECT_FALSE(config.version.has_value());
  EXPECT_FALSE(config.userName.has_value());
  // no userName member fails the same way
  EXPECT_FALSE(Parse(Json()).userName.has_value());
  // folders as written
  EXPECT_EQ(Parse(Json()).windowsDirectory, "C:\\WINDOWS");
  EXPECT_EQ(Parse(Json()).systemDirectory, "C:\\WINDOWS\\system32");
}

TEST(MachineConfigTest, ConvertsTextsToWindows1252) {
  const auto config = Parse(Json(
      ",\n\"userName\": \"M\xC3\xBCller\",\n"
      "\"environment\": {\"GR\xC3\x96\xC3\x9F\x45\": \"\xE2\x82\xAC \xE2\x80\x93 \xE4\xB8\xAD\"},\n"
      "\"messages\": {\"5\": \"Zugriff \\u00fcberall verweigert\"}"));
  // ü
  EXPECT_EQ(config.userName, "M\xFCller");
  // Ö and ß in a name; €, en dash and a character 1252 lacks in a value
  ASSERT_EQ(config.environment.size(), 1u);
  EXPECT_EQ(config.environment[0].first, "GR\xD6\xDF\x45");
  EXPECT_EQ(config.environment[0].second, "\x80 \x96 ?");
  // a JSON escape
  EXPECT_EQ(config.messages.at(5), "Zugriff \xFC\x62\x65rall verweigert");
}

TEST(MachineConfigTest, DefaultsToGermanMessages) {
  const auto messages = Parse(Json()).messages;
  // the table the collectors expect, with its line ends and umlauts in 1252
  EXPECT_EQ(messages.at(2), "Das System kann die angegebene Datei nicht finden.\r\n");
  EXPECT_EQ(messages.at(5), "Zugriff verweigert\r\n");
  EXPECT_EQ(messages.at(6), "Das Handle ist ung\xFCltig.\r\n");
  EXPECT_EQ(messages.at(1008),
            "Es wurde versucht, auf ein Token zuzugreifen, das nicht vorhanden ist.\r\n");
  EXPECT_EQ(messages.count(1), 0u);
  // an own message adds to the table and replaces one code's text
  const auto own =
      Parse(Json(",\n\"messages\": {\"5\": \"Access is denied.\", \"9999\": \"X\"}")).messages;
  EXPECT_EQ(own.at(5), "Access is denied.");
  EXPECT_EQ(own.at(9999), "X");
  EXPECT_EQ(own.at(2), messages.at(2));
}

TEST(MachineConfigTest, RefusesBadMessageCodes) {
  // a hexadecimal code
  EXPECT_EQ(ErrorOfExtra(",\n\"messages\": {\n\"0x5\": \"x\"}"),
            "m.json:6: messages.0x5: expected a decimal error code as member name");
  // a code over 32 bits
  EXPECT_EQ(ErrorOfExtra(",\n\"messages\": {\"4294967296\": \"x\"}"),
            "m.json:5: messages.4294967296: expected a decimal error code as member name");
  // a number as text
  EXPECT_EQ(ErrorOfExtra(",\n\"messages\": {\"5\": 5}"), "m.json:5: messages.5: expected a text");
}

TEST(MachineConfigTest, DefaultsTokens) {
  const auto config = Parse(Json());
  // no thread token of its own: the open fails with 1008, so the process token is used
  EXPECT_EQ(config.threadToken.openError, 1008);
  EXPECT_FALSE(config.threadToken.groups.has_value());
  // the process token opens and has no groups
  EXPECT_EQ(config.processToken.openError, 0);
  EXPECT_EQ(config.processToken.groups, std::vector<Sid>{});
  // a null thread token is the same as none
  EXPECT_EQ(Parse(Json(",\n\"threadToken\": null")).threadToken.openError, 1008);
}

TEST(MachineConfigTest, ReadsTokens) {
  const auto config =
      Parse(Json(",\n\"threadToken\": {\"groups\": [\"S-1-5-32-544\"]},\n"
                 "\"processToken\": {\"error\": 5, \"groupQueryFails\": true}"));
  // a thread token that opens with its groups
  EXPECT_EQ(config.threadToken.openError, 0);
  EXPECT_EQ(config.threadToken.groups, (std::vector<Sid>{{5, {32, 544}}}));
  // a process token that does not open and whose group query would fail
  EXPECT_EQ(config.processToken.openError, 5);
  EXPECT_FALSE(config.processToken.groups.has_value());
  // error 0 would be no error
  EXPECT_EQ(ErrorOfExtra(",\n\"processToken\": {\"error\": \"0x0\"}"),
            "m.json:5: processToken.error: expected a non-zero error code");
}

TEST(MachineConfigTest, ReadsLocaleAndReportFileFault) {
  const auto config =
      Parse(Json(",\n\"locale\": {\"shortDate\": \"M/d/yy\", \"timeSeparator\": \".\"},\n"
                 "\"reportFile\": {\"failAfterBytes\": 10, \"failures\": 1}"));
  // given formats replace the German ones, the rest stay
  EXPECT_EQ(config.locale.shortDate, "M/d/yy");
  EXPECT_EQ(config.locale.longTime, "HH:mm:ss");
  EXPECT_EQ(config.locale.timeSeparator, ".");
  ASSERT_TRUE(config.reportFileFault.has_value());
  EXPECT_EQ(config.reportFileFault->failAfterBytes, 10u);
  EXPECT_EQ(config.reportFileFault->failures, 1);
  // the disk-full code unless told otherwise
  EXPECT_EQ(config.reportFileFault->errorCode, kErrorDiskFull);
  // no reportFile: no fault
  EXPECT_FALSE(Parse(Json()).reportFileFault.has_value());
}

}  // namespace
}  // namespace kdx

namespace kdx {
namespace {

/// A machine with every member of machine.json set to something but its default.
MachineConfig EveryMemberSet() {
  MachineConfig config;
  config.windowsDirectory = "C:\\WINDOWS";
  config.systemDirectory = std::nullopt;
  config.version = OsVersionInfo{5, 1, 2600, 2, "Service Pack 3"};
  config.nativeMachine = NativeMachine::kX64;
  config.userName = "Müller";
  config.threadToken = {kErrorAccessDenied, std::nullopt};
  config.processToken = {kErrorSuccess, std::vector<Sid>{*ParseSid("S-1-5-32-544")}};
  config.environment = {{"SessionName", "Console"}, {"TEMP", "C:\\Temp"}};  // as JSON orders them
  config.localTime = SystemTime{2026, 12, 2, 8, 15, 5, 9, 0};
  config.locale = {"d/M/yy", "h:mm", "."};
  config.utcOffsetMinutes = -300;
  config.userLanguage = 0x0409;
  config.messages = GermanSystemMessages();
  config.messages[1813] = "Ressource fehlt.\r\n";
  config.registryAccess = {{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo", {}}};
  config.reportFileFault = ReportFileFault{100, kErrorDiskFull, 2};
  config.files["C:\\KDX\\KDX.INI"] = {"C:\\KDX\\kdx.ini", config.localTime, 0x21, 32, 7, "\x01"};
  config.memory = {1, 2, 3, 4};
  config.drives.roots['C'] = {3, DiskFreeSpace{5, 6, 7}, DiskClusters{8, 512, 9, 10}};
  config.drives.mask = 4;
  config.drives.hasDiskFreeSpaceEx = false;
  config.services = {std::vector<std::uint32_t>{}, 5, {{"KDXMONX", "Monitor", 4, {{1}}, 6}}};
  config.processes = {{{8, "C:\\KDX\\kdx.exe", 5, 6, 87}}, 5, 120};
  config.mutexes = {{"KdxPmMutex", std::vector<std::uint32_t>{}}};
  config.shutdownPrivilege = {5, 1313, false};
  config.spooler = {{{"COM1:", "Local Port", "Lokaler Anschluss"}},
                    {{"Dexta KD-410", "USB001"}},
                    {0, 1722},
                    1722};
  return config;
}

// The writer states every member by the names the reader takes: what it writes reads back
// as it was.
TEST(MachineJsonWriterTest, WritesWhatTheReaderReadsBack) {
  const MachineConfig config = EveryMemberSet();
  EXPECT_EQ(Parse(MachineJsonText(config)), config);
  // A machine of the reader's defaults stays so.
  const MachineConfig defaults = Parse(Json());
  EXPECT_EQ(Parse(MachineJsonText(defaults)), defaults);
}

}  // namespace
}  // namespace kdx
