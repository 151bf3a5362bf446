#include "platform/formats/reg_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/formats/format_error.h"
#include "platform/machine/machine_error.h"

namespace kdx {
namespace {

/// Writes what the parser hands out as text lines: "[80000002]SOFTWARE\A" for a key,
/// "name|type|hex bytes" for a value.
class RecordingSink : public RegFileSink {
 public:
  std::vector<std::string> items;

  void OnKey(const RegKeyPath& key) override {
    char root[16];
    std::snprintf(root, sizeof root, "[%lX]", static_cast<unsigned long>(key.root));
    items.push_back(root + std::string(key.path));
  }

  void OnValue(std::string_view name, std::uint32_t type, std::string_view data) override {
    std::string item = std::string(name) + "|" + std::to_string(type) + "|";
    for (const char c : data) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x ", static_cast<unsigned char>(c));
      item += hex;
    }
    if (!data.empty()) item.pop_back();
    items.push_back(item);
  }
};

std::vector<std::string> Parse(std::string_view bytes) {
  RecordingSink sink;
  ParseRegFile(bytes, sink);
  return sink.items;
}

/// The values of a REGEDIT4 file with one key and the given value lines.
std::vector<std::string> ValuesOf(const std::string& valueLines) {
  std::vector<std::string> items = Parse("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n" + valueLines);
  items.erase(items.begin());
  return items;
}

/// The error text for a file, naming it as a machine directory does, or "no error".
std::string ErrorOf(std::string_view bytes) {
  try {
    Parse(bytes);
  } catch (const FormatError& error) {
    return MachineError("test.reg", error).what();
  }
  return "no error";
}

/// The error text for value lines after "REGEDIT4", "[HKCU\K]" (they start on line 3).
std::string ValueErrorOf(const std::string& valueLines) {
  return ErrorOf("REGEDIT4\n[HKCU\\K]\n" + valueLines);
}

using Items = std::vector<std::string>;

TEST(RegFileTest, AcceptsBothHeaders) {
  // 8-bit REGEDIT4
  EXPECT_EQ(Parse("REGEDIT4\r\n"), Items{});
  // version 5 header without BOM, trailing blanks and no line end
  EXPECT_EQ(Parse("Windows Registry Editor Version 5.00  "), Items{});
}

TEST(RegFileTest, RefusesMissingHeader) {
  const std::string expected =
      "test.reg:1: expected the header REGEDIT4 or Windows Registry Editor Version 5.00";
  // empty file
  EXPECT_EQ(ErrorOf(""), expected);
  // key line first
  EXPECT_EQ(ErrorOf("[HKLM\\A]\r\n"), expected);
  // header in the wrong case
  EXPECT_EQ(ErrorOf("regedit4\r\n"), expected);
  // header after a blank line
  EXPECT_EQ(ErrorOf("\r\nREGEDIT4\r\n"), expected);
  // an unknown version
  EXPECT_EQ(ErrorOf("Windows Registry Editor Version 6.00\r\n"), expected);
}

TEST(RegFileTest, ReadsKeyLinesOfEveryRoot) {
  EXPECT_EQ(Parse("REGEDIT4\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo]\n"
                  "[HKEY_CURRENT_USER\\A]\n"
                  "[HKEY_CLASSES_ROOT\\.txt]\n"
                  "[HKEY_USERS\\.DEFAULT]\n"
                  "[HKEY_CURRENT_CONFIG\\System]\n"
                  "[HKLM\\B]\n[HKCU\\C]\n[HKCR\\D]\n[HKU\\E]\n[HKCC\\F]\n"
                  "[hkey_local_machine\\lower]\n"
                  "[HKEY_USERS]\n"
                  "  [HKLM\\Indented and spaced ]  \n"
                  "[HKLM\\Brackets]inside]\n"),
            (Items{"[80000002]SOFTWARE\\Kelmo", "[80000001]A", "[80000000].txt",
                   "[80000003].DEFAULT", "[80000005]System", "[80000002]B", "[80000001]C",
                   "[80000000]D", "[80000003]E", "[80000005]F", "[80000002]lower", "[80000003]",
                   "[80000002]Indented and spaced ", "[80000002]Brackets]inside"}));
}

TEST(RegFileTest, RefusesBadKeyLines) {
  const std::string badRoot =
      "test.reg:2: expected a root key HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, "
      "HKEY_USERS, HKEY_CURRENT_CONFIG (or HKLM, HKCU, HKCR, HKU, HKCC)";
  const std::string emptyName = "test.reg:2: expected key names between single backslashes";
  // unknown root
  EXPECT_EQ(ErrorOf("REGEDIT4\n[HKEY_DYN_DATA\\A]\n"), badRoot);
  // no root at all
  EXPECT_EQ(ErrorOf("REGEDIT4\n[]\n"), badRoot);
  // leading backslash
  EXPECT_EQ(ErrorOf("REGEDIT4\n[\\HKLM\\A]\n"), badRoot);
  // doubled backslash
  EXPECT_EQ(ErrorOf("REGEDIT4\n[HKLM\\A\\\\B]\n"), emptyName);
  // trailing backslash
  EXPECT_EQ(ErrorOf("REGEDIT4\n[HKLM\\A\\]\n"), emptyName);
  // root with a lone backslash
  EXPECT_EQ(ErrorOf("REGEDIT4\n[HKLM\\]\n"), emptyName);
  // no closing bracket
  EXPECT_EQ(ErrorOf("REGEDIT4\n[HKLM\\A\n"), "test.reg:2: expected ']' at the end of the key line");
  // a lone bracket
  EXPECT_EQ(ErrorOf("REGEDIT4\n[\n"), "test.reg:2: expected ']' at the end of the key line");
  // key deletion
  EXPECT_EQ(ErrorOf("REGEDIT4\n[-HKLM\\A]\n"),
            "test.reg:2: expected a key to add; deleting a key with [-...] is not supported");
}

TEST(RegFileTest, ReadsStringValues) {
  // plain text, with its NUL
  EXPECT_EQ(ValuesOf("\"Name\"=\"ab\""), Items{"Name|1|61 62 00"});
  // empty text is just the NUL
  EXPECT_EQ(ValuesOf("\"e\"=\"\""), Items{"e|1|00"});
  // default value
  EXPECT_EQ(ValuesOf("@=\"d\""), Items{"|1|64 00"});
  // escaped backslash and quote in the data
  EXPECT_EQ(ValuesOf("\"p\"=\"C:\\\\x\\\"y\""), Items{"p|1|43 3a 5c 78 22 79 00"});
  // escaped backslash and quote in the name
  EXPECT_EQ(ValuesOf("\"a\\\\b\\\"c\"=\"\""), Items{"a\\b\"c|1|00"});
  // another escape keeps its backslash
  EXPECT_EQ(ValuesOf("\"n\"=\"a\\nb\""), Items{"n|1|61 5c 6e 62 00"});
  // blanks around '=' and after the data
  EXPECT_EQ(ValuesOf("\"s\" \t= \"x\"  "), Items{"s|1|78 00"});
  // an equals sign and a semicolon inside the text
  EXPECT_EQ(ValuesOf("\"q\"=\"a=b;c\""), Items{"q|1|61 3d 62 3b 63 00"});
  // 1252 bytes pass unchanged
  EXPECT_EQ(ValuesOf("\"\xE4\"=\"\x80\""), Items{"\xE4|1|80 00"});
  // empty name is the default value too
  EXPECT_EQ(ValuesOf("\"\"=\"x\""), Items{"|1|78 00"});
}

TEST(RegFileTest, RefusesBadStringValues) {
  // no closing quote in the data
  EXPECT_EQ(ValueErrorOf("\"a\"=\"abc"), "test.reg:3: expected a closing quote");
  // closing quote escaped away
  EXPECT_EQ(ValueErrorOf("\"a\"=\"abc\\\""), "test.reg:3: expected a closing quote");
  // no closing quote in the name
  EXPECT_EQ(ValueErrorOf("\"abc=1"), "test.reg:3: expected a closing quote");
  // text after the closing quote
  EXPECT_EQ(ValueErrorOf("\"a\"=\"b\"c"),
            "test.reg:3: expected the end of the line after the closing quote");
  // no '='
  EXPECT_EQ(ValueErrorOf("\"a\" \"b\""), "test.reg:3: expected '=' after the value name");
  // nothing after the name
  EXPECT_EQ(ValueErrorOf("@"), "test.reg:3: expected '=' after the value name");
  // no data
  EXPECT_EQ(ValueErrorOf("\"a\"="),
            "test.reg:3: expected data \"text\", dword:XXXXXXXX, hex:XX,... or hex(type):XX,...");
  // unquoted data
  EXPECT_EQ(ValueErrorOf("\"a\"=b"),
            "test.reg:3: expected data \"text\", dword:XXXXXXXX, hex:XX,... or hex(type):XX,...");
}

TEST(RegFileTest, ReadsDwordValues) {
  // eight digits, little-endian
  EXPECT_EQ(ValuesOf("\"d\"=dword:12345678"), Items{"d|4|78 56 34 12"});
  // fewer digits
  EXPECT_EQ(ValuesOf("\"d\"=dword:1"), Items{"d|4|01 00 00 00"});
  // largest value, upper-case digits
  EXPECT_EQ(ValuesOf("\"d\"=dword:FFFFFFFF"), Items{"d|4|ff ff ff ff"});
  // upper-case prefix and trailing blanks
  EXPECT_EQ(ValuesOf("\"d\"=DWORD:0000abcd  "), Items{"d|4|cd ab 00 00"});
}

TEST(RegFileTest, RefusesBadDwordValues) {
  const std::string expected = "test.reg:3: expected 1 to 8 hex digits after dword:";
  // nine digits do not fit
  EXPECT_EQ(ValueErrorOf("\"d\"=dword:000000001"), expected);
  // no digits
  EXPECT_EQ(ValueErrorOf("\"d\"=dword:"), expected);
  // not hex
  EXPECT_EQ(ValueErrorOf("\"d\"=dword:12g4"), expected);
  // blank inside
  EXPECT_EQ(ValueErrorOf("\"d\"=dword: 1"), expected);
  // a sign
  EXPECT_EQ(ValueErrorOf("\"d\"=dword:-1"), expected);
}

TEST(RegFileTest, ReadsHexValuesOfAnyType) {
  // binary
  EXPECT_EQ(ValuesOf("\"b\"=hex:01,ab,FF"), Items{"b|3|01 ab ff"});
  // empty binary
  EXPECT_EQ(ValuesOf("\"b\"=hex:"), Items{"b|3|"});
  // REG_NONE
  EXPECT_EQ(ValuesOf("\"b\"=hex(0):00"), Items{"b|0|00"});
  // REG_EXPAND_SZ
  EXPECT_EQ(ValuesOf("\"b\"=hex(2):25,00"), Items{"b|2|25 00"});
  // REG_MULTI_SZ
  EXPECT_EQ(ValuesOf("\"b\"=hex(7):61,00,00"), Items{"b|7|61 00 00"});
  // REG_QWORD, type in hex
  EXPECT_EQ(ValuesOf("\"b\"=hex(b):01,00,00,00,00,00,00,00"),
            Items{"b|11|01 00 00 00 00 00 00 00"});
  // unknown types
  EXPECT_EQ(ValuesOf("\"b\"=hex(100):01"), Items{"b|256|01"});
  EXPECT_EQ(ValuesOf("\"b\"=HEX(ABCD):"), Items{"b|43981|"});
  EXPECT_EQ(ValuesOf("\"b\"=hex(ffffffff):02"), Items{"b|4294967295|02"});
  // REG_SZ without its NUL
  EXPECT_EQ(ValuesOf("\"b\"=hex(1):61"), Items{"b|1|61"});
  // DWORD of the wrong size
  EXPECT_EQ(ValuesOf("\"b\"=hex(4):01,02"), Items{"b|4|01 02"});
  // single digits and blanks around the commas
  EXPECT_EQ(ValuesOf("\"b\"=hex: 1 , a ,0f "), Items{"b|3|01 0a 0f"});
}

TEST(RegFileTest, RefusesBadHexValues) {
  // not a hex digit
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,0g"), "test.reg:3: expected a hex byte 00 to ff");
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,zz"), "test.reg:3: expected a hex byte 00 to ff");
  // three digits
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:100"), "test.reg:3: expected a hex byte 00 to ff");
  // missing comma
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01 02"), "test.reg:3: expected ',' between hex bytes");
  // trailing comma at the end of the data
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,"), "test.reg:3: expected a hex byte after ','");
  // doubled comma
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,,02"), "test.reg:3: expected a hex byte 00 to ff");
  const std::string badType =
      "test.reg:3: expected hex(type): with a type code of 1 to 8 hex digits";
  // empty type
  EXPECT_EQ(ValueErrorOf("\"b\"=hex():01"), badType);
  // type of nine digits
  EXPECT_EQ(ValueErrorOf("\"b\"=hex(100000000):01"), badType);
  // type not hex
  EXPECT_EQ(ValueErrorOf("\"b\"=hex(x):01"), badType);
  // no colon
  EXPECT_EQ(ValueErrorOf("\"b\"=hex(2)01"), badType);
  // no closing parenthesis
  EXPECT_EQ(ValueErrorOf("\"b\"=hex(2:01"), badType);
  // nothing after the parenthesis
  EXPECT_EQ(ValueErrorOf("\"b\"=hex(2)"), badType);
}

TEST(RegFileTest, JoinsContinuationLines) {
  // regedit's wrapping: comma, backslash, indented next line
  EXPECT_EQ(ValuesOf("\"b\"=hex:01,02,\\\r\n  03,04\r\n\"c\"=dword:5"),
            (Items{"b|3|01 02 03 04", "c|4|05 00 00 00"}));
  // blanks after the comma and after the backslash, tab indent
  EXPECT_EQ(ValuesOf("\"b\"=hex(7):61, \\ \n\t00,\\\n 00"), Items{"b|7|61 00 00"});
  // continuation before the first byte
  EXPECT_EQ(ValuesOf("\"b\"=hex:\\\n  01"), Items{"b|3|01"});
  // several continuations in a row
  EXPECT_EQ(ValuesOf("\"b\"=hex:01,\\\n\\\n02"), Items{"b|3|01 02"});
}

TEST(RegFileTest, RefusesBadContinuations) {
  // the file ends after the backslash
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,\\"),
            "test.reg:3: expected a continuation line after the trailing backslash");
  // the continued line is empty: counted on that line
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,\\\n\n"), "test.reg:4: expected a hex byte after ','");
  // a bad byte on the continued line is reported on that line
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01,\\\n  02,\\\n  xx"),
            "test.reg:5: expected a hex byte 00 to ff");
  // a backslash without a comma before it
  EXPECT_EQ(ValueErrorOf("\"b\"=hex:01\\\n02"), "test.reg:3: expected ',' between hex bytes");
}

