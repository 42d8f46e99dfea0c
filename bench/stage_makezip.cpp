// makezip GAMEFOLDER [jpg]: the make-zip action on the newest race of a game
// folder, with every pause switched off. First the start-up findings the
// action relies on (settings, newest saved game and track, newest
// screenshot, archive name; in jpg mode also the full-size screenshot in
// slot 2, which the program loads for its preview), then the action's own
// steps: stage the screenshot (a byte copy, or a JPEG of slot 2), copy the
// saved game, pack screenshot, saved game and track, delete the staged
// copies. The action's own time and that of each step go to stdout.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/zip_writer.h"
#include "bench/stages.h"
#include "core/app.h"
#include "imaging/image_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What start-up leaves behind for the action; false when the folder has no
// saved game or screenshot, or the screenshot cannot be loaded.
bool FindRace(const char* gameFolder, bool jpeg) {
  if (!FindRaceWithoutWindow(gameFolder)) return false;
  const AppState& s = app();
  if (s.saveName.empty() || s.screenName.empty()) return false;
  return !jpeg || LoadImageSlot(2, s.workDir + "Screens\\" + s.screenName) != nullptr;
}

// The action's steps as core/make_zip.cpp runs them, with all three items
// packed whatever the settings say. Prints each step's time.
bool RunAction(bool jpeg) {
  AppState& s = app();
  const std::string zipFolder = s.workDir + "zip\\";
  const std::string screen = zipFolder + s.archiveName + (jpeg ? ".jpg" : ".bmp");
  const std::string save = zipFolder + s.archiveName + ".gam";
  const std::string archive = zipFolder + s.archiveName + ".zip";
  const Clock::time_point start = Clock::now();

  Clock::time_point step = Clock::now();
  const bool staged = jpeg ? SaveImageSlot(2, screen, JpegEncoderTag) != 0
                           : CopyFileOver(s.workDir + "Screens\\" + s.screenName, screen) != 0;
  const double stagingMs = MsSince(step);
  step = Clock::now();
  const bool saveCopied = CopyFileOver(s.workDir + "Saves\\" + s.saveName, save) != 0;
  const double saveMs = MsSince(step);
  if (!staged || !saveCopied) return false;

  step = Clock::now();
  if (CreateArchive(archive, 0) == 0) return false;
  const bool added = AddFileToArchive(screen, 0) == 0 && AddFileToArchive(save, 0) == 0 &&
                     AddFileToArchive(s.trackFile, 0) == 0;
  const bool closed = CloseArchive() == 0;
  const double archiveMs = MsSince(step);

  step = Clock::now();
  RemoveFile(screen);
  RemoveFile(save);
  const double deleteMs = MsSince(step);
  std::printf("action %.1f ms: staging %.1f, saved game %.1f, archive %.1f, deletes %.1f\n",
              MsSince(start), stagingMs, saveMs, archiveMs, deleteMs);
  return added && closed;
}

int RunMakeZip(int argc, char** argv) {
  const bool jpeg = argc == 2 && std::strcmp(argv[1], "jpg") == 0;
  if (argc < 1 || argc > 2 || (argc == 2 && !jpeg)) {
    std::fprintf(stderr, "usage: lapbundle-bench makezip GAMEFOLDER [jpg]\n");
    return 2;
  }
  platform::SetPausesEnabled(false);
  InitImageStore();
  RegisterJpegEncoder();
  InitZipWriter();
  bool ok = FindRace(argv[0], jpeg);
  if (!ok) {
    std::fprintf(stderr, "no saved game or screenshot to pack in %s\n", argv[0]);
  } else if (!RunAction(jpeg)) {
    std::fprintf(stderr, "not every step succeeded (all three files must exist)\n");
    ok = false;
  }
  FreeAllImageSlots();
  resetAppState();
  return ok ? 0 : 1;
}

BenchStage stage("makezip", "GAMEFOLDER [jpg]", RunMakeZip);

}  // namespace
