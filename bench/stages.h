// A stage of lapbundle-bench. Define one at namespace scope in a stage file:
//   static BenchStage stage("newest", "FOLDER PATTERN", RunNewest);
// `run` receives the arguments after the stage name and returns the exit code.
#pragma once

#include <string>

struct BenchStage {
  BenchStage(const char* stageName, const char* stageUsage, int (*stageRun)(int, char**));
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

// A host path given on the command line ("/a/b.bmp" or "b.bmp") as the
// program's own text: Windows-1252 with backslashes.
std::string ProgramPath(const char* hostPath);

// Makes the game folder current and runs what start-up finds there without
// a window: settings, newest saved game and track, the zip folder, newest
// screenshot and archive name, all in app(). False, with a message on
// stderr, when the folder cannot be entered or has no Saves folder.
bool FindRaceWithoutWindow(const char* gameFolder);
