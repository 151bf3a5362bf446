#include "platform/machine/machine_config.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/file_system.h"
#include "platform/machine/json_lines.h"
#include "platform/machine/machine_error.h"
#include "platform/machine/machine_json_members.h"
#include "platform/machine/machine_json_reader.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

using nlohmann::json;

using machine_json::Child;
using machine_json::Path;
using machine_json::Reader;
namespace m = machine_json::members;

std::optional<std::string> OptionalText(const Reader& r, const json& doc, const char* name) {
  const json& value = doc.at(name);
  if (value.is_null()) return std::nullopt;
  return r.Text(value, {name});
}

OsVersionInfo ReadVersion(const Reader& r, const json& v, const Path& path) {
  r.CheckMembers(v, path, m::version::kAll);
  // Defaults are unsigned like every whole number nlohmann reads from the file; a signed
  // json(0) would be refused by Unsigned().
  const auto number = [&](const char* name, unsigned fallback) {
    return r.Unsigned(v.value(name, json(fallback)), Child(path, name));
  };
  OsVersionInfo info;
  info.majorVersion = number(m::version::kMajor, 0);
  info.minorVersion = number(m::version::kMinor, 0);
  info.buildNumber = number(m::version::kBuild, 0);
  info.platformId = number(m::version::kPlatformId, 2);
  const Path servicePack = Child(path, m::version::kServicePack);
  info.servicePack = r.Text(v.value(m::version::kServicePack, json("")), servicePack);
  if (info.servicePack.size() > 127) r.Fail(servicePack, "at most 127 bytes");
  return info;
}

SimToken ReadToken(const Reader& r, const json& t, const Path& path) {
  r.CheckMembers(t, path, m::token::kAll);
  SimToken token;
  if (t.contains(m::token::kError)) {
    const Path error = Child(path, m::token::kError);
    token.openError = static_cast<long>(r.Unsigned(t[m::token::kError], error));
    if (token.openError == kErrorSuccess) r.Fail(error, "a non-zero error code");
  }
  if (t.contains(m::token::kGroupQueryFails) &&
      r.Flag(t[m::token::kGroupQueryFails], Child(path, m::token::kGroupQueryFails))) {
    return token;
  }
  std::vector<Sid> groups;
  const Path groupsPath = Child(path, m::token::kGroups);
  const json& list = t.value(m::token::kGroups, json::array());
  if (!list.is_array()) r.Fail(groupsPath, "a list of SIDs");
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto sid = list[i].is_string() ? ParseSid(list[i].get<std::string>()) : std::nullopt;
    if (!sid) r.Fail(Child(groupsPath, std::to_string(i)), "a SID such as S-1-5-32-544");
    groups.push_back(*sid);
  }
  token.groups = std::move(groups);
  return token;
}

constexpr std::int64_t kWidestUtcOffset = 840;  // fourteen hours

// Sakamoto's method; 0 is Sunday as in SYSTEMTIME.
std::uint16_t DayOfWeek(int year, int month, int day) {
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return static_cast<std::uint16_t>(
      (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

SystemTime ReadLocalTime(const Reader& r, const json& value, const Path& path) {
  const std::string text = value.is_string() ? value.get<std::string>() : std::string();
  SystemTime time;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                  &second, &tail) != 6 ||
      year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 59 || hour < 0 || minute < 0 || second < 0 || day > DaysInMonth(year, month)) {
    r.Fail(path, "a local time \"YYYY-MM-DD hh:mm:ss\"");
  }
  time.year = static_cast<std::uint16_t>(year);
  time.month = static_cast<std::uint16_t>(month);
  time.day = static_cast<std::uint16_t>(day);
  time.hour = static_cast<std::uint16_t>(hour);
  time.minute = static_cast<std::uint16_t>(minute);
  time.second = static_cast<std::uint16_t>(second);
  time.dayOfWeek = DayOfWeek(year, month, day);
  return time;
}

LocaleFormats ReadLocale(const Reader& r, const json& l, const Path& path) {
  r.CheckMembers(l, path, m::locale::kAll);
  LocaleFormats formats;
  const auto text = [&](const char* name, std::string& field) {
    if (l.contains(name)) field = r.Text(l[name], Child(path, name));
  };
  text(m::locale::kShortDate, formats.shortDate);
  text(m::locale::kLongTime, formats.longTime);
  text(m::locale::kTimeSeparator, formats.timeSeparator);
  return formats;
}

std::map<std::uint32_t, std::string> ReadMessages(const Reader& r, const json& m,
                                                  const Path& path) {
  if (!m.is_object()) r.Fail(path, "an object of error codes and texts");
  std::map<std::uint32_t, std::string> messages = GermanSystemMessages();
  for (const auto& [code, text] : m.items()) {
    std::uint32_t number = 0;
    const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), number);
    if (ec != std::errc() || end != code.data() + code.size()) {
      r.Fail(Child(path, code), "a decimal error code as member name");
    }
    messages[number] = r.Text(text, Child(path, code));
  }
  return messages;
}