TEST(RegFileTest, SkipsCommentsAndBlankLines) {
  EXPECT_EQ(Parse("REGEDIT4\n\n; a comment\n  ;indented [HKLM\\No]\n[HKLM\\A]\n\n \t\n"
                  "; \"x\"=\"y\"\n\"v\"=dword:1\n"),
            (Items{"[80000002]A", "v|4|01 00 00 00"}));
}

TEST(RegFileTest, TreatsCrLfAndLfAlike) {
  EXPECT_EQ(Parse("REGEDIT4\r\n[HKLM\\A]\r\n\"s\"=\"x\"\r\n\"b\"=hex:01,\\\r\n  02\r\n"),
            Parse("REGEDIT4\n[HKLM\\A]\n\"s\"=\"x\"\n\"b\"=hex:01,\\\n  02\n"));
}

TEST(RegFileTest, RefusesOtherLines) {
  const std::string unknown =
      "test.reg:3: expected a key line [ROOT\\path], a value line \"name\"=... or @=..., or a ; "
      "comment";
  // a bare word
  EXPECT_EQ(ValueErrorOf("name=value"), unknown);
  // a # comment
  EXPECT_EQ(ValueErrorOf("# comment"), unknown);
  // a value before any key
  EXPECT_EQ(ErrorOf("REGEDIT4\n\n\"a\"=\"b\"\n"),
            "test.reg:3: expected a key line [ROOT\\path] before the first value");
  // a value deletion
  EXPECT_EQ(ValueErrorOf("\"a\"=-"),
            "test.reg:3: expected data; deleting a value with '-' is not supported");
  // the first fault stops the file: line numbers count every line
  EXPECT_EQ(ErrorOf("REGEDIT4\r\n\r\n[HKLM\\A]\r\n;c\r\n\"a\"=dword:1\r\n\"a\"=dword:\r\n"),
            "test.reg:6: expected 1 to 8 hex digits after dword:");
}

