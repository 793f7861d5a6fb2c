// A Windows program that runs qor.exe at the console it was started in, as a
// person at a Windows console would: it types the given keys into the
// console's input, waits for qor.exe to end, then writes its exit status and
// the screen, read back as UTF-16, to a file in UTF-8.
//
// Usage: console-helper QOR.EXE KEYS OUTPUT-FILE, where in KEYS "|" is Enter
// and "^" is Ctrl-Z.
#include <windows.h>

#include <cstdio>

namespace {

void type(HANDLE in, const wchar_t* keys) {
  for (const wchar_t* k = keys; *k != L'\0'; ++k) {
    INPUT_RECORD press[2] = {};
    for (int i = 0; i < 2; ++i) {
      KEY_EVENT_RECORD& key = press[i].Event.KeyEvent;
      press[i].EventType = KEY_EVENT;
      key.bKeyDown = i == 0;
      key.wRepeatCount = 1;
      if (*k == L'|') {
        key.uChar.UnicodeChar = L'\r';
        key.wVirtualKeyCode = VK_RETURN;
      } else if (*k == L'^') {
        key.uChar.UnicodeChar = 0x1a;
        key.wVirtualKeyCode = 'Z';
        key.dwControlKeyState = LEFT_CTRL_PRESSED;
      } else {
        key.uChar.UnicodeChar = *k;
      }
    }
    DWORD n = 0;
    WriteConsoleInputW(in, press, 2, &n);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  HANDLE in = CreateFileW(L"CONIN$", access, share, &inherit, OPEN_EXISTING, 0,
                          nullptr);
  HANDLE out = CreateFileW(L"CONOUT$", access, share, &inherit, OPEN_EXISTING,
                           0, nullptr);
  type(in, argv[2]);

  STARTUPINFOW start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = in;
  start.hStdOutput = out;
  start.hStdError = out;
  PROCESS_INFORMATION child;
  if (!CreateProcessW(argv[1], nullptr, nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &start, &child)) {
    return 2;
  }
  DWORD status = 0;
  if (WaitForSingleObject(child.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(child.hProcess, 259);
    WaitForSingleObject(child.hProcess, 10000);
  }
  GetExitCodeProcess(child.hProcess, &status);

  // The screen up to the cursor's row, one line per row, trailing spaces cut.
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(out, &info)) return 2;
  static wchar_t row[1024];
  static char text[1 << 16];
  int length = std::snprintf(text, sizeof text, "status %lu\n", status);
  const SHORT width = info.dwSize.X < 1024 ? info.dwSize.X : 1024;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    DWORD got = 0;
    ReadConsoleOutputCharacterW(out, row, width, COORD{0, y}, &got);
    while (got > 0 && row[got - 1] == L' ') --got;
    length += WideCharToMultiByte(CP_UTF8, 0, row, static_cast<int>(got),
                                  text + length, sizeof text - length - 1,
                                  nullptr, nullptr);
    text[length++] = '\n';
  }
  HANDLE file = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  DWORD n = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &n, nullptr);
  CloseHandle(file);
  return 0;
}
