#pragma once

#include <string_view>

namespace kdx {

/// Orders two Windows-1252 names as CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1,
/// b, -1) orders them on the German Windows the program reports on: the order of FileList and
/// of folder listings. Returns <0, 0 or >0; 0 means equal for Windows, which is more than equal
/// bytes ("a" and "A", "Strasse" and "Straße", "ae" and "æ", "ab" and "a" soft-hyphen "b").
///
/// The order is not by bytes. Letters, digits and symbols are compared first with accents and
/// case left aside, then the accents, then the case; blanks and most punctuation are symbols
/// that sort before digits and letters ("a b" < "ab"); hyphens, apostrophes, dashes and control
/// characters count only when all else is equal ("coop" < "co-op" < "cop"); ß, æ, œ and þ sort
/// as two letters; digits compare one by one ("file10" < "file9").
///
/// The weights come from Wine 8 under the German user locale 0x0407 with code page 1252
/// (platform/collation_table.inc, made by scripts/record-collation.sh): the simulated machines
/// are German Windows installations, and a German user locale is what CompareStringA sorts
/// their names by. Wine's sort tables follow current Windows; a real Windows XP may weigh some
/// characters differently, which no machine here can show.
///
/// A name ends at its first NUL, as one passed with length -1 does. Never allocates.
int CompareNamesIgnoreCase(std::string_view a, std::string_view b);

}  // namespace kdx
