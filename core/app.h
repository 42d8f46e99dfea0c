// The application core: the one process-wide state record and the
// operations that fill it, from start-up to shut-down.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/support.h"

// One candidate file of a folder scan: its name and its local modification
// time as "yyyy.mm.dd hh:ii", so that stamps compare as text in time order.
struct FileEntry {
  std::string name;
  std::string stamp;
};

constexpr std::int32_t kFileBufferSize = 2000000;

struct AppState {
  // Working data
  std::string workDir;                 // current folder, one trailing "\"
  std::uint8_t* fileBuffer = nullptr;  // kFileBufferSize bytes, zero-filled
  std::int32_t fileLength = 0;         // bytes of the last file read into it
  SortedList<FileEntry> screenList;
  SortedList<FileEntry> saveList;
  bool settingsOpened = false;
  std::int8_t actionState = 0;  // 0 ready, 1 action done, 2 quit requested
  bool stagingOk = false;
  std::string startFailure;  // why start-up could not go on; empty otherwise

  // Settings
  std::int8_t includeTrack = 0;
  std::int8_t includeGame = 0;
  std::int8_t includeScreen = 0;
  std::int8_t screenAsJpeg = 0;
  std::string freeText;
  std::int8_t textPos = 0;
  std::int8_t trackNamePos = 0;
  std::int8_t driverNamePos = 0;
  std::int8_t timePos = 0;

  // Found files
  std::string screenName;
  std::string saveName;

  // Saved game
  std::int16_t lengthValue = 0;
  std::int8_t lengthMode = 0;
  std::int8_t blockIndex = 0;
  std::int8_t timeSlot = 0;
  std::int8_t trackSlot = 0;
  std::string driverName;
  std::string trackPath;
  std::int32_t resultTime = 0;

  // Track file
  std::string trackFile;
  std::int64_t recordBlock = 0;
  std::int32_t trackLength = 0;

  // Name
  std::string trackName;
  std::int64_t timeOrSpeed = 0;
  std::string archiveName;

  // Action
  std::string stagedScreenName;
  std::string stagedSaveName;
  std::string archivePath;
};

// The one state record of the process.
AppState& app();
// Zeroes the record (frees the buffer, empties the lists).
void resetAppState();
// Allocates the zero-filled file buffer; false when there is no memory.
bool allocateFileBuffer();

// Called at the end of each start-up step with its name ("main", "display",
// "init", "settings", "window", "save", "track", "screens", "preview",
// "name"); nullptr, the default, calls nothing. For the start-up benchmark.
using StartupStepHook = void (*)(const char* step);
void setStartupStepHook(StartupStepHook hook);
// Start-up: true when the event loop may begin; false after the fatal stop
// (the message was shown; the caller then shuts down without settings) or
// when start-up could not go on (startFailure says why; nothing was shown).
bool startUp();
// Reads the nine settings of workDir + "lapbundle.prf" in their fixed
// order (defaults for a missing file or key) and notes whether it opened.
void readSettings();
// Creates the settings file with the values read at start-up (never the
// window's live states); nothing when it exists or cannot be created.
void writeSettings();
// Shut-down: writes the settings on a first run, releases everything.
// Returns the process exit code (0); the caller ends the process.
int shutDown(bool fatal);

// Newest-file selection.
void findNewestScreenshot();
// False when the Saves folder cannot be scanned.
bool findNewestSave();

// Game-file readers: readSaveGame reads workDir + "Saves\" + saveName,
// readTrackFile the track file the saved game names, each into the file
// buffer, and fill the state record through the parsers below.
void readSaveGame();
void readTrackFile();

// The fields of a saved game. Filled from any bytes: positions outside them
// read as zero.
struct SaveGameRecord {
  std::int16_t lengthValue = 0;
  std::int8_t lengthMode = 0;
  std::int8_t blockIndex = 0;
  std::int8_t timeSlot = 0;
  std::int8_t trackSlot = 0;
  std::string driverName;  // trimmed, at most 12 bytes
  std::string trackPath;   // trimmed, at most 39 bytes
  std::int32_t resultTime = 0;
};
SaveGameRecord parseSaveGame(const std::uint8_t* data, std::int64_t size);
// Where the driver's name field (all its bytes, not only the name's) lies
// in a saved game of `size` bytes: its first byte and its byte count, both
// clipped to the file (a count of 0 when the file ends before it).
struct ByteSpan {
  std::int64_t at = 0;
  std::int64_t count = 0;
};
ByteSpan driverNameField(const std::uint8_t* data, std::int64_t size);

