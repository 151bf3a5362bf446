#pragma once

// Registries that a hostile or unusual machine may hold, exported on every platform: the
// simulated store on the host and under Wine, the Win32 store under Wine. Each must export
// completely, in the same lines, and never crash.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "report/registry_export.h"
#include "report/report_writer.h"
#include "support/memory_file.h"
#include "support/sim_registry_fixture.h"
#include "support/test_machine.h"
#include "testkit/silent_front_end.h"

namespace kdx::test {

template <typename Fixture>
class RegistryExportContract : public ::testing::Test {
 protected:
  using Lines = std::vector<std::string>;

  /// The lines ExportRegistryKey writes for root\path.
  Lines Export(RegKey root, const std::string& path) {
    std::string bytes;
    RunContext context(machine_.Platform(), frontEnd_);
    ReportWriter writer(std::make_unique<MemoryFile>(bytes));
    ExportRegistryKey(context, writer, root, path, "");
    writer.Close();
    return ReportLines(bytes);
  }

  /// A REG_SZ as programs store it, with its NUL.
  void Text(RegKey root, const std::string& path, const std::string& name,
            const std::string& text) {
    machine_.Value(root, path, name, kRegSz, std::string(text.c_str(), text.size() + 1));
  }

  /// The class key a "Driver" value below kTestClassKey names, as the export writes its header.
  static std::string ClassHeader(const std::string& below) {
    return "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{KDXINFO-TEST}\\" +
           below + "]";
  }

  static std::string ClassKey(const std::string& below) {
    return std::string(kTestClassKey) + "\\" + below;
  }

  Fixture machine_;
  SilentFrontEnd frontEnd_;
};

TYPED_TEST_SUITE_P(RegistryExportContract);

// A chain of "Driver" detours, each class key naming the next, the last one the first.
TYPED_TEST_P(RegistryExportContract, FollowsALongDriverChainToItsEnd) {
  constexpr int kHops = 20000;
  for (int i = 0; i < kHops; ++i) {
    this->Text(kHKeyLocalMachine, this->ClassKey(std::to_string(i)), "Driver",
               "{KDXINFO-TEST}\\" + std::to_string((i + 1) % kHops));
  }
  const auto lines = this->Export(kHKeyLocalMachine,
                                  "\\SYSTEM\\CurrentControlSet\\Control\\Class\\{KDXINFO-TEST}\\0");
  ASSERT_EQ(lines.size(), 2u * kHops);
  for (int i = 0; i < kHops; i += 997) {
    EXPECT_EQ(lines[2 * i], this->ClassHeader(std::to_string(i)));
    EXPECT_EQ(lines[2 * i + 1],
              "\"Driver\"=\"{KDXINFO-TEST}\\" + std::to_string((i + 1) % kHops) + "\"");
  }
  // the way back to the first key is not taken again
  EXPECT_EQ(lines.back(), "\"Driver\"=\"{KDXINFO-TEST}\\0\"");
}

// Eight subkeys of one class key name it in eight spellings; none of them enters it again.
TYPED_TEST_P(RegistryExportContract, KnowsAClassKeyByAnySpelling) {
  const std::vector<std::string> spellings = {
      "{KDXINFO-TEST}\\0000",     "{KDXINFO-TEST}\\\\0000",  "{KDXINFO-TEST}\\0000\\",
      "{kdxinfo-test}\\0000",     "\\{KDXINFO-TEST}\\0000",  "{KDXINFO-TEST}\\\\\\0000\\\\",
      "{Kdxinfo-Test}\\\\0000\\", "{KDXINFO-TEST}\\0000\\\\"};
  this->machine_.Key(kHKeyLocalMachine, this->ClassKey("0000"));
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    this->Text(kHKeyLocalMachine, this->ClassKey("0000\\S" + std::to_string(i)), "Driver",
               spellings[i]);
  }
  std::vector<std::string> expected = {this->ClassHeader("0000")};
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    expected.push_back(this->ClassHeader("0000\\S" + std::to_string(i)));
    expected.push_back("\"Driver\"=\"" + spellings[i] + "\"");
  }
  EXPECT_EQ(this->Export(kHKeyLocalMachine,
                         "\\SYSTEM\\CurrentControlSet\\Control\\Class\\{KDXINFO-TEST}\\0000"),
            expected);
}

// 300 levels of 255-character names: far beyond MAX_PATH, and beyond any path a single open
// could take.
TYPED_TEST_P(RegistryExportContract, ExportsKeysWhateverTheLengthOfTheirPath) {
  constexpr int kDepth = 300;
  std::vector<std::string> names;
  for (int level = 0; level < kDepth; ++level) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%03d", level);
    names.push_back(std::string(252, static_cast<char>('a' + level % 26)) + suffix);
  }
  const std::string top = std::string(kTestKeyParent) + "\\Deep";
  this->machine_.NestedKeys(kHKeyCurrentUser, top, names, "Bottom", "reached");
  const auto lines = this->Export(kHKeyCurrentUser, "\\" + top);
  ASSERT_EQ(lines.size(), kDepth + 2u);
  std::string header = "[HKEY_CURRENT_USER\\" + top;
  EXPECT_EQ(lines[0], header + "]");
  for (int level = 0; level < kDepth; ++level) {
    header += "\\" + names[static_cast<std::size_t>(level)];
    EXPECT_EQ(lines[static_cast<std::size_t>(level) + 1], header + "]") << level;
  }
  EXPECT_EQ(lines.back(), "\"Bottom\"=\"reached\"");
}

// Texts too long for the expansion call get no expanded line, as a failed expansion.
TYPED_TEST_P(RegistryExportContract, ExpandsOnlyTextsTheCallCanTake) {
  const std::string key = std::string(kTestKeyParent) + "\\Expand";
  const std::string fits(kExpandSourceLimit, 'x');
  const std::string beyond(kExpandSourceLimit + 1, 'y');
  const std::string wraps(65536, 'z');
  for (const auto& [name, text] :
       {std::pair{"Fits", fits}, std::pair{"Beyond", beyond}, std::pair{"Wraps", wraps}}) {
    this->machine_.Value(kHKeyCurrentUser, key + "\\" + name, "Path", kRegExpandSz,
                         std::string(text.c_str(), text.size() + 1));
  }
  EXPECT_EQ(this->Export(kHKeyCurrentUser, "\\" + key + "\\Fits"),
            (std::vector<std::string>{"[HKEY_CURRENT_USER\\" + key + "\\Fits]",
                                      "\"Path\"=\"" + fits + "\"", "; " + fits}));
  EXPECT_EQ(this->Export(kHKeyCurrentUser, "\\" + key + "\\Beyond"),
            (std::vector<std::string>{"[HKEY_CURRENT_USER\\" + key + "\\Beyond]",
                                      "\"Path\"=\"" + beyond + "\""}));
  EXPECT_EQ(this->Export(kHKeyCurrentUser, "\\" + key + "\\Wraps"),
            (std::vector<std::string>{"[HKEY_CURRENT_USER\\" + key + "\\Wraps]",
                                      "\"Path\"=\"" + wraps + "\""}));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryExportContract, FollowsALongDriverChainToItsEnd,
                            KnowsAClassKeyByAnySpelling, ExportsKeysWhateverTheLengthOfTheirPath,
                            ExpandsOnlyTextsTheCallCanTake);

}  // namespace kdx::test
