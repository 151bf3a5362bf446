#pragma once

namespace kdx {

/// The instruction dialog's caption and heading.
inline constexpr char kInstructionCaption[] = "KDXInfo";
/// The German and the English instruction, two lines each; each first line ends with a blank.
inline constexpr const char* kInstructionGerman[2] = {
    "Bitte speichern Sie die Datei KDXINFO*.txt mit dem ",
    "folgenden Dialog und senden sie per Email zurück."};
inline constexpr const char* kInstructionEnglish[2] = {
    "Please save the file KDXINFO*.txt with the following dialog ", "and send it back by email."};

}  // namespace kdx
