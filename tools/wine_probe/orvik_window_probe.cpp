// orvik-window-probe: reads a running dialog from outside its process, as the Wine test
// sees the program's main window, and clicks its Cancel button.
//   report PREFIX OUT    waits for a visible top-level dialog whose caption starts with
//                        PREFIX, then writes one line for the window and one per
//                        control, tab-separated
//   cancel PREFIX        clicks that dialog's Cancel button (id 2)
// The prefix keeps the command line plain ASCII, whatever the locale.
// Texts are written as UTF-8; exit status 0 on success, 1 when the window never came.
// The fonts come from orvik-probe-hook.dll beside the probe, which the system loads
// into the dialog's process for a moment.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitLimitMs = 60000;
constexpr DWORD kPollMs = 100;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// Asked of the window itself: for a window of another process GetWindowTextW gives only
// the caption the system keeps, which an edit control's text is not.
std::wstring TextOf(HWND window) {
  const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

struct Search {
  std::wstring prefix;
  HWND found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM search) {
  auto* s = reinterpret_cast<Search*>(search);
  if (IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
      TextOf(window).rfind(s->prefix, 0) == 0) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForDialog(const wchar_t* prefix) {
  for (DWORD waited = 0; waited < kWaitLimitMs; waited += kPollMs) {
    Search search{prefix};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(kPollMs);
  }
  return nullptr;
}

std::wstring ProbeDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory = path;
  return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

// "id<TAB>height<TAB>face<TAB>weight" per control with a font, read in the dialog's own
// process by the hook; empty when that failed.
std::map<int, std::string> ControlFonts(HWND dialog) {
  std::map<int, std::string> fonts;
  HMODULE hook = LoadLibraryW((ProbeDirectory() + L"orvik-probe-hook.dll").c_str());
  const auto procedure = hook ? reinterpret_cast<HOOKPROC>(
                                    reinterpret_cast<void*>(GetProcAddress(hook, "OrvikProbeHook")))
                              : nullptr;
  if (procedure == nullptr) return fonts;
  wchar_t directory[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, directory);
  const std::wstring path = std::wstring(directory) + L"orvik-probe-fonts.txt";
  DeleteFileW(path.c_str());
  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, procedure, hook, thread);
  if (installed == nullptr) return fonts;
  PostMessageW(dialog, RegisterWindowMessageW(L"OrvikProbeFonts"), 0, 0);
  FILE* file = nullptr;
  for (DWORD waited = 0; waited < kWaitLimitMs && file == nullptr; waited += kPollMs) {
    Sleep(kPollMs);
    file = _wfopen(path.c_str(), L"rb");
  }
  UnhookWindowsHookEx(installed);
  if (file == nullptr) return fonts;
  char line[512];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const auto tab = text.find('\t');
    if (tab != std::string::npos)
      fonts[std::atoi(text.substr(0, tab).c_str())] = text.substr(tab + 1);
  }
  std::fclose(file);
  return fonts;
}

std::wstring Hex(LONG_PTR value) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value & 0xFFFFFFFF));
  return text;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  // Only the dialog's own controls, not the children they may have.
  if (GetParent(child) == GetAncestor(child, GA_ROOT)) {
    reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
  }
  return TRUE;
}

int Report(const wchar_t* prefix, const wchar_t* path) {
  HWND dialog = WaitForDialog(prefix);
  if (dialog == nullptr) {
    std::fputs("orvik-window-probe: the window did not appear\n", stderr);
    return 1;
  }
  std::vector<HWND> children;
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  const auto fonts = ControlFonts(dialog);
  std::string report =
      Utf8(L"window\t" + ClassOf(dialog) + L"\t" + Hex(GetWindowLongPtrW(dialog, GWL_STYLE)) +
           L"\t" + Hex(GetWindowLongPtrW(dialog, GWL_EXSTYLE)) + L"\t" + TextOf(dialog)) +
      "\n";
  for (HWND child : children) {
    const int id = GetDlgCtrlID(child);
    const auto font = fonts.find(id);
    report += Utf8(L"control\t" + std::to_wstring(id) + L"\t" + ClassOf(child) + L"\t" +
                   Hex(GetWindowLongPtrW(child, GWL_STYLE)) + L"\t" +
                   Hex(GetWindowLongPtrW(child, GWL_EXSTYLE)) + L"\t");
    report += (font != fonts.end() ? font->second : std::string("-\t-\t-")) + "\t" +
              Utf8(TextOf(child)) + "\n";
  }
  FILE* out = _wfopen(path, L"wb");
  if (out == nullptr) return 1;
  std::fputs(report.c_str(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}

int Cancel(const wchar_t* prefix) {
  HWND dialog = WaitForDialog(prefix);
  HWND cancel = dialog != nullptr ? GetDlgItem(dialog, IDCANCEL) : nullptr;
  if (cancel == nullptr) return 1;
  // A click, as the button itself turns it into BN_CLICKED for the dialog.
  return PostMessageW(cancel, BM_CLICK, 0, 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"report" && argc == 4) return Report(argv[2], argv[3]);
  if (command == L"cancel" && argc == 3) return Cancel(argv[2]);
  std::fputs("usage: orvik-window-probe report PREFIX OUT | cancel PREFIX\n", stderr);
  return 2;
}