// The fields of a track file for a saved game's block index: the record
// value and holder of block 1's record for block 1, of record 0 otherwise.
struct TrackRecord {
  std::int64_t recordBlock = 0;
  std::int32_t trackLength = 0;
  std::int64_t recordValue = 0;
  std::string recordName;  // trimmed, at most 12 bytes
};
TrackRecord parseTrackFile(const std::uint8_t* data, std::int64_t size, std::int8_t blockIndex);

// False for a track path that leaves the Tracks folder (a ".." component,
// or dots and spaces holding two dots), holds ":", or whose last part names
// a Windows device (namesWindowsDevice); such a path names no track file.
bool staysInsideTracks(std::string_view path);

// Archive name.
void setTrackName();
void computeTimeOrSpeed();
void composeArchiveName();

// The last backslash-separated part of a track path (the whole path when it
// has none).
std::string trackNameOf(std::string_view trackPath);
// The track name as the archive name writes it: A-Z and the Windows-1252
// capitals 192-222 moved to lower case, every other byte unchanged.
std::string lowerTrackName(std::string_view trackName);
// The time-or-speed number. Blocks 0 and 1 keep `recordValue` (the track's
// record); a higher block gives the average speed from the race length
// (laps, or a distance in thousands of track units) and `resultTime`,
// scaled by 360000 and rounded to tenths, or 0 when resultTime is 0.
std::int64_t timeOrSpeedOf(const SaveGameRecord& save, std::int32_t trackLength,
                           std::int64_t recordValue);

// Main window and event loop.
void buildMainWindow();
// Loads the newest screenshot into slot 2 and shows it in control 1 as
// remakePreview does.
void showPreview();
// Slot 3 becomes slot 2's screenshot resized smoothly to 800 x 600 at the
// window's scale (round(800 s) x round(600 s) screen pixels), shown in
// control 1; slot 2 is left as it is. Nothing when slot 2 is empty.
void remakePreview();
void fatalStop();  // shows the message; the caller ends without settings
void runEventLoop();

// The make-zip action.
void makeZip();

// ---------------------------------------------------------------------------
// Command line and the game folder (core/command_line.cpp)

#include <vector>

enum class LaunchKind {
  kStart,         // start in `folder`, or in the current folder when it is empty
  kChooseFolder,  // start in the current folder if it is a game folder, else ask
  kHelp,
  kVersion,
  kBadArguments,  // `problem` says what is wrong
};

struct LaunchRequest {
  LaunchKind kind = LaunchKind::kStart;
  std::string folder;   // a system path (platform.h), as given
  std::string problem;  // for kBadArguments, as the system writes text
};

// Reads the arguments after the program's name (system texts): none, one
// game folder, "--choose-folder", "--help" or "--version".
LaunchRequest parseCommandLine(const std::vector<std::string>& args);

enum class FolderOutcome {
  kReady,      // the game folder is the current folder now
  kCancelled,  // the user closed the folder chooser without a choice
  kRefused,    // *problem says why (as the system writes text); the
               // current folder is unchanged
};

// Makes the folder of a kStart or kChooseFolder request the current one.
// An explicit folder must exist, be a folder and be readable. For
// kChooseFolder, a current folder holding "Saves" is taken as it is;
// otherwise the folder chooser opens at the folder chosen last time and a
// new choice is remembered in the user's configuration folder. Writes
// nothing but that one remembered folder.
FolderOutcome enterGameFolder(const LaunchRequest& request, std::string* problem);

// The user file (platform::ReadUserFile) that holds the system path of the
// folder chosen last time.
constexpr const char* kChosenFolderFile = "game-folder";
