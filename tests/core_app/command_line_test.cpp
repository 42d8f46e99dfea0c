// The command line and the game folder it names or lets the user choose.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

TEST(CommandLineTest, ReadsEachFormOfArguments) {
  struct Row {
    std::vector<std::string> args;
    LaunchKind kind;
    std::string folder;
  };
  const Row rows[] = {
      {{}, LaunchKind::kStart, ""},
      {{"/games/vantor"}, LaunchKind::kStart, "/games/vantor"},
      {{"--choose-folder"}, LaunchKind::kChooseFolder, ""},
      {{"--help"}, LaunchKind::kHelp, ""},
      {{"--version"}, LaunchKind::kVersion, ""},
      {{"--chose-folder"}, LaunchKind::kBadArguments, ""},
      {{"-x"}, LaunchKind::kBadArguments, ""},
      {{""}, LaunchKind::kBadArguments, ""},
      {{"a", "b"}, LaunchKind::kBadArguments, ""},
      {{"--choose-folder", "a"}, LaunchKind::kBadArguments, ""},
  };
  for (const Row& row : rows) {
    const LaunchRequest request = parseCommandLine(row.args);
    EXPECT_EQ(request.kind, row.kind) << testing::PrintToString(row.args);
    EXPECT_EQ(request.folder, row.folder) << testing::PrintToString(row.args);
    EXPECT_EQ(request.problem.empty(), row.kind != LaunchKind::kBadArguments);
  }
}

// The game folder and its neighbour have names of the same length that the
// program's text cannot hold: both read "???" there, so only their system
// names tell them apart.
constexpr const char* kGame = "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0";   // ゲーム
constexpr const char* kOther = "\xE3\x83\xAC\xE3\x83\xBC\xE3\x82\xB9";  // レース

class GameFolderTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    folder_.makeFolder("config");
    setenv("XDG_CONFIG_HOME", folder_.hostPath("config").c_str(), 1);
    folder_.makeFolder(std::string(kGame) + "/Saves");
    folder_.makeFolder(kOther);
    enter();
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    AppTest::TearDown();
  }
  FolderOutcome choose(std::string* problem) {
    LaunchRequest request;
    request.kind = LaunchKind::kChooseFolder;
    return enterGameFolder(request, problem);
  }
  std::string remembered() const { return folder_.read("config/lapbundle/game-folder"); }
  // The current folder as the system names it.
  static std::string here() { return std::filesystem::current_path().string(); }
  void leave() const {
    ASSERT_EQ(platform::EnterFolder(folder_.host()), platform::FolderEntry::kEntered);
  }
};

TEST_F(GameFolderTest, AGivenFolderMustBeAReadableFolder) {
  folder_.write("file", "x");
  struct Row {
    std::string folder;
    FolderOutcome outcome;
    std::string problem;
  };
  const Row rows[] = {
      {"missing", FolderOutcome::kRefused, "missing: no such folder"},
      {"file", FolderOutcome::kRefused, "file: not a folder"},
      {kOther, FolderOutcome::kReady, ""},
  };
  for (const Row& row : rows) {
    LaunchRequest request;
    request.folder = folder_.hostPath(row.folder);
    std::string problem;
    EXPECT_EQ(enterGameFolder(request, &problem), row.outcome) << row.folder;
    EXPECT_EQ(problem, row.problem.empty() ? "" : folder_.hostPath(row.problem)) << row.folder;
  }
  EXPECT_EQ(here(), folder_.hostPath(kOther));
}

TEST_F(GameFolderTest, AGameFolderNeedsNoChooser) {
  ASSERT_EQ(platform::EnterFolder(folder_.hostPath(kGame)), platform::FolderEntry::kEntered);
  std::string problem;
  EXPECT_EQ(choose(&problem), FolderOutcome::kReady);
  EXPECT_TRUE(headless::CallLog().empty());
  EXPECT_EQ(here(), folder_.hostPath(kGame));
}

TEST_F(GameFolderTest, TheChooserStartsAtTheLastChoiceAndKeepsTheNewOne) {
  std::string problem;
  headless::SetChosenFolder(folder_.hostPath(kOther));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  EXPECT_EQ(here(), folder_.hostPath(kOther));

  leave();
  headless::SetChosenFolder(folder_.hostPath(kGame));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  const std::vector<std::string> calls = {"ChooseFolder ",
                                          "ChooseFolder " + folder_.hostPath(kOther)};
  EXPECT_EQ(headless::CallLog(), calls);
  EXPECT_EQ(remembered(), folder_.hostPath(kGame) + "\n");
  EXPECT_EQ(here(), folder_.hostPath(kGame));
}

TEST_F(GameFolderTest, CancellingWritesNothing) {
  std::string problem;
  headless::SetChosenFolder(folder_.hostPath(kGame));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  const std::string before = remembered();

  leave();
  headless::SetChosenFolder("");
  EXPECT_EQ(choose(&problem), FolderOutcome::kCancelled);
  EXPECT_EQ(remembered(), before);
  EXPECT_EQ(here(), folder_.host());
}

}  // namespace
