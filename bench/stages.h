// A stage of lapbundle-bench. Define one at namespace scope in a stage file:
//   static BenchStage stage("newest", "FOLDER PATTERN", RunNewest);
// `run` receives the arguments after the stage name and returns the exit code.
#pragma once

struct BenchStage {
  BenchStage(const char* stageName, const char* stageUsage, int (*stageRun)(int, char**));
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};