std::vector<std::pair<std::string, std::vector<std::uint32_t>>> ReadRegistryAccess(
    const Reader& r, const json& a, const Path& path) {
  if (!a.is_object()) r.Fail(path, "an object of key paths and allowed access masks");
  std::vector<std::pair<std::string, std::vector<std::uint32_t>>> rules;
  for (const auto& [key, masks] : a.items()) {
    rules.emplace_back(Utf8ToCp1252(key), r.Masks(masks, Child(path, key)));
  }
  return rules;
}

// Bytes written as pairs of hexadecimal digits ("fe04efbe").
std::optional<std::string> HexBytes(const std::string& text) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

SimFileFacts ReadFileFacts(const Reader& r, const json& f, const Path& path) {
  r.CheckMembers(f, path, m::file::kAll);
  SimFileFacts facts;
  if (f.contains(m::file::kLastWrite)) {
    facts.lastWrite = ReadLocalTime(r, f[m::file::kLastWrite], Child(path, m::file::kLastWrite));
  }
  if (f.contains(m::file::kAttributes)) {
    const Path attributesPath = Child(path, m::file::kAttributes);
    facts.attributes = ParseAttributeLetters(r.Text(f[m::file::kAttributes], attributesPath));
    if (!facts.attributes)
      r.Fail(attributesPath, "attribute letters from A, C, D, H, L, R, S, T or N");
  }
  if (f.contains(m::file::kOpenError)) {
    facts.openError =
        static_cast<long>(r.Unsigned(f[m::file::kOpenError], Child(path, m::file::kOpenError)));
  }
  if (f.contains(m::file::kSize)) {
    facts.size = r.Unsigned64(f[m::file::kSize], Child(path, m::file::kSize),
                              std::numeric_limits<std::uint64_t>::max());
  }
  if (f.contains(m::file::kVersionInfo)) {
    const Path versionPath = Child(path, m::file::kVersionInfo);
    if (!facts.size)
      r.Fail(versionPath, "a size beside it: only a file stated by its size has one");
    facts.versionInfo = HexBytes(r.Text(f[m::file::kVersionInfo], versionPath));
    if (!facts.versionInfo) r.Fail(versionPath, "the version resource in pairs of hex digits");
  }
  return facts;
}

std::map<std::string, SimFileFacts> ReadFiles(const Reader& r, const json& files,
                                              const Path& path) {
  if (!files.is_object()) r.Fail(path, "an object of Windows paths and what is known of them");
  std::map<std::string, SimFileFacts> facts;
  for (const auto& [windowsPath, file] : files.items()) {
    SimFileFacts& stated = facts[NormalWindowsPath(Utf8ToCp1252(windowsPath))];
    stated = ReadFileFacts(r, file, Child(path, windowsPath));
    stated.path = Utf8ToCp1252(windowsPath);
  }
  return facts;
}

ReportFileFault ReadReportFileFault(const Reader& r, const json& f, const Path& path) {
  namespace names = m::report_file;
  r.CheckMembers(f, path, names::kAll);
  ReportFileFault fault;
  fault.failAfterBytes =
      r.Unsigned(f.value(names::kFailAfterBytes, json(0u)), Child(path, names::kFailAfterBytes));
  fault.errorCode = static_cast<long>(
      r.Unsigned(f.value(names::kErrorCode, json(static_cast<unsigned>(kErrorDiskFull))),
                 Child(path, names::kErrorCode), 0xFFFF));
  if (f.contains(names::kFailures)) {
    fault.failures =
        static_cast<int>(r.Unsigned(f[names::kFailures], Child(path, names::kFailures), 1000000));
  }
  return fault;
}

}  // namespace

