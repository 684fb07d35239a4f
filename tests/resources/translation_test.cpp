// The program's languages: which catalog a user gets, and each catalog's
// own plural rule, read from the catalogs the program carries and followed
// by the plaque's word.

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "app/globe_form.h"
#include "app/settings.h"
#include "core/date_time.h"
#include "core/embedded_catalogs.h"
#include "core/language_choice.h"
#include "core/translation.h"
#include "layout/loader.h"
#include "layout/resources.h"
#include "platform/headless/headless_platform.h"
#include "scene/countdown.h"
#include "support/plaque_glyphs.h"

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
  // The plaque of the program's own window writes each count with the
  // picture of its form ("21 день", "22 дня", "25 дней").
  RegisterLayoutResources();
  TfrmMain form;
  InitFormFromLayout(form);
  HolidayCountdown countdown;
  const double christmas = EncodeDate(2026, 12, 25);
  countdown.UpdateHolidayDates(christmas, [](double) { return std::string(); });
  const auto labelFor = [&](int count) {
    std::string label;
    test::DrawCountdownFrom(form, countdown, christmas - count + 0.5, CountdownChoice{true, false, false},
                            [&](const std::string& name, int, int) { label = name; });
    return label;
  };
  for (const auto& row : rows) {
    const std::vector<std::string> preferred{row.Language};
    auto catalog = OpenEmbeddedCatalog("", preferred);
    ASSERT_NE(catalog, nullptr) << row.Language;
    EXPECT_EQ(catalog->Plurals().Count(), 3) << row.Language;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      EXPECT_EQ(catalog->Plurals().FormFor(counts[i]), row.Forms[i]) << row.Language << " " << counts[i];
    }
    UseCatalog(std::move(catalog));
    for (std::size_t i = 0; i < counts.size(); ++i) {
      EXPECT_EQ(labelFor(counts[i]), "imgDays_" + std::string(row.Language) + "_" + std::to_string(row.Forms[i]))
          << row.Language << " " << counts[i];
    }
  }
  UseCatalog(nullptr);
  EXPECT_EQ(labelFor(1), "imgDDay");
  EXPECT_EQ(labelFor(21), "imgDays");
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

// The messages about the settings are put together from several texts and
// the values' names: in every language each of their lines is in that
// language, none left as the English line.
TEST(Translation, SettingsMessagesAreWholeInEveryLanguage) {
  const SettingsProblem problem{"reason", "/home/u/.config/nivarra/settings.ini"};
  const auto messages = [&] {
    std::vector<std::string> problems;
    HeadlessPlatform desktop;
    const std::unique_ptr<SettingsKey> key = desktop.OpenSettings(true);
    for (const char* name : {"Top", "Left"}) {
      try {
        key->WriteString(name, "x");
        ReadStoredInteger(*key, name);
      } catch (const ESettingsError& error) {
        problems.emplace_back(error.what());
      }
    }
    const std::span<const std::string> one(problems.data(), 1);
    return std::vector<std::string>{
        SaveFailedMessage(ESettingsWriteError("OnTop", problem), false),
        SaveFailedMessage(ESettingsWriteError("OnTop", SettingsProblem{"reason", {}}), true),
        UnusableStoreMessage(problem),
        UnusableSettingsMessage(one, problem.Place, true),
        UnusableSettingsMessage(problems, problem.Place, false),
    };
  };
  const auto lines = [](const std::string& text) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) found.push_back(line);
    }
    return found;
  };
  UseCatalog(nullptr);
  const std::vector<std::string> english = messages();
  ASSERT_EQ(lines(english[4]).size(), 4u);
  for (const std::span<const std::uint8_t> bytes : EmbeddedCatalogs()) {
    const std::string language = MoCatalog(bytes).Language();
    UseCatalog(std::make_unique<MoCatalog>(bytes));
    const std::vector<std::string> translated = messages();
    for (std::size_t m = 0; m < english.size(); ++m) {
      const std::vector<std::string> want = lines(english[m]), got = lines(translated[m]);
      ASSERT_EQ(got.size(), want.size()) << language << ": " << translated[m];
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NE(got[i], want[i]) << language << ", message " << m;
        // The place and the values' names stay as they are.
        for (const char* kept : {"OnTop", "Top", "settings.ini"}) {
          EXPECT_EQ(got[i].find(kept) != std::string::npos, want[i].find(kept) != std::string::npos)
              << language << ": " << got[i];
        }
      }
    }
  }
  UseCatalog(nullptr);
}

}  // namespace
}  // namespace nivarra