TEST(RegFileTest, HandsOverItemsInFileOrderUntilTheFault) {
  RecordingSink sink;
  EXPECT_THROW(
      ParseRegFile("REGEDIT4\n[HKLM\\A]\n\"z\"=dword:1\n[HKCU\\B]\n\"a\"=hex:1\nbad\n", sink),
      FormatError);
  EXPECT_EQ(sink.items, (Items{"[80000002]A", "z|4|01 00 00 00", "[80000001]B", "a|3|01"}));
}

/// UTF-16LE bytes of an ASCII text, with the BOM.
std::string Utf16(std::string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(RegFileTest, ReadsUtf16FilesWithBom) {
  // a regedit version 5 file with CRLF
  EXPECT_EQ(
      Parse(Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\A]\r\n\"s\"=\"x\"\r\n")),
      (Items{"[80000002]A", "s|1|78 00"}));
  // U+00E4 and U+20AC become 1252 bytes; a surrogate pair and a lone surrogate one '?' each
  const std::string header = Utf16("REGEDIT4\n[HKLM\\A]\n\"");
  const std::string name = std::string(
      "\xE4\x00\xAC\x20"
      "\x3D\xD8\x00\xDE"
      "\x00\xD8",
      10);
  EXPECT_EQ(Parse(header + name + Utf16("\"=\"\"\n").substr(2)),
            (Items{"[80000002]A", "\xE4\x80??|1|00"}));
  // a UTF-16 file with a bad line reports the line
  EXPECT_EQ(ErrorOf(Utf16("REGEDIT4\r\n[HKLM\\A]\r\nbad\r\n")),
            "test.reg:3: expected a key line [ROOT\\path], a value line \"name\"=... or @=..., "
            "or a ; comment");
}

