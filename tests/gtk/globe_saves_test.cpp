// The globe with the Linux settings file: a hand edit read, the one
// message naming the file, and a save as one write of plain values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/globe_app.h"
#include "app/globe_form.h"
#include "layout/resources.h"
#include "platform/gtk/settings_file.h"
#include "platform/headless/headless_platform.h"
#include "core/date_time.h"
#include "scene/globe_scene.h"
#include "scene/random.h"

namespace nivarra {
namespace {

namespace fs = std::filesystem;

TEST(GlobeSettingsFile, AHandEditIsReadTheMessageNamesTheFileAndEachSaveWritesOnce) {
  std::string pattern = (fs::temp_directory_path() / "nivarra-globe-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path dir = pattern;
  const fs::path file = dir / "nivarra" / "settings.ini";
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "# placed by hand\n[Nivarra]\nLeft=500\nTop=high\nOnTop=false\nLatitude=48.85\n";

  RegisterLayoutResources();
  RandomSeed() = 0;
  // The headless desktop with its settings in the file.
  SettingsFileStore store(file);
  HeadlessPlatform desktop;
  desktop.SetSettingsStore(&store);
  desktop.SetTickCount(100000);
  desktop.SetLocalNow(EncodeDateTime(2026, 12, 7, 12, 0));
  GlobeApp app(desktop);
  app.Run();
  EXPECT_EQ(desktop.Window().Position, (ScreenPoint{500, 724}));  // Top's default place
  EXPECT_EQ(desktop.Window().Topmost, false);
  EXPECT_EQ(app.Form().Scene()->Settings.Latitude, 48.85);

  desktop.Advance(kStartReportDelayMs);
  EXPECT_EQ(desktop.Messages(), std::vector<std::string>{"Invalid data type for 'Top'\n\n"
                                                         "The default value is used instead and will be saved.\n"
                                                         "The settings are in " +
                                                         file.string() + "."});
  // The repair: the seven values in one write.
  EXPECT_EQ(store.FilesWritten(), 1);
  const auto slurp = [&] {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(slurp(), "# placed by hand\n\n[Nivarra]\nLeft=500\nTop=724\nOnTop=false\nLatitude=48.85\nTrVal=0\n"
                     "iCountdown=0\niSpeed=1\nisSnowOn=true\nSize=100\nisShakeOn=true\n");

  desktop.DragWindowTo({600, 700});
  desktop.Advance(kSaveDelayMs);
  desktop.RequestClose();
  EXPECT_TRUE(desktop.Window().Closed);
  EXPECT_EQ(store.FilesWritten(), 2);  // the drag's save; the close's found nothing new
  EXPECT_NE(slurp().find("\nLeft=600\nTop=700\n"), std::string::npos) << slurp();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace nivarra
