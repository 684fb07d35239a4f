#include "platform/gtk/settings_file.h"
#include "platform/gtk/autostart_entry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/settings.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nivarra-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path File() const { return dir_ / "config" / "nivarra" / "settings.ini"; }
  AutostartEntry Entry() const { return {dir_ / "config" / "autostart" / "nivarra.desktop", "Nivarra", "nivarra"}; }
  // The settings as a new run of the program sees them.
  std::unique_ptr<SettingsKey> Open(bool create = true) {
    store_ = std::make_unique<SettingsFileStore>(File());
    return store_->OpenSettings(create);
  }
  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Message(SettingsKey& key, std::string_view name) {
    try {
      ReadStoredInteger(key, name);
    } catch (const ESettingsError& error) {
      return error.what();
    }
    return "no error";
  }

  fs::path dir_;
  std::unique_ptr<SettingsFileStore> store_;
};

TEST_F(SettingsFile, TypedFilesWrittenBeforeReadAndTheNextSaveWritesThePlainForm) {
  WriteFile(File(),
            "# Nivarra's settings, rewritten by the program. Values are name=int:<32-bit number>\n"
            "# or name=str:<text with \\\\ \\n \\r \\t \\xHH escapes>.\n\n"
            "[Software\\Nivarra]\nLeft=int:975\nTop=int: -140 \nOnTop=int:1\nNote=str:two\\nlines \\x41\\\\\n"
            "Number=str:12\nBad=int:12x\nOdd=float:1.5\nLatitude=str:48.85\n");
  auto key = Open(false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadValue("Left"), SettingValue(975));
  EXPECT_EQ(key->ReadValue("Top"), SettingValue(-140));
  EXPECT_EQ(key->ReadValue("Note"), SettingValue(std::string("two\nlines A\\")));
  EXPECT_EQ(key->ReadValue("Bad"), SettingValue(ForeignSetting{kMalformedIntegerType, 3}));
  EXPECT_EQ(key->ReadValue("Odd"), SettingValue(ForeignSetting{kUnknownSettingType, 9}));
  EXPECT_EQ(Message(*key, "Bad"), "Invalid data type for 'Bad'");

  key->WriteInteger("Left", 12);
  key->Commit();
  EXPECT_EQ(Slurp(File()),
            "[Nivarra]\nLeft=12\nTop=-140\nOnTop=1\nNote=two\\nlines A\\\\\nNumber=\"12\"\nBad=int:12x\n"
            "Odd=float:1.5\nLatitude=48.85\n");
  key = Open(false);
  EXPECT_EQ(key->ReadValue("Note"), SettingValue(std::string("two\nlines A\\")));
  EXPECT_EQ(key->ReadValue("Number"), SettingValue(std::string("12")));
  EXPECT_EQ(Message(*key, "Bad"), "Invalid data type for 'Bad'");
}

