// The folder chooser: the shell's folder dialog, opened at the start folder.
#include <string>

#include "ui/win32/win32_kit.h"
// Needs windows.h before it.
#include <shlobj.h>

namespace {

// Selects the start folder once the dialog is ready.
int CALLBACK OnDialogEvent(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
  }
  return 0;
}

}  // namespace

std::string ChooseFolder(std::string_view title, std::string_view start) {
  // The dialog is a COM object; initialising twice only returns S_FALSE.
  const HRESULT com = CoInitialize(nullptr);
  const std::string titleText(title);
  const std::string startText(start);
  BROWSEINFOA info = {};
  info.hwndOwner = GetActiveWindow();
  info.lpszTitle = titleText.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = OnDialogEvent;
  info.lParam = startText.empty() ? 0 : reinterpret_cast<LPARAM>(startText.c_str());
  std::string chosen;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(item, path)) chosen = path;
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