TEST(RegFileTest, Version5StringTypesHoldUtf16Bytes) {
  // regedit writes hex(1), hex(2) and hex(7) of a version 5 file in UTF-16; the ANSI view
  // halves them. Other types keep their bytes.
  const std::string v5 = "Windows Registry Editor Version 5.00\n[HKLM\\A]\n";
  EXPECT_EQ(Parse(v5 + "\"e\"=hex(2):25,00,41,00,25,00,00,00\n"),
            (Items{"[80000002]A", "e|2|25 41 25 00"}));
  EXPECT_EQ(Parse(v5 + "\"m\"=hex(7):61,00,00,00,e4,00,00,00,00,00\n"),
            (Items{"[80000002]A", "m|7|61 00 e4 00 00"}));
  EXPECT_EQ(Parse(v5 + "\"b\"=hex:61,00\n"), (Items{"[80000002]A", "b|3|61 00"}));
  // A REGEDIT4 file holds them as 8-bit text already.
  EXPECT_EQ(Parse("REGEDIT4\n[HKLM\\A]\n\"e\"=hex(2):25,00\n"),
            (Items{"[80000002]A", "e|2|25 00"}));
}

TEST(RegFileTest, ReadsUtf8FilesWithBom) {
  // U+00E9 in UTF-8 becomes the 1252 byte E9
  EXPECT_EQ(Parse("\xEF\xBB\xBFREGEDIT4\n[HKLM\\\xC3\xA9]\n"), Items{"[80000002]\xE9"});
}

