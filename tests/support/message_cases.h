#pragma once

#include <string>
#include <vector>

namespace kdx::test {

/// A message and the text FormatMessageA makes of it with MessageArguments() (empty where the
/// call returns 0). The host tests check the emulation against the texts, the Windows tests
/// the real call against the emulation.
struct MessageCase {
  const char* message;
  const char* expected;
};

/// An argument for every placeholder a message can name, so that the real call never reads
/// past the array: "one", "two", "three", then "a4" to "a99".
inline std::vector<std::string> MessageArguments() {
  std::vector<std::string> arguments = {"one", "two", "three"};
  for (int number = 4; number <= 99; ++number) {
    arguments.push_back(std::string("a").append(std::to_string(number)));
  }
  return arguments;
}

inline constexpr MessageCase kMessageCases[] = {
    // inserts by number, two digits at most
    {"My messgage with parameters %1 %2\r\n", "My messgage with parameters one two\r\n"},
    {"%3%1%2%1", "threeonetwoone"},
    {"%10|%99|%100", "a10|a99|a100"},
    // printf on a string: width, precision, zeros, left-justify winning over zeros
    {"%1!s!", "one"},
    {"%1!10s!", "       one"},
    {"%1!-10s!|", "one       |"},
    {"%1!.2s!", "on"},
    {"%1!5.1s!", "    o"},
    {"%1!05s!", "00one"},
    {"%1!05.2s!", "000on"},
    {"%1!-05s!|", "one  |"},
    // flags that change nothing, size prefixes, the text after the conversion letter
    {"%1!+5s!", "  one"},
    {"%1! 5s!", "  one"},
    {"%1!#s!", "one"},
    {"%1!hs!", "one"},
    {"%1!hhs!", "one"},
    {"%1!hS!", "one"},
    {"%1!ss!", "ones"},
    {"%1!s!!", "one!"},
    // a format without conversion letter inserts nothing, an unknown letter stays as text
    {"<%1!!>", "<>"},
    {"<%1!10!>", "<>"},
    {"<%1!h!>", "<>"},
    {"<%1!-!>", "<>"},
    {"%1!q5s!", "q5s"},
    {"%1!z!", "z"},
    {"%1!%!", "%"},
    {"%1!10 !", " "},
    // escapes; %0 ends the message and with it the line break at its end
    {" %%%% ", " %% "},
    {"%n%r%t", "\r\n\r\t"},
    {" %.%. %!", " .. !"},
    {"% %  ", "   "},
    {"%q", "q"},
    {"test%0test", "test"},
    {"Dienst gestartet.%0\r\n", "Dienst gestartet."},
    // every line break becomes CR LF, except a CR right after a %
    {"a\r\nb", "a\r\nb"},
    {"a\nb", "a\r\nb"},
    {"a\rb", "a\r\nb"},
    {"a\r\r\nb", "a\r\n\r\nb"},
    {"a\n\rb", "a\r\n\r\nb"},
    {"%\r\nx", "\r\r\nx"},
    // Windows-1252 letters pass both conversions of the A call unchanged
    {"Gr\xFC\xDF \x80 %1", "Gr\xFC\xDF \x80 one"},
    // the call returns 0: empty text, a trailing %, an unclosed or over-long format, a "*"
    {"", ""},
    {"%0text", ""},
    {"%1!.0s!", ""},
    {"%", ""},
    {"test%", ""},
    {"%1!", ""},
    {"%1!s", ""},
    {"%1!-----------------------------s!", "one"},
    {"%1!------------------------------s!", ""},
    {"%1!*s!", ""},
};

}  // namespace kdx::test
