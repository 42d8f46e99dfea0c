// The command line and the game folder it names or lets the user choose.
#include <cstdlib>
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
      {{"\\games\\vantor"}, LaunchKind::kStart, "\\games\\vantor"},
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

class GameFolderTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    folder_.makeFolder("config");
    setenv("XDG_CONFIG_HOME", folder_.hostPath("config").c_str(), 1);
    folder_.makeFolder("game/Saves");
    folder_.makeFolder("other");
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
      {"other", FolderOutcome::kReady, ""},
  };
  for (const Row& row : rows) {
    LaunchRequest request;
    request.folder = folder_.programPath(row.folder);
    std::string problem;
    EXPECT_EQ(enterGameFolder(request, &problem), row.outcome) << row.folder;
    EXPECT_EQ(problem, row.problem.empty() ? "" : folder_.hostPath(row.problem)) << row.folder;
  }
  EXPECT_EQ(platform::CurrentFolder(), folder_.programPath("other\\"));
}

TEST_F(GameFolderTest, AGameFolderNeedsNoChooser) {
  ASSERT_TRUE(platform::EnterFolder(folder_.programPath("game")));
  std::string problem;
  EXPECT_EQ(choose(&problem), FolderOutcome::kReady);
  EXPECT_TRUE(headless::CallLog().empty());
  EXPECT_EQ(platform::CurrentFolder(), folder_.programPath("game\\"));
}

TEST_F(GameFolderTest, TheChooserStartsAtTheLastChoiceAndKeepsTheNewOne) {
  std::string problem;
  headless::SetChosenFolder(folder_.programPath("other"));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  EXPECT_EQ(platform::CurrentFolder(), folder_.programPath("other\\"));

  ASSERT_TRUE(platform::EnterFolder(folder_.program()));
  headless::SetChosenFolder(folder_.programPath("game"));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  const std::vector<std::string> calls = {"ChooseFolder ",
                                          "ChooseFolder " + folder_.programPath("other")};
  EXPECT_EQ(headless::CallLog(), calls);
  EXPECT_EQ(remembered(), folder_.hostPath("game") + "\n");
  EXPECT_EQ(platform::CurrentFolder(), folder_.programPath("game\\"));
}

TEST_F(GameFolderTest, CancellingWritesNothing) {
  std::string problem;
  headless::SetChosenFolder(folder_.programPath("game"));
  ASSERT_EQ(choose(&problem), FolderOutcome::kReady);
  const std::string before = remembered();

  ASSERT_TRUE(platform::EnterFolder(folder_.program()));
  headless::SetChosenFolder("");
  EXPECT_EQ(choose(&problem), FolderOutcome::kCancelled);
  EXPECT_EQ(remembered(), before);
  EXPECT_EQ(platform::CurrentFolder(), folder_.program());
}

}  // namespace
