// orvik-probe-hook.dll: loaded by the system into the probed program's process through a
// message hook, where the fonts of its controls can be read (font handles are valid only
// in the process that made them). On the probe's request message it writes, for each
// control of the window, "id<TAB>height<TAB>face<TAB>weight" lines, UTF-8, to a file in
// the temporary directory, which it moves into place whole.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

BOOL CALLBACK WriteControlFont(HWND child, LPARAM file) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
  LOGFONTW logical{};
  if (font != nullptr && GetObjectW(font, sizeof logical, &logical) == sizeof logical) {
    std::fprintf(reinterpret_cast<FILE*>(file), "%d\t%ld\t%s\t%ld\n", GetDlgCtrlID(child),
                 logical.lfHeight, Utf8(logical.lfFaceName).c_str(), logical.lfWeight);
  }
  return TRUE;
}

void WriteFonts(HWND window) {
  wchar_t directory[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, directory);
  const std::wstring path = std::wstring(directory) + L"orvik-probe-fonts.txt";
  const std::wstring partial = path + L".part";
  FILE* file = _wfopen(partial.c_str(), L"wb");
  if (file == nullptr) return;
  EnumChildWindows(window, WriteControlFont, reinterpret_cast<LPARAM>(file));
  if (std::fclose(file) == 0) MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    OrvikProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT request = RegisterWindowMessageW(L"OrvikProbeFonts");
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == request) {
    WriteFonts(message->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