std::optional<Wow64View> Wow64ViewOf(const MachineConfig& config) {
  if (config.nativeMachine == NativeMachine::kNone) return std::nullopt;
  const OsVersionInfo version = config.version.value_or(OsVersionInfo{});
  return Wow64View(version.majorVersion, version.minorVersion,
                   config.windowsDirectory.value_or(""));
}

std::string NormalWindowsPath(std::string_view path) {
  std::string normal;
  normal.reserve(path.size());
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && !normal.empty() && normal.back() == '\\') continue;
    normal.push_back(UpcaseAnsiChar(c));
  }
  if (!normal.empty() && normal.back() == '\\') normal.pop_back();
  return normal;
}

namespace {

// The letters machine.json spells attributes with, in the order its writer puts them.
constexpr std::pair<char, std::uint32_t> kAttributeLetters[] = {
    {'A', kFileAttributeArchive},     {'C', kFileAttributeCompressed},
    {'D', kFileAttributeDirectory},   {'H', kFileAttributeHidden},
    {'R', kFileAttributeReadOnly},    {'S', kFileAttributeSystem},
    {'T', kFileAttributeTemporary},   {'N', kFileAttributeNormal},
    {'L', kFileAttributeReparsePoint}};

}  // namespace

std::optional<std::uint32_t> ParseAttributeLetters(std::string_view letters) {
  std::uint32_t attributes = 0;
  for (const char c : letters) {
    const auto* found = std::find_if(std::begin(kAttributeLetters), std::end(kAttributeLetters),
                                     [&](const auto& letter) { return letter.first == c; });
    if (found == std::end(kAttributeLetters)) return std::nullopt;
    attributes |= found->second;
  }
  return attributes;
}

std::string AttributeLettersOf(std::uint32_t attributes) {
  std::string letters;
  for (const auto& [letter, bit] : kAttributeLetters) {
    if ((attributes & bit) != 0) letters += letter;
  }
  return letters.empty() ? "N" : letters;
}

std::optional<Sid> ParseSid(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 4) != "S-1-") return std::nullopt;
  std::vector<std::uint64_t> numbers;
  std::size_t pos = 4;
  while (pos <= text.size()) {
    const std::size_t end = std::min(text.find('-', pos), text.size());
    std::uint64_t number = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + pos, text.data() + end, number);
    if (ec != std::errc() || ptr != text.data() + end) return std::nullopt;
    numbers.push_back(number);
    pos = end + 1;
  }
  // Authority, then at most 15 sub-authorities of 32 bits each.
  if (numbers.empty() || numbers.size() > 16 || numbers[0] > 0xFFFFFFFFFFFFull) return std::nullopt;
  Sid sid;
  sid.authority = numbers[0];
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] > 0xFFFFFFFF) return std::nullopt;
    sid.subAuthorities.push_back(static_cast<std::uint32_t>(numbers[i]));
  }
  return sid;
}

const std::map<std::uint32_t, std::string>& GermanSystemMessages() {
  static const std::map<std::uint32_t, std::string> kMessages = {
      {2, "Das System kann die angegebene Datei nicht finden.\r\n"},
      {3, "Das System kann den angegebenen Pfad nicht finden.\r\n"},
      {5, "Zugriff verweigert\r\n"},
      {6, "Das Handle ist ungültig.\r\n"},
      {21, "Das Gerät ist nicht bereit.\r\n"},
      {30, "Das System kann nicht vom angegebenen Gerät lesen.\r\n"},
      {32,
       "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess "
       "verwendet wird.\r\n"},
      {33,
       "Der Prozess kann nicht auf die Datei zugreifen, da ein anderer Prozess einen Teil der "
       "Datei gesperrt hat.\r\n"},
      {87, "Falscher Parameter.\r\n"},
      {122, "Der an einen Systemaufruf übergebene Datenbereich ist zu klein.\r\n"},
      {234, "Weitere Daten sind verfügbar.\r\n"},
      {259, "Es sind keine weiteren Daten vorhanden.\r\n"},
      {1008, "Es wurde versucht, auf ein Token zuzugreifen, das nicht vorhanden ist.\r\n"},
      {1060, "Der angegebene Dienst ist kein installierter Dienst.\r\n"},
      {1062, "Der Dienst wurde nicht gestartet.\r\n"},
      {1503, "Die Ereignisprotokolldatei wurde zwischen den Lesevorgängen geändert.\r\n"},
      {1722, "Der RPC-Server ist nicht verfügbar.\r\n"},
      {1797, "Der Druckertreiber ist unbekannt.\r\n"},
      {1801, "Der Druckername ist ungültig.\r\n"},
  };
  return kMessages;
}

