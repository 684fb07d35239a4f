#include "platform/gtk/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "app/settings.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "Software\\Nivarra";
constexpr std::string_view kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nivarra-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  SettingsLocation Location() const {
    return {dir_ / "config" / "nivarra" / "settings.ini",
            AutostartEntry{std::string(kRun), "Nivarra", dir_ / "config" / "autostart" / "nivarra.desktop",
                           "Nivarra", "nivarra"}};
  }
  // A store as a new run of the program sees it.
  std::unique_ptr<SettingsKey> Open(std::string_view path = kKey, bool create = true) {
    store_ = std::make_unique<SettingsFileStore>(Location());
    return store_->OpenKey(path, create);
  }
  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void WriteSettingsFile(const std::string& text) const {
    fs::create_directories(Location().File.parent_path());
    std::ofstream(Location().File, std::ios::binary) << text;
  }
  std::vector<std::string> FilesBeside() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Location().File.parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  fs::path dir_;
  std::unique_ptr<SettingsFileStore> store_;
};

TEST_F(SettingsFile, EveryValueComesBackAsWrittenInItsPlace) {
  const std::string special[] = {"",
                                 "C:\\Program Files\\x",
                                 "two\nlines\r\n",
                                 "\ttab, \x01 and \x7F",
                                 "  blanks at both ends  ",
                                 "=[#;] str:int: \\x41 \\n",
                                 "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9D\x84",
                                 std::string("nul\0inside", 10)};
  {
    auto key = Open();
    ASSERT_NE(key, nullptr);
    key->WriteInteger("Left", 975);
    key->WriteInteger("Top", -140);
    key->WriteInteger("Min", INT32_MIN);
    key->WriteInteger("Max", INT32_MAX);
    for (std::size_t i = 0; i < std::size(special); ++i) key->WriteString("s" + std::to_string(i), special[i]);
    key->WriteInteger("Left", 12);  // stays first
    key->DeleteValue("Top");
    key->DeleteValue("never there");
    EXPECT_EQ(key->ReadValue("Left"), SettingValue(12));  // the key sees its own writes
  }
  auto key = Open(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadValue("Left"), SettingValue(12));
  EXPECT_FALSE(key->ValueExists("Top"));
  EXPECT_EQ(key->ReadValue("Top"), std::nullopt);
  EXPECT_EQ(key->ReadValue("Min"), SettingValue(INT32_MIN));
  EXPECT_EQ(key->ReadValue("Max"), SettingValue(INT32_MAX));
  for (std::size_t i = 0; i < std::size(special); ++i) {
    EXPECT_EQ(key->ReadValue("s" + std::to_string(i)), SettingValue(special[i])) << i;
  }

  const std::string text = Slurp(Location().File);
  EXPECT_NE(text.find("\n[Software\\Nivarra]\nLeft=int:12\nMin=int:-2147483648\nMax=int:2147483647\ns0=str:\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\ns2=str:two\\nlines\\r\\n\ns3=str:\\t"), std::string::npos) << text;
  EXPECT_NE(text.find("\ns7=str:nul\\x00inside\n"), std::string::npos) << text;
  EXPECT_EQ(FilesBeside(), std::vector<std::string>{"settings.ini"});
}

TEST_F(SettingsFile, KeysAreSectionsThatExistOnceCreated) {
  EXPECT_EQ(Open(kKey, false), nullptr);
  EXPECT_EQ(store_->LastError(), "");
  EXPECT_NE(Open(kKey, true), nullptr);  // creates the folder, the file and the empty section
  EXPECT_NE(Open(kKey, false), nullptr);
  EXPECT_NE(Slurp(Location().File).find("[Software\\Nivarra]\n"), std::string::npos);

  Open("\\Software\\Nivarra")->WriteInteger("Left", 1);  // the same key
  Open("Software\\Other")->WriteInteger("Left", 2);
  EXPECT_EQ(Open()->ReadValue("Left"), SettingValue(1));
  EXPECT_EQ(Open("Software\\Other", false)->ReadValue("Left"), SettingValue(2));

  auto key = Open();
  EXPECT_THROW(key->WriteInteger("a=b", 1), std::invalid_argument);
  EXPECT_THROW(key->WriteInteger("[x", 1), std::invalid_argument);
  EXPECT_THROW(key->WriteString("two\nlines", "x"), std::invalid_argument);
  EXPECT_EQ(Open("bad\npath"), nullptr);
  EXPECT_NE(store_->LastError(), "");
}

