#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kdx {

/// The text that FormatMessageA makes of message when it is given string arguments with
/// FORMAT_MESSAGE_ARGUMENT_ARRAY, without FORMAT_MESSAGE_IGNORE_INSERTS and with maximum width
/// 0, as the event log export formats an event's message with the event's insertion strings.
/// message is the message table entry (or the FORMAT_MESSAGE_FROM_STRING text); it and each
/// argument end at their first NUL, as the C strings the call reads.
///
/// Escapes: %% gives %, %n CR LF, %r CR, %t a tab; %0 ends the message there (a message ending
/// in "%0" has no line break at its end); % followed by any other character gives that
/// character ("%." ".", "%!" "!", "% " " "). CR LF, a lone CR and a lone LF in the message each
/// become CR LF.
///
/// Inserts: %1 to %99 (two digits at most: "%100" is %10 and a "0") insert that argument.
/// "%1!format!" formats it as printf formats a string with "%format": the flags "-"
/// (left-justify) and "0" (pad with zeros) count, "+", " " and "#" change nothing, a width pads
/// to that many characters with blanks, ".precision" keeps that many characters; a size
/// prefix (h, hh, l, ll, w, L, I, I32, I64) is passed over; what follows the conversion letter
/// up to the closing "!" is kept as text ("%1!ss!" gives the argument and "s"). A format that
/// ends before its conversion letter ("%1!!", "%1!10!") inserts nothing; an unknown conversion
/// letter is kept as text with the rest of the format ("%1!q5s!" gives "q5s").
///
/// Where Windows would read a string argument as something else, the emulation keeps to the
/// argument's text, with the width and precision as for s: S, ls, ws and the other wide forms
/// (Windows reads the 8-bit text as UTF-16 and runs on until two NUL bytes), and the numeric
/// and character conversions c, C, d, i, o, u, x, X, p (Windows formats the string's address).
///
/// A placeholder beyond the arguments (%3 with two arguments) reads no argument: it inserts the
/// text "%3", formatted by its !format! like an argument; so a real call given an array padded
/// with such texts up to %99 gives the same text.
///
/// The result is empty wherever FormatMessageA returns 0: when the text comes out empty, when
/// it would be longer than 32,767 characters (the call's 64 KB limit), or when the message is
/// malformed: a % at its end, or a !format! without its closing "!" or longer than 30
/// characters. It is empty as well for a width or precision "*", for which Windows would take
/// an argument's address as the number.
std::string ApplyMessageInserts(std::string_view message,
                                const std::vector<std::string>& arguments);

}  // namespace kdx
