// The program over real files: which paths it refuses before checking
// anything, and how it writes its reports.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "tests/check/hostile_zip.h"
#include "tests/testing/temp_folder.h"

namespace {

// The program path spelt from the current folder, up to the root and down.
std::string Relative(const std::string& path) {
  std::string relative;
  for (char c : platform::CurrentFolder().substr(1)) {
    if (c == '\\') relative += "..\\";
  }
  return relative + path.substr(1);
}

class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    proof_ = hostile::Zip(hostile::Proof());
    folder_.write("proofs/a.zip", proof_);
    folder_.write("proofs/b.zip", proof_);
  }
  void TearDown() override { platform::ResetFaults(); }
  std::string In(const std::string& relative) const { return folder_.programPath(relative); }
  int Check(const std::vector<std::string>& args) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunCheck(args, false, nullptr);
    out_ = testing::internal::GetCapturedStdout();
    err_ = testing::internal::GetCapturedStderr();
    return status;
  }

  TempFolder folder_;
  std::string proof_, out_, err_;
};

TEST_F(Run, ReportPathThatIsAnArchiveIsRefused) {
  folder_.write("other.zip", "not checked");
  folder_.write("report.dat", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  folder_.write("input.dat", proof_);
  folder_.write("notes.txt", "no archive");
  const std::vector<std::vector<std::string>> refused = {
      {"--csv", In("proofs\\a.zip"), In("proofs\\b.zip")},
      {"--html", In("proofs\\.\\B.ZIP"), In("proofs")},
      {"--csv", In("other.zip"), In("proofs")},
      {"--html=" + In("report.dat"), In("proofs")},
      {"--csv=" + In("input.dat"), In("input.dat")},
      {"--csv", In("notes.txt"), Relative(In("notes.txt"))},
      {"--csv", In("r.txt"), "--json", In("proofs\\..\\R.txt"), "--html", In("r.txt"),
       In("proofs")},
  };
  for (const auto& args : refused) {
    EXPECT_EQ(Check(args), 2) << args[0] << " " << args[1];
    EXPECT_EQ(out_, "") << args[0];
  }
  EXPECT_EQ(folder_.read("proofs/a.zip"), proof_);
  EXPECT_EQ(folder_.read("proofs/b.zip"), proof_);
  EXPECT_EQ(folder_.read("other.zip"), "not checked");
  EXPECT_EQ(folder_.read("input.dat"), proof_);
  EXPECT_EQ(folder_.read("notes.txt"), "no archive");
}

TEST_F(Run, EmptyReportOptionsAreErrors) {
  EXPECT_EQ(Check({"--csv=", In("proofs")}), 2);
  EXPECT_EQ(Check({"--html=", In("proofs")}), 2);
  EXPECT_EQ(out_, "");
}

TEST_F(Run, BadTimeOptionsAreErrors) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--max-gap", "2"}, "--max-gap needs a whole number"},
      {{"--from=2026-02-30"}, "--from needs a date"},
      {{"--to", "2026-11-01T24:00"}, "--to needs a date"},
      {{"--from", "2026-11-02", "--to", "2026-11-01T23:59:59"}, "--from is later than --to"},
  };
  for (auto [args, message] : rows) {
    args.push_back(In("proofs"));
    EXPECT_EQ(Check(args), 2) << message;
    EXPECT_EQ(out_, "") << message;
    EXPECT_NE(err_.find("lapbundle-check: " + message), std::string::npos) << err_;
  }
}

TEST_F(Run, TimeOptionsReachTheChecks) {
  // The proofs' screenshot was taken on 2026-11-14, 1 min 26 s after the
  // race was saved at 20:31:44.
  struct Row {
    std::vector<std::string> args;
    std::string problem;
    bool given;
  };
  const std::vector<Row> rows = {
      {{"--max-gap=1m"}, "screenshot taken 1 min after the race was saved", true},
      {{"--from", "2026-11-15"}, "race saved 2026-11-14 20:31, before the round opened", true},
      {{"--to", "2026-11-14T20:30"}, "race saved 2026-11-14 20:31, after the round closed", true},
      {{"--to", "2026-11-14T20:31"}, "after the round closed", false},
  };
  for (Row row : rows) {
    row.args.push_back(In("proofs\\a.zip"));
    EXPECT_EQ(Check(row.args), 1) << row.args[0];
    EXPECT_EQ(out_.find(row.problem) != std::string::npos, row.given) << out_;
  }
}