TEST_F(SettingsFile, ValuesOfOtherKindsReadAsForeignAndSurviveRewrites) {
  const std::string foreign = "Left=int:12x\r\nTop=int:99999999999\nA=float:1.5\nB=no type\nC=str:bad\\q\nD=str:\\x4";
  WriteSettingsFile("# hand-edited\n[Software\\Nivarra]\n" + foreign + "\n  E = int: 42 \nF=str:text\nstray line\n");
  auto key = Open(kKey, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadValue("Left"), SettingValue(ForeignSetting{kMalformedIntegerType, 3}));
  EXPECT_EQ(key->ReadValue("Top"), SettingValue(ForeignSetting{kMalformedIntegerType, 11}));
  EXPECT_EQ(key->ReadValue("A"), SettingValue(ForeignSetting{kUnknownSettingType, 9}));
  EXPECT_EQ(key->ReadValue("B"), SettingValue(ForeignSetting{kUnknownSettingType, 7}));
  EXPECT_EQ(key->ReadValue("C"), SettingValue(ForeignSetting{kMalformedStringType, 5}));
  EXPECT_EQ(key->ReadValue("D"), SettingValue(ForeignSetting{kMalformedStringType, 3}));
  EXPECT_EQ(key->ReadValue("E"), SettingValue(42));

  // What the user is told about them.
  const auto message = [&](std::string_view name) -> std::string {
    try {
      ReadStoredInteger(*key, name);
    } catch (const ESettingsError& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(message("Left"), "Invalid data type for 'Left'");
  EXPECT_EQ(message("A"), "Invalid data type for 'A'");
  EXPECT_EQ(message("F"), "Invalid data type for 'F'");
  EXPECT_EQ(ReadStoredInteger(*key, "E"), 42);

  key->WriteInteger("G", 7);
  const std::string rewritten =
      "[Software\\Nivarra]\nLeft=int:12x\nTop=int:99999999999\nA=float:1.5\nB=no type\nC=str:bad\\q\n"
      "D=str:\\x4\nE=int: 42 \nF=str:text\nG=int:7\n";
  EXPECT_NE(Slurp(Location().File).find(rewritten), std::string::npos) << Slurp(Location().File);
  EXPECT_EQ(Open(kKey, false)->ReadValue("Left"), SettingValue(ForeignSetting{kMalformedIntegerType, 3}));
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsReportedAndNeverReplaced) {
  auto earlier = Open();
  ASSERT_NE(earlier, nullptr);
  earlier->WriteInteger("Left", 1);
  // An I/O error on every read, whoever runs the test: a folder in the file's place.
  fs::remove(Location().File);
  fs::create_directories(Location().File / "inside");

  EXPECT_EQ(Open(kKey, true), nullptr);
  EXPECT_NE(store_->LastError().find(Location().File.string()), std::string::npos) << store_->LastError();
  EXPECT_THROW(earlier->WriteInteger("Left", 2), std::system_error);
  try {
    WriteStoredInteger(earlier.get(), "Left", 2);
    ADD_FAILURE() << "the write went through";
  } catch (const ESettingsError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Left'");
  }
  EXPECT_TRUE(fs::is_directory(Location().File / "inside"));
  EXPECT_EQ(FilesBeside(), std::vector<std::string>{"settings.ini"});
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeFailsTheWrites) {
  fs::create_directories(dir_ / "config");
  std::ofstream(dir_ / "config" / "nivarra") << "a file where the folder goes";
  EXPECT_EQ(Open(kKey, true), nullptr);
  EXPECT_NE(store_->LastError(), "");
  EXPECT_EQ(Open(kKey, false), nullptr);
}

// A write cut short (here by the file size limit, which holds for root
// too) leaves the old file as it was and no temporary file behind.
TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
  auto key = Open();
  key->WriteString("Long", std::string(2000, 'x'));
  const std::string before = Slurp(Location().File);
  // A temporary file from a crash is not read and does not hinder writes.
  std::ofstream(Location().File.parent_path() / ".settings.ini.Xy12Ab") << "[Software\\Nivarra]\nLeft=int:666\n";

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(key->WriteInteger("Left", 5), std::system_error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(Slurp(Location().File), before);
  EXPECT_EQ(FilesBeside().size(), 2u);  // the file and the crash's leftover
  EXPECT_FALSE(Open()->ValueExists("Left"));
  Open()->WriteInteger("Left", 5);
  EXPECT_EQ(Open()->ReadValue("Left"), SettingValue(5));
}

// Two globes saving at the same time: every value of both arrives.
TEST_F(SettingsFile, ChangesOfTwoProgramsAtOnceAreAllKept) {
  ASSERT_NE(Open(), nullptr);
  constexpr int kValues = 30;
  std::vector<pid_t> writers;
  for (const char prefix : {'a', 'b'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        auto key = SettingsFileStore(Location()).OpenKey(kKey, false);
        for (int i = 0; i < kValues; ++i) key->WriteInteger(prefix + std::to_string(i), i);
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
  auto key = Open(kKey, false);
  for (const char prefix : {'a', 'b'}) {
    for (int i = 0; i < kValues; ++i) EXPECT_EQ(key->ReadValue(prefix + std::to_string(i)), SettingValue(i));
  }
}

TEST_F(SettingsFile, TheRunValueIsTheAutostartEntry) {
  const fs::path entry = Location().Autostart->File;
  auto run = Open(kRun);
  ASSERT_NE(run, nullptr);
  EXPECT_FALSE(run->ValueExists("Nivarra"));
  run->WriteString("Nivarra", "/usr/local/bin/nivarra");
  EXPECT_EQ(Slurp(entry),
            "[Desktop Entry]\nType=Application\nName=Nivarra\nExec=/usr/local/bin/nivarra\nIcon=nivarra\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\nNoDisplay=false\n");
  EXPECT_EQ(fs::status(entry).permissions() & fs::perms::others_read, fs::perms::others_read);
  EXPECT_TRUE(run->ValueExists("Nivarra"));
  EXPECT_EQ(run->ReadValue("Nivarra"), SettingValue(std::string("/usr/local/bin/nivarra")));
  EXPECT_EQ(Slurp(Location().File).find("Nivarra="), std::string::npos);
  EXPECT_THROW(run->WriteInteger("Nivarra", 1), std::invalid_argument);
  run->WriteString("Other", "kept in the file");
  EXPECT_NE(Slurp(Location().File).find("Other=str:kept in the file"), std::string::npos);

  // With no settings file, the entry alone makes the key exist.
  fs::remove(Location().File);
  auto again = Open(kRun, false);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->ValueExists("Nivarra"));
  again->DeleteValue("Nivarra");
  EXPECT_FALSE(fs::exists(entry));
  again->DeleteValue("Nivarra");
  EXPECT_FALSE(again->ValueExists("Nivarra"));
  EXPECT_EQ(again->ReadValue("Nivarra"), std::nullopt);
  EXPECT_EQ(Open(kRun, false), nullptr);

  // A program path needing quotes comes back as it went in.
  const std::string path = "/opt/my \"globe\" $HOME/50%\\nivarra";
  Open(kRun)->WriteString("Nivarra", path);
  EXPECT_EQ(Open(kRun)->ReadValue("Nivarra"), SettingValue(path));
}

TEST(DesktopExec, QuotesAndEscapesWhatTheDesktopWouldSplitOrExpand) {
  const std::pair<std::string, std::string> cases[] = {
      {"/usr/bin/nivarra", "/usr/bin/nivarra"},
      {"/opt/my apps/nivarra", R"("/opt/my apps/nivarra")"},
      {"/tmp/50%/nivarra", "/tmp/50%%/nivarra"},
      {"/a\"b$c`d", R"("/a\\"b\\$c\\`d")"},
      {"/x\\y", R"("/x\\\\y")"},  // four backslashes for one
      {"/x\ny", R"("/x\ny")"},
      {"", R"("")"},
  };
  for (const auto& [program, line] : cases) {
    EXPECT_EQ(DesktopExecLine(program), line);
    EXPECT_EQ(ProgramOfDesktopExecLine(line), program) << line;
  }
  EXPECT_EQ(ProgramOfDesktopExecLine(R"(  "/opt/my apps/nivarra" --flag %U)"), "/opt/my apps/nivarra");
  EXPECT_EQ(ProgramOfDesktopExecLine("/usr/bin/nivarra add"), "/usr/bin/nivarra");
  EXPECT_EQ(ProgramOfDesktopExecLine(R"("/unclosed)"), std::nullopt);
  EXPECT_EQ(ProgramOfDesktopExecLine("%U"), std::nullopt);
  EXPECT_EQ(ProgramOfDesktopExecLine("/bad\\qescape"), std::nullopt);
}

TEST(ConfigHome, FollowsXdgConfigHomeWhenItIsAbsolute) {
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = savedConfig != nullptr ? savedConfig : "";
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);

  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(UserConfigHome(), fs::path("/somewhere/config"));
  EXPECT_EQ(DefaultSettingsLocation().File, fs::path("/somewhere/config/nivarra/settings.ini"));
  EXPECT_EQ(DefaultSettingsLocation().Autostart->File, fs::path("/somewhere/config/autostart/nivarra.desktop"));
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
