// The program's languages: which catalog a user gets, and each catalog's
// own plural rule, read from the catalogs the program carries.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/embedded_catalogs.h"
#include "core/language_choice.h"

namespace nivarra {
namespace {

TEST(Translation, PluralFormsFollowEachLanguagesRule) {
  constexpr std::array<int, 12> counts{0, 1, 2, 4, 5, 11, 12, 21, 22, 25, 111, 367};
  // день, дня, дней / dzień, dni, dni / den, dny, dní: worked out by hand
  // from each language's grammar.
  const struct {
    const char* Language;
    std::array<int, 12> Forms;
  } rows[] = {
      {"ru", {2, 0, 1, 1, 2, 2, 2, 0, 1, 2, 2, 2}},
      {"pl", {2, 0, 1, 1, 2, 2, 2, 2, 1, 2, 2, 2}},
      {"cs", {2, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2}},
  };
  for (const auto& row : rows) {
    const std::vector<std::string> preferred{row.Language};
    const auto catalog = OpenEmbeddedCatalog("", preferred);
    ASSERT_NE(catalog, nullptr) << row.Language;
    EXPECT_EQ(catalog->Plurals().Count(), 3) << row.Language;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      EXPECT_EQ(catalog->Plurals().FormFor(counts[i]), row.Forms[i]) << row.Language << " " << counts[i];
    }
  }
}

TEST(Translation, ChoosesTheSettingElseTheUsersFirstLanguageTheProgramSpeaks) {
  const std::vector<std::string> available{"de", "pt_BR", "ru", "sr"};
  const struct {
    const char* Setting;
    std::vector<std::string> Preferred;
    const char* Expected;
  } rows[] = {
      {"", {"de_DE.UTF-8"}, "de"},
      {"", {"de-AT"}, "de"},
      {"", {"pt-BR"}, "pt_BR"},
      {"", {"pt_PT"}, "pt_BR"},
      {"", {"sr@latin", "ru_UA.UTF-8"}, "ru"},
      {"", {"sr-Cyrl-RS"}, "sr"},
      {"", {"ja_JP", "en_GB", "de"}, ""},
      {"", {"C.UTF-8"}, ""},
      {"ru", {"de_DE.UTF-8"}, "ru"},
      {"en", {"de_DE.UTF-8"}, ""},
      {"xx", {"de_DE.UTF-8"}, "de"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChooseLanguage(row.Setting, row.Preferred, available), row.Expected)
        << "setting " << row.Setting << ", first preferred " << row.Preferred.front();
  }
}

}  // namespace
}  // namespace nivarra