TEST_F(Run, PathWithoutArchivesIsAnError) {
  folder_.write("empty/readme.txt", "x");
  EXPECT_EQ(Check({In("proofs"), In("empty")}), 2);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("no archive in " + platform::DisplayPath(In("empty"))), std::string::npos)
      << err_;
}

TEST_F(Run, EachArchiveIsCheckedOnce) {
  EXPECT_EQ(Check({In("proofs"), In("proofs\\a.zip"), In("proofs\\\\b.zip"), In("proofs\\")}), 1);
  EXPECT_NE(out_.find("2 proofs: "), std::string::npos) << out_;
  // Links to an archive, hard or symbolic, reach the same archive.
  folder_.makeFolder("links");
  std::filesystem::create_hard_link(folder_.hostPath("proofs/a.zip"), folder_.hostPath("links/c.zip"));
  std::filesystem::create_symlink(folder_.hostPath("proofs/b.zip"), folder_.hostPath("links/d.zip"));
  EXPECT_EQ(Check({In("proofs"), In("links")}), 1);
  EXPECT_NE(out_.find("2 proofs: "), std::string::npos) << out_;
  // Names that differ in case are two files here.
  folder_.write("proofs/A.zip", proof_);
  EXPECT_EQ(Check({In("proofs")}), 1);
  EXPECT_NE(out_.find("3 proofs: "), std::string::npos) << out_;
  // An official track that is a pipe is no official track file.
  std::filesystem::create_directories(folder_.hostPath("tracks/Hills"));
  ASSERT_EQ(mkfifo(folder_.hostPath("tracks/Hills/Oakfield.trk").c_str(), 0600), 0);
  EXPECT_EQ(Check({"--tracks", In("tracks"), In("proofs\\a.zip")}), 1);
  EXPECT_NE(out_.find("no official track file"), std::string::npos) << out_;
}

TEST_F(Run, FolderSearchDoesNotFollowLinks) {
  std::filesystem::create_directory_symlink(".", folder_.hostPath("proofs/again"));
  std::filesystem::create_directory_symlink("..", folder_.hostPath("proofs/up"));
  EXPECT_EQ(Check({In("proofs")}), 1);
  EXPECT_NE(out_.find("2 proofs: "), std::string::npos) << out_;
  // A link named on the command line is followed.
  std::filesystem::create_directory_symlink(folder_.hostPath("proofs"), folder_.hostPath("link"));
  EXPECT_EQ(Check({In("link")}), 1);
  EXPECT_NE(out_.find("2 proofs: "), std::string::npos) << out_;
}

