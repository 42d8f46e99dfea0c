// The folder chooser: FLTK's file chooser in directory mode. A typed or
// picked folder is accepted with OK or Return.
#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/filename.H>

#include <string>

#include "platform/platform.h"
#include "ui/fltk/fltk_kit.h"

std::string ChooseFolder(std::string_view title, std::string_view start) {
  kit::SetUpToolkit();
  std::string startHost(start);
  if (!startHost.empty() && !fl_filename_isdir(startHost.c_str())) startHost.clear();
  const std::string titleUtf8 = platform::Cp1252ToUtf8(title);
  Fl_File_Chooser chooser(startHost.empty() ? nullptr : startHost.c_str(), "*",
                          Fl_File_Chooser::DIRECTORY, titleUtf8.c_str());
  chooser.preview(0);
  chooser.show();
  while (chooser.shown()) Fl::wait();
  const char* value = chooser.value();
  if (value == nullptr || value[0] == '\0') return std::string();

  // An absolute host path (the chooser resolves typed relative names against
  // the folder it shows) without a trailing slash.
  std::string host = value;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}