// What a user types in the usual style reads as they mean it; the rest of
// the file, comments and all, survives a save, which writes once.
TEST_F(SettingsFile, HandEditsReadByWhatTheyHoldAndEverythingElseStays) {
  const std::string edited =
      "# my globe\n; as most INI files have them\n[Nivarra]\nLeft = 500\nOnTop=false\nisSnowOn=true\n"
      "  ;too high?\nTop=high\n"
      "Latitude=48.85\nLongitude=-73\nQuoted=\"7\"\nTwoLines=a\\nb\nBadEscape=\\q\nName[de]=Kugel\n\n"
      "[Elsewhere]\nmine=1\n";
  WriteFile(File(), "\xEF\xBB\xBF" + edited);
  auto key = Open(false);
  ASSERT_NE(key, nullptr);
  const std::pair<const char*, std::optional<SettingValue>> cases[] = {
      {"Left", 500},
      {"OnTop", 0},
      {"isSnowOn", 1},
      {"Top", std::string("high")},
      {"Latitude", std::string("48.85")},
      {"Longitude", -73},
      {"Quoted", std::string("7")},
      {"TwoLines", std::string("a\nb")},
      {"BadEscape", UnreadableSetting{}},
      {"mine", std::nullopt},  // another group's
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(key->ReadValue(name), value) << name;
  EXPECT_EQ(Message(*key, "Top"), "Invalid data type for 'Top'");
  EXPECT_EQ(Message(*key, "BadEscape"), "Failed to get data for 'BadEscape'");

  const std::string special[] = {"", "500", "true", "\"quoted\"", " blanks at both ends ", "two\nlines\r\n\t",
                                 "C:\\Program Files\\x", "=[#;] int:1", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9D\x84"};
  key->WriteInteger("Top", INT32_MIN);
  key->WriteBoolean("OnTop", true);
  key->DeleteValue("BadEscape");
  for (std::size_t i = 0; i < std::size(special); ++i) key->WriteString("s" + std::to_string(i), special[i]);
  EXPECT_THROW(key->WriteString("nul", std::string("a\0b", 3)), std::invalid_argument);
  for (const char* name : {"a=b", "[x", "#x", ";x", " x", "two\nlines", ""}) {
    EXPECT_THROW(key->WriteInteger(name, 1), std::invalid_argument) << name;
  }
  EXPECT_EQ(key->ReadValue("OnTop"), SettingValue(1));  // the key reads its own writes
  EXPECT_EQ(store_->FilesWritten(), 0);
  key->Commit();
  key->Commit();  // nothing new
  EXPECT_EQ(store_->FilesWritten(), 1);

  const std::string text = Slurp(File());
  EXPECT_TRUE(text.starts_with("# my globe\n; as most INI files have them\n\n[Nivarra]\nLeft=500\nOnTop=true\n"
                               "isSnowOn=true\n  ;too high?\nTop=-2147483648\nLatitude=48.85\n"))
      << text;
  EXPECT_NE(text.find("\nName[de]=Kugel\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[Elsewhere]\nmine=1\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("BadEscape"), std::string::npos) << text;
  key = Open(false);
  key->WriteInteger("Left", 500);
  key->Commit();
  EXPECT_EQ(store_->FilesWritten(), 0);  // saves of the same values leave the file alone
  EXPECT_EQ(Slurp(File()), text);
  for (std::size_t i = 0; i < std::size(special); ++i) {
    EXPECT_EQ(key->ReadValue("s" + std::to_string(i)), SettingValue(special[i])) << i;
  }
}

TEST_F(SettingsFile, ASymlinkedFileStaysALinkAndItsTargetChanges) {
  const fs::path target = dir_ / "dotfiles" / "nivarra.ini";
  WriteFile(target, "[Nivarra]\nLeft=1\n");
  fs::create_directories(File().parent_path());
  fs::create_symlink("../../dotfiles/nivarra.ini", File());
  const fs::perms mode = fs::status(target).permissions();
  auto key = Open();
  key->WriteInteger("Left", 2);
  key->Commit();
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(Slurp(target), "[Nivarra]\nLeft=2\n");
  EXPECT_EQ(fs::status(target).permissions(), mode);
}

// The user may be halfway through an edit, or made the file read-only: the
// problem says what and where, and the file is left as it is.
TEST_F(SettingsFile, AFileThatCannotBeReadParsedOrWrittenIsReportedAndNeverReplaced) {
  SettingsFileStore earlierStore(File());
  auto earlier = earlierStore.OpenSettings(true);
  ASSERT_NE(earlier, nullptr);
  const std::string file = File().string();
  const std::pair<std::string, std::string> broken[] = {
      {"[Nivarra]\nLeft=500\nTop 300\nOnTop=true\n",
       "line 3 (\u201CTop 300\u201D) is not a setting (Name=value), a [group] heading or a comment"},
      {"# mine\nLeft=500\n[Nivarra]\n", "line 2 comes before the first [group] heading"},
      {"[Nivarra]\n" + std::string(50, 'x') + "\n",
       "line 2 (\u201C" + std::string(40, 'x') + "\u2026\u201D) is not a setting (Name=value), a [group] heading or a comment"},
  };
  for (const auto& [text, reason] : broken) {
    WriteFile(File(), text);
    EXPECT_EQ(Open(true), nullptr);
    EXPECT_EQ(store_->LastProblem(), (SettingsProblem{reason, file}));
    earlier->WriteInteger("Left", 2);
    try {
      CommitStored(*earlier, "OnTop");
      ADD_FAILURE() << "the write went through";
    } catch (const ESettingsWriteError& error) {
      EXPECT_STREQ(error.what(), "Failed to set data for 'OnTop'");
      EXPECT_EQ(error.Problem(), (SettingsProblem{reason, file}));
    }
    EXPECT_EQ(Slurp(File()), text);
  }

  // Read-only, whoever runs the test: read, never replaced, and a save of
  // the values it holds says nothing.
  WriteFile(File(), "[Nivarra]\nLeft=500\n");
  fs::permissions(File(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  auto key = Open(true);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadValue("Left"), SettingValue(500));
  key->WriteInteger("Left", 500);
  key->Commit();
  key->WriteInteger("Left", 600);
  try {
    key->Commit();
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const SettingsStoreError& error) {
    EXPECT_EQ(error.Problem(), (SettingsProblem{"the file is read-only", file}));
  }
  EXPECT_EQ(Slurp(File()), "[Nivarra]\nLeft=500\n");

  // An I/O error on every read, whoever runs the test: a folder in the file's place.
  fs::remove(File());
  fs::create_directories(File() / "inside");
  EXPECT_EQ(Open(true), nullptr);
  EXPECT_EQ(store_->LastProblem(), (SettingsProblem{"Is a directory", file}));
  EXPECT_THROW(earlier->Commit(), SettingsStoreError);
  EXPECT_TRUE(fs::is_directory(File() / "inside"));
}

// Two globes saving at the same time: every value of both arrives.
TEST_F(SettingsFile, ChangesOfTwoProgramsAtOnceAreAllKept) {
  constexpr int kValues = 30;
  std::vector<pid_t> writers;
  for (const char prefix : {'a', 'b'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        SettingsFileStore store(File());
        auto key = store.OpenSettings(true);
        for (int i = 0; i < kValues; ++i) {
          key->WriteInteger(prefix + std::to_string(i), i);
          key->Commit();
        }
      } catch (...) {
        status = 1;
      }
      ::_exit(status);
    }
    writers.push_back(pid);
  }
  for (const pid_t pid : writers) {
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(status, 0);
  }
  auto key = Open(false);
  for (const char prefix : {'a', 'b'}) {
    for (int i = 0; i < kValues; ++i) EXPECT_EQ(key->ReadValue(prefix + std::to_string(i)), SettingValue(i));
  }
}

TEST_F(SettingsFile, StartingWithTheSessionIsTheAutostartEntry) {
  const fs::path entry = Entry().File;
  AutostartEntryFile autostart(Entry(), "/usr/local/bin/nivarra");
  EXPECT_EQ(autostart.IsEnabled(), std::nullopt);  // no autostart folder: the desktop cannot tell
  autostart.Enable();  // at once
  EXPECT_EQ(Slurp(entry),
            "[Desktop Entry]\nType=Application\nName=Nivarra\nExec=/usr/local/bin/nivarra\n"
            "TryExec=/usr/local/bin/nivarra\nIcon=nivarra\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\nNoDisplay=false\n");
  EXPECT_EQ(fs::status(entry).permissions() & fs::perms::others_read, fs::perms::others_read);
  EXPECT_EQ(autostart.IsEnabled(), true);
  EXPECT_EQ(autostart.Program(), SettingValue(std::string("/usr/local/bin/nivarra")));
  EXPECT_FALSE(fs::exists(File()));

  // Off removes the entry; the folder stays, and says off.
  autostart.Disable();
  EXPECT_FALSE(fs::exists(entry));
  autostart.Disable();
  EXPECT_EQ(autostart.IsEnabled(), false);

  // Switched off in the desktop's settings: off, and left as it is.
  for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
    const std::string text = std::string("[Desktop Entry]\nType=Application\nExec=/usr/bin/nivarra\n") + off + "\n";
    WriteFile(entry, text);
    EXPECT_EQ(autostart.IsEnabled(), false) << off;
    autostart.Disable();
    EXPECT_EQ(Slurp(entry), text);
  }
}

// Program paths come back as they went in, through what the desktop would
// split or expand; hand-written command lines give their program.
TEST_F(SettingsFile, TheAutostartCommandIsQuotedAndEscapedForTheDesktop) {
  const std::pair<std::string, std::string> cases[] = {
      {"/usr/bin/nivarra", "/usr/bin/nivarra"},
      {"/opt/my apps/nivarra", R"("/opt/my apps/nivarra")"},
      {"/tmp/50%/nivarra", "/tmp/50%%/nivarra"},
      {"/a\"b$c`d", R"("/a\\"b\\$c\\`d")"},
      {"/x\\y", R"("/x\\\\y")"},  // four backslashes for one
      {"/x\ny", R"("/x\ny")"},
      {"", R"("")"},
  };
  AutostartEntryFile autostart(Entry(), "/usr/bin/nivarra");
  for (const auto& [program, line] : cases) {
    autostart.Write(program);
    EXPECT_NE(Slurp(Entry().File).find("\nExec=" + line + "\n"), std::string::npos) << line;
    EXPECT_EQ(autostart.Program(), SettingValue(program)) << line;
  }
  const std::pair<std::string, std::optional<std::string>> written[] = {
      {R"(  "/opt/my apps/nivarra" --flag %U)", "/opt/my apps/nivarra"},
      {"/usr/bin/nivarra add", "/usr/bin/nivarra"},
      {R"("/unclosed)", std::nullopt},
      {"%U", std::nullopt},
      {"/bad\\qescape", std::nullopt},
  };
  for (const auto& [line, program] : written) {
    WriteFile(Entry().File, "[Desktop Entry]\nExec=" + line + "\n");
    const std::optional<SettingValue> value = autostart.Program();
    ASSERT_TRUE(value.has_value()) << line;
    if (program) {
      EXPECT_EQ(value, SettingValue(*program)) << line;
    } else {
      EXPECT_TRUE(std::holds_alternative<ForeignSetting>(*value)) << line;
    }
  }
}

TEST(ConfigHome, FollowsXdgConfigHomeWhenItIsAbsolute) {
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = savedConfig != nullptr ? savedConfig : "";
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);

  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(UserConfigHome(), fs::path("/somewhere/config"));
  EXPECT_EQ(DefaultSettingsFile(), fs::path("/somewhere/config/nivarra/settings.ini"));
  EXPECT_EQ(DefaultAutostartEntry().File, fs::path("/somewhere/config/autostart/nivarra.desktop"));
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(UserConfigHome(), fs::path(home) / ".config");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(UserConfigHome(), fs::path(home) / ".config");

  if (savedConfig != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace nivarra