MachineConfig ParseMachineJson(std::string_view text, const std::string& fileName) {
  json doc;
  try {
    doc = json::parse(text.begin(), text.end());
  } catch (const json::parse_error& e) {
    throw MachineError(fileName, LineOfOffset(text, e.byte),
                       "expected valid JSON (" + std::string(e.what()) + ")");
  } catch (const json::out_of_range& e) {
    // A number beyond a double ("1e400"); nlohmann does not tell where it stands.
    throw MachineError(fileName, 0, "expected valid JSON (" + std::string(e.what()) + ")");
  }
  const Reader r(text, fileName);
  namespace names = m::machine;
  r.CheckMembers(doc, {}, names::kAll);
  for (const char* required : names::kRequired) {
    if (!doc.contains(required)) r.Fail({required}, "this member (it is required)");
  }
  MachineConfig config;
  config.windowsDirectory = OptionalText(r, doc, names::kWindowsDirectory);
  config.systemDirectory = OptionalText(r, doc, names::kSystemDirectory);
  if (!doc[names::kVersion].is_null()) {
    config.version = ReadVersion(r, doc[names::kVersion], {names::kVersion});
  }
  if (doc.contains(names::kArchitecture)) {
    const auto machine =
        NativeMachineNamed(r.Text(doc[names::kArchitecture], {names::kArchitecture}));
    if (!machine) r.Fail({names::kArchitecture}, "one of x86, x64, arm64, ia64");
    config.nativeMachine = *machine;
  }
  if (doc.contains(names::kUserName)) config.userName = OptionalText(r, doc, names::kUserName);
  if (doc.contains(names::kThreadToken) && !doc[names::kThreadToken].is_null()) {
    config.threadToken = ReadToken(r, doc[names::kThreadToken], {names::kThreadToken});
  }
  if (doc.contains(names::kProcessToken)) {
    config.processToken = ReadToken(r, doc[names::kProcessToken], {names::kProcessToken});
  } else {
    config.processToken.groups = std::vector<Sid>{};
  }
  if (doc.contains(names::kEnvironment)) {
    const json& env = doc[names::kEnvironment];
    if (!env.is_object()) r.Fail({names::kEnvironment}, "an object of variable names and values");
    for (const auto& [name, value] : env.items()) {
      config.environment.emplace_back(Utf8ToCp1252(name),
                                      r.Text(value, {names::kEnvironment, name}));
    }
  }
  if (doc.contains(names::kLocalTime)) {
    config.localTime = ReadLocalTime(r, doc[names::kLocalTime], {names::kLocalTime});
  }
  if (doc.contains(names::kLocale)) {
    config.locale = ReadLocale(r, doc[names::kLocale], {names::kLocale});
  }
  if (doc.contains(names::kUtcOffsetMinutes)) {
    const json& offset = doc[names::kUtcOffsetMinutes];
    if (!offset.is_number_integer() || offset.get<std::int64_t>() < -kWidestUtcOffset ||
        offset.get<std::int64_t>() > kWidestUtcOffset) {
      r.Fail({names::kUtcOffsetMinutes}, "whole minutes from -840 to 840");
    }
    config.utcOffsetMinutes = static_cast<int>(offset.get<std::int64_t>());
  }
  if (doc.contains(names::kUserLanguage)) {
    config.userLanguage = static_cast<std::uint16_t>(
        r.Unsigned(doc[names::kUserLanguage], {names::kUserLanguage}, 0xFFFF));
  }
  config.messages = doc.contains(names::kMessages)
                        ? ReadMessages(r, doc[names::kMessages], {names::kMessages})
                        : GermanSystemMessages();
  if (doc.contains(names::kRegistryAccess)) {
    config.registryAccess =
        ReadRegistryAccess(r, doc[names::kRegistryAccess], {names::kRegistryAccess});
  }
  if (doc.contains(names::kReportFile)) {
    config.reportFileFault = ReadReportFileFault(r, doc[names::kReportFile], {names::kReportFile});
  }
  if (doc.contains(names::kFiles)) config.files = ReadFiles(r, doc[names::kFiles], {names::kFiles});
  machine_json::ReadMachineFacts(r, doc, config);
  return config;
}

}  // namespace kdx