TEST(RegFileTest, ConvertsFileText) {
  // no BOM: bytes unchanged
  EXPECT_EQ(RegFileText("a\xE4"), "a\xE4");
  // UTF-16LE BOM, odd trailing byte ignored
  EXPECT_EQ(RegFileText(std::string("\xFF\xFE"
                                    "a\0\xAC\x20x",
                                    7)),
            "a\x80");
  // UTF-16BE is not known: left as bytes
  EXPECT_EQ(RegFileText("\xFE\xFF\0a"), "\xFE\xFF");
}

TEST(RegFileTest, SplitsKeyPaths) {
  // root and path
  EXPECT_EQ(SplitKeyPath("HKLM\\A\\B")->path, "A\\B");
  EXPECT_EQ(SplitKeyPath("HKEY_USERS\\A")->root, kHKeyUsers);
  // the root alone
  EXPECT_EQ(SplitKeyPath("hkcu")->path, "");
  // unknown root, empty names
  EXPECT_FALSE(SplitKeyPath("HKEY_PERFORMANCE_DATA\\A"));
  EXPECT_FALSE(SplitKeyPath("HKLMX"));
  EXPECT_FALSE(SplitKeyPath("HKLM\\"));
  EXPECT_FALSE(SplitKeyPath("HKLM\\\\A"));
  EXPECT_FALSE(SplitKeyPath("HKLM\\A\\"));
}

}  // namespace
}  // namespace kdx
