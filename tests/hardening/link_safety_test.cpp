// The make-zip action changes nothing outside the zip folder, and inside it
// nothing but the archive, whatever stands at the names it writes: a
// symbolic link, a hard link or a dangling link to a file in the game
// folder or beside it. Links are replaced, never written through; a lock
// file that is a link is refused at once.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/app.h"
#include "platform/platform.h"
#include "tests/hardening/hardening_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

namespace fs = std::filesystem;

const std::string kName = "oakfield_Ann Lee_973";
const std::string kOk = "..\\zip\\" + kName + ".zip ok";

// Everything below a folder, links not followed: kind, permission bits,
// modification time and bytes of each file, and where each link points.
using Tree = std::map<std::string, std::string>;

void AddTree(const std::string& root, const std::string& label, Tree* tree) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) continue;
    std::string state = std::to_string(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
      state.append(" -> ").append(fs::read_symlink(it->path(), ec).string());
    } else if (S_ISREG(st.st_mode)) {
      std::ifstream in(it->path(), std::ios::binary);
      state.append(" ").append(std::to_string(st.st_mtim.tv_sec)).append(".");
      state.append(std::to_string(st.st_mtim.tv_nsec)).append(" ");
      state.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string key = label;
    key.append(it->path().lexically_relative(root).string());
    (*tree)[key] = state;
  }
}

std::string Differences(const Tree& before, const Tree& after) {
  std::string out;
  for (const auto& [name, state] : before) {
    const auto found = after.find(name);
    if (found == after.end())
      out += "removed " + name + "\n";
    else if (found->second != state)
      out += "changed " + name + "\n";
  }
  for (const auto& [name, state] : after) {
    if (before.count(name) == 0) out += "added " + name + "\n";
  }
  return out;
}

enum class Link { kSymbolic, kHard, kDangling };

class LinkSafetyTest : public HardeningTest {
 protected:
  // The game folder (without the archive, the staged names and the settings
  // file a first run writes) and the folder beside it.
  Tree snapshot() const {
    Tree tree;
    AddTree(folder_.host(), "game/", &tree);
    AddTree(outside_.host(), "outside/", &tree);
    for (const char* name : {".zip", ".bmp", ".jpg", ".gam"})
      tree.erase("game/zip/" + kName + name);
    tree.erase("game/lapbundle.prf");
    return tree;
  }

  // A link at `name` in the zip folder to a file in the folder beside the
  // game (symbolic and hard) or to a name nothing has (dangling).
  void placeLink(const std::string& name, Link link) {
    const std::string target = outside_.hostPath("target.txt");
    if (link != Link::kDangling) {
      outside_.write("target.txt", "the user's own");
      ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    }
    fs::create_directories(folder_.hostPath("zip"));
    const std::string at = zipPath(name);
    ASSERT_EQ(link == Link::kHard ? ::link(target.c_str(), at.c_str())
                                  : symlink(target.c_str(), at.c_str()),
              0);
  }

  TempFolder outside_;
};

TEST_F(LinkSafetyTest, NothingOutsideTheArchiveChangesWhateverStandsAtTheNamesItWrites) {
  struct Name {
    std::string name;
    bool jpeg;
    bool refused;  // the lock file: "Error" at once
  };
  const Name names[] = {{kName + ".bmp", false, false},   {kName + ".jpg", true, false},
                        {kName + ".gam", false, false},   {kName + ".zip", false, false},
                        {"~lapbundle.tmp", false, false}, {"~lapbundle.lock", false, true}};
  const std::pair<Link, const char*> links[] = {
      {Link::kSymbolic, "symbolic"}, {Link::kHard, "hard"}, {Link::kDangling, "dangling"}};
  for (const Name& n : names) {
    for (const auto& [link, label] : links) {
      SCOPED_TRACE(n.name + ", " + label + " link");
      fs::remove_all(outside_.hostPath("target.txt"));
      writeFreshGame(n.jpeg, 64, 48);
      placeLink(n.name, link);
      ASSERT_TRUE(startUp());
      platform::ResetFaults();
      const Tree before = snapshot();
      pressAndEnd();
      EXPECT_EQ(headless::ControlAt(5).text, n.refused ? "Error" : kOk);
      EXPECT_EQ(platform::PausedMs() > 0, !n.refused);  // a refused lock is not waited for
      shutDown(false);
      EXPECT_EQ(Differences(before, snapshot()), "");
      if (!n.refused) {
        struct stat st;
        ASSERT_EQ(lstat(zipPath(kName + ".zip").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        for (const char* staged : {".bmp", ".jpg", ".gam"}) {
          EXPECT_FALSE(fs::exists(fs::symlink_status(zipPath(kName + staged)))) << staged;
        }
      }
    }
  }
}

TEST_F(LinkSafetyTest, ALockFileThatIsAFolderIsAnErrorAtOnce) {
  writeFreshGame(false, 64, 48);
  fs::create_directories(folder_.hostPath("zip/~lapbundle.lock"));
  ASSERT_TRUE(startUp());
  platform::ResetFaults();
  const Tree before = snapshot();
  pressAndEnd();
  EXPECT_EQ(headless::ControlAt(5).text, "Error");
  EXPECT_EQ(platform::PausedMs(), 0);
  shutDown(false);
  EXPECT_EQ(Differences(before, snapshot()), "");
}

}  // namespace

namespace {

// Names typed into the name field whose characters Windows would not take
// in an entry's name as the OEM code page writes them.
TEST_F(LinkSafetyTest, EntriesAreNamedSoThatWindowsCanUnpackThem) {
  struct Row {
    std::string typed;
    std::string status;
    std::vector<std::string> entries;
  };
  const Row rows[] = {
      {"\x8B"
       "Ann\x9B",
       "..\\zip\\\x8B"
       "Ann\x9B.zip ok",
       {"_Ann_.bmp", "_Ann_.gam", "Oakfield.trk"}},
      {"\x84"
       "Ann\x93",
       "..\\zip\\\x84"
       "Ann\x93.zip ok",
       {"_Ann_.bmp", "_Ann_.gam", "Oakfield.trk"}},
      {"C\x9Cn", "Error", {}},
      {"LP\x99"
       "1",
       "Error",
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    writeFreshGame(false, 64, 48);
    ASSERT_TRUE(startUp());
    headless::PushTyping(5, row.typed);
    pressAndEnd();
    EXPECT_EQ(headless::ControlAt(5).text, row.status);
    shutDown(false);
    std::vector<ZipEntry> entries;
    if (!row.entries.empty()) {
      ASSERT_TRUE(ReadZip(zipPath(platform::Cp1252ToUtf8(row.typed) + ".zip"), &entries));
    }
    std::vector<std::string> names;
    for (const ZipEntry& e : entries) names.push_back(e.name);
    EXPECT_EQ(names, row.entries);
    if (row.entries.empty()) {
      EXPECT_EQ(FolderNames(folder_.hostPath("zip")), std::vector<std::string>());
    }
  }
}

}  // namespace