// Makes (or with `remove`, removes) a chain of `count` folders below
// `host`, each named `name`, by paths relative to the one above, so that
// the whole path may be longer than the system opens.
void FolderChain(const std::string& host, const std::string& name, int count, bool remove) {
  std::vector<int> fds = {open(host.c_str(), O_RDONLY | O_DIRECTORY)};
  for (int i = 0; i < count; ++i) {
    if (!remove) mkdirat(fds.back(), name.c_str(), 0755);
    fds.push_back(openat(fds.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
  }
  for (int i = count; i > 0; --i) {
    close(fds[static_cast<std::size_t>(i)]);
    if (remove) unlinkat(fds[static_cast<std::size_t>(i) - 1], name.c_str(), AT_REMOVEDIR);
  }
  close(fds.front());
}

TEST_F(Run, EveryFolderIsSearchedOrSaidSo) {
  // 66 folders down: found and checked.
  std::string deep = "deep/";
  for (int i = 0; i < 66; ++i) deep += "d/";
  folder_.write(deep + hostile::kName + ".zip", proof_);
  EXPECT_EQ(Check({In("deep")}), 0) << out_;
  EXPECT_NE(out_.find("1 proofs: 1 ok"), std::string::npos) << out_;
  // A folder whose path is longer than the system opens: said, and the
  // run has a problem although every archive found is ok.
  folder_.write("long/" + hostile::kName + ".zip", proof_);
  const std::string name(200, 'n');
  FolderChain(folder_.hostPath("long"), name, 21, false);
  EXPECT_EQ(Check({In("long")}), 1) << out_;
  EXPECT_NE(out_.find("1 proofs: 1 ok"), std::string::npos) << out_;
  EXPECT_NE(out_.find("folder not searched: " + platform::DisplayPath(In("long")) + "/" + name),
            std::string::npos)
      << out_.substr(0, 300);
  EXPECT_NE(out_.find("(unreadable)\n"), std::string::npos);
  FolderChain(folder_.hostPath("long"), name, 21, true);
}

TEST_F(Run, PipeIsAProblemNotAWait) {
  ASSERT_EQ(mkfifo(folder_.hostPath("proofs/c.zip").c_str(), 0600), 0);
  EXPECT_EQ(Check({In("proofs")}), 1);
  EXPECT_NE(out_.find("is not a regular file"), std::string::npos) << out_;
  EXPECT_NE(out_.find("3 proofs: "), std::string::npos) << out_;
  // An official track that is a pipe is no official track file.
  std::filesystem::create_directories(folder_.hostPath("tracks/Hills"));
  ASSERT_EQ(mkfifo(folder_.hostPath("tracks/Hills/Oakfield.trk").c_str(), 0600), 0);
  EXPECT_EQ(Check({"--tracks", In("tracks"), In("proofs\\a.zip")}), 1);
  EXPECT_NE(out_.find("no official track file"), std::string::npos) << out_;
}

TEST_F(Run, NameWithABackslashNeverOpensAnother) {
  folder_.write("named/x/" + hostile::kName + ".zip", proof_);
  folder_.write("named/x\\" + hostile::kName + ".zip", "PK not a proof");
  EXPECT_EQ(Check({In("named")}), 1);
  EXPECT_NE(out_.find("2 proofs: 1 ok, 1 with problems"), std::string::npos) << out_;
  EXPECT_NE(out_.find("not a zip archive"), std::string::npos) << out_;
}

TEST_F(Run, NameWithoutProgramTextIsOpenedByItsOwnName) {
  // Packed as NAME_x; found as NAME_ with U+0141 (no Windows-1252 form,
  // "?" in program text, which names the other file) or with a byte that is
  // no UTF-8: each read by the name the system gave, and shown as it is.
  std::vector<hostile::Entry> entries = hostile::Proof();
  for (int i = 0; i < 2; ++i) entries[i].name.insert(hostile::kName.size(), "_x");
  const std::string proof = hostile::Zip(entries);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"_\xC5\x81.zip", "_\xC5\x81.zip"}, {"_\xFF.zip", "_\\xFF.zip"}};
  for (const auto& [name, shown] : rows) {
    TempFolder folder;
    folder.write("named/" + hostile::kName + name, proof);
    folder.write("named/" + hostile::kName + "_?.zip", "PK not a proof");
    EXPECT_EQ(Check({folder.programPath("named")}), 1);
    EXPECT_NE(out_.find("2 proofs: 1 ok, 1 with problems"), std::string::npos) << out_;
    EXPECT_NE(out_.find(hostile::kName + shown + "  "), std::string::npos) << out_;
  }
}

TEST_F(Run, FailedReportLeavesTheOldOne) {
  folder_.write("report.csv", "old");
  platform::FailNthCall(platform::Op::kWrite, 1, true);
  EXPECT_EQ(Check({"--csv", In("report.csv"), In("proofs")}), 1);
  platform::ResetFaults();
  EXPECT_EQ(folder_.read("report.csv"), "old");
  EXPECT_EQ(Check({"--csv", In("report.csv"), In("proofs")}), 1);
  EXPECT_EQ(folder_.read("report.csv").rfind("file,verdict,", 0), 0u);
  EXPECT_FALSE(folder_.exists("report.csv.part0"));
}

}  // namespace
