// The folder chooser: the shell's folder dialog, opened at the start folder.
// Its folders are system paths (UTF-8 here, UTF-16 for the shell), so a
// folder whose name the ANSI code page cannot hold is chosen as it is.
#include <string>

#include "ui/win32/win32_kit.h"
// Needs windows.h before it.
#include <shlobj.h>

namespace {

// Selects the start folder once the dialog is ready.
int CALLBACK OnDialogEvent(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

std::wstring Widen(UINT codePage, std::string_view text) {
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0) MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string Utf8(const wchar_t* wide) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 1) return std::string();
  std::string text(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), needed, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

std::string ChooseFolder(std::string_view title, std::string_view start) {
  // The dialog is a COM object; initialising twice only returns S_FALSE.
  const HRESULT com = CoInitialize(nullptr);
  const std::wstring titleText = Widen(CP_ACP, title);
  const std::wstring startText = Widen(CP_UTF8, start);
  BROWSEINFOW info = {};
  info.hwndOwner = GetActiveWindow();
  info.lpszTitle = titleText.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = OnDialogEvent;
  info.lParam = startText.empty() ? 0 : reinterpret_cast<LPARAM>(startText.c_str());
  std::string chosen;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(item, path)) chosen = Utf8(path);
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}
