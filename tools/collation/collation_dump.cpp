// Records how the user locale sorts each Windows-1252 byte and writes the rows of
// platform/collation_table.inc. Run it through scripts/record-collation.sh, which gives Wine
// the German user locale the table is made for.
//   kdx_collation_dump.exe OUTPUT_FILE
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr LCID kGermanLocale = 0x0407;
constexpr UINT kWindows1252 = 1252;
// A weight that leaves its level alone; the sort key drops it at the end of a level.
constexpr unsigned kNeutralWeight = 2;
constexpr unsigned char kLevelSeparator = 0x01;
constexpr std::size_t kPunctuationEntrySize = 4;

using Bytes = std::vector<unsigned char>;

/// The levels of one sort key, in the order the key holds them.
struct SortKeyLevels {
  Bytes primary;
  Bytes diacritic;
  Bytes case_weight;
  Bytes extra;
  Bytes punctuation;
};

Bytes SortKeyOf(unsigned code) {
  const char text[1] = {static_cast<char>(code)};
  char key[256];
  const int size = ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, 1,
                                  key, sizeof key);
  return Bytes(key, key + (size > 0 ? size : 0));
}

// The first four levels end in 0x01 and cannot hold it; the punctuation level runs to the
// closing NUL.
bool SplitSortKey(const Bytes& key, SortKeyLevels& levels) {
  Bytes* const first_four[] = {&levels.primary, &levels.diacritic, &levels.case_weight,
                               &levels.extra};
  std::size_t position = 0;
  for (Bytes* level : first_four) {
    while (position < key.size() && key[position] != kLevelSeparator) {
      level->push_back(key[position++]);
    }
    if (position == key.size()) return false;
    ++position;
  }
  if (key.empty() || key.back() != 0) return false;
  levels.punctuation.assign(key.begin() + static_cast<std::ptrdiff_t>(position), key.end() - 1);
  return true;
}

bool AllAtLeastNeutral(const Bytes& weights) {
  for (unsigned char weight : weights) {
    if (weight < kNeutralWeight) return false;
  }
  return true;
}

// Each primary weight is a script byte and a weight byte and owns one diacritic and one case
// weight, none below neutral (the comparison relies on that). A byte that adds to the previous
// letter's diacritic (a combining mark) or a punctuation entry beside letters would need more
// than the table's rows can say.
bool FitsTheTable(const SortKeyLevels& levels) {
  const std::size_t elements = levels.primary.size() / 2;
  if (levels.primary.size() % 2 != 0) return false;
  if (levels.diacritic.size() > elements || levels.case_weight.size() > elements) return false;
  if (!AllAtLeastNeutral(levels.diacritic) || !AllAtLeastNeutral(levels.case_weight)) {
    return false;
  }
  if (!levels.extra.empty()) return false;
  if (levels.punctuation.empty()) return true;
  return elements == 0 && levels.punctuation.size() == kPunctuationEntrySize &&
         levels.punctuation[0] == 0xFF && levels.punctuation[1] == 0xFF &&
         levels.punctuation[2] != 0;
}

std::string Format(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The trailing neutral weights the sort key dropped come back, one per element.
std::string WeightList(const Bytes& weights, std::size_t elements) {
  std::string list = "{";
  for (std::size_t i = 0; i < elements; ++i) {
    if (i > 0) list += ", ";
    list += Format("0x%02X", i < weights.size() ? weights[i] : kNeutralWeight);
  }
  return list + "}";
}

std::string PrimaryList(const Bytes& primary) {
  std::string list = "{";
  for (std::size_t i = 0; i < primary.size(); i += 2) {
    if (i > 0) list += ", ";
    list += Format("0x%04X", primary[i] << 8 | primary[i + 1]);
  }
  return list + "}";
}

std::string KeyText(const Bytes& key) {
  std::string text;
  for (unsigned char value : key) text += Format(" %02X", value);
  return text;
}

std::string Row(unsigned code, const Bytes& key, const SortKeyLevels& levels) {
  const std::size_t elements = levels.primary.size() / 2;
  const bool punctuation = !levels.punctuation.empty();
  std::string row = "{";
  row += std::to_string(elements);
  row += ", " + PrimaryList(levels.primary);
  row += ", " + WeightList(levels.diacritic, elements);
  row += ", " + WeightList(levels.case_weight, elements);
  row += ", " + Format("0x%02X", punctuation ? levels.punctuation[2] : 0);
  row += ", " + Format("0x%02X", punctuation ? levels.punctuation[3] : 0);
  row += "},  // " + Format("0x%02X:", code) + KeyText(key) + "\n";
  return row;
}

// The Wine release that answered, or Windows itself.
std::string SystemName() {
  using WineVersion = const char* (*)();
  const FARPROC wine_version =
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version");
  if (wine_version == nullptr) return "Windows";
  // GetProcAddress knows no signatures; a cast through void(*)() says so.
  return std::string("Wine ") +
         reinterpret_cast<WineVersion>(reinterpret_cast<void (*)()>(wine_version))();
}

std::string Header() {
  std::string header =
      "// Generated by tools/collation/collation_dump.cpp: how "
      "CompareStringA(LOCALE_USER_DEFAULT,\n"
      "// NORM_IGNORECASE) weighs each Windows-1252 byte, read from the sort key\n"
      "// LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE) of the byte alone,\n"
      "// under ";
  header += SystemName();
  header +=
      " with the German user locale 0x0407 (LC_ALL=de_DE.UTF-8) and\n"
      "// ANSI code page 1252. Do not edit; make it again with scripts/record-collation.sh.\n"
      "// Each row: element count, primary weights (script and weight), diacritic weights, case\n"
      "// weights, punctuation weight and its marks; then the byte and its sort key.\n"
      "// clang-format off\n";
  return header;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kdx_collation_dump OUTPUT_FILE\n");
    return 2;
  }
  if (::GetUserDefaultLCID() != kGermanLocale || ::GetACP() != kWindows1252) {
    std::fprintf(stderr, "user locale %04lX, code page %u: German (0407) with 1252 needed\n",
                 ::GetUserDefaultLCID(), ::GetACP());
    return 1;
  }
  std::string rows = Header();
  rows += "{},  // 0x00: ends the name\n";
  for (unsigned code = 1; code < 256; ++code) {
    const Bytes key = SortKeyOf(code);
    SortKeyLevels levels;
    if (!SplitSortKey(key, levels) || !FitsTheTable(levels)) {
      std::fprintf(stderr, "byte %02X: sort key%s does not fit the table\n", code,
                   KeyText(key).c_str());
      return 1;
    }
    rows += Row(code, key, levels);
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << rows;
  return out.flush() ? 0 : 1;
}
