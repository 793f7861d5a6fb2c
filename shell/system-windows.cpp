// Standard input and output on Windows: ReadFile and WriteFile on the
// standard handles. Bytes go to pipes and files as they are; a console is
// written in UTF-16, so that the texts show right whatever its code page.
#include <windows.h>

#include <cstring>

#include "system.hpp"

namespace {

bool isConsole(HANDLE h) {
  DWORD mode = 0;
  return GetConsoleMode(h, &mode) != 0;
}

const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
const bool inputIsConsole = isConsole(input);
const bool outputIsConsole = isConsole(output);

// A console write takes at most this many bytes of UTF-8 at a time, which
// never make more UTF-16 units than that.
constexpr std::size_t consoleChunk = 4096;

// The start of a character that the buffer holds only in part, kept for the
// next write.
char pending[4];
std::size_t pendingLen;

// The length of the UTF-8 sequence that begins with lead.
std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xf0) return 4;
  if (lead >= 0xe0) return 3;
  if (lead >= 0xc0) return 2;
  return 1;
}

// How much of bytes[0, size) ends on a whole character: a sequence cut short
// at the end is left out.
std::size_t wholeCharacters(const char* bytes, std::size_t size) {
  std::size_t start = size;
  while (start > 0 && size - start < 4 &&
         (static_cast<unsigned char>(bytes[start - 1]) & 0xc0) == 0x80) {
    --start;
  }
  if (start == 0) return size;
  const std::size_t lead = start - 1;
  return lead + sequenceLength(static_cast<unsigned char>(bytes[lead])) > size
             ? lead
             : size;
}

// Converts UTF-8 to UTF-16 and writes it to the console.
bool writeConsole(const char* bytes, std::size_t size) {
  static wchar_t wide[consoleChunk];
  const int units =
      MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), wide,
                          static_cast<int>(consoleChunk));
  for (int done = 0; done < units;) {
    DWORD n = 0;
    if (!WriteConsoleW(output, wide + done, static_cast<DWORD>(units - done),
                       &n, nullptr) ||
        n == 0) {
      return false;
    }
    done += static_cast<int>(n);
  }
  return true;
}

// Writes UTF-8 to the console a chunk at a time, each ending on a whole
// character; a character cut at the end of bytes waits for its rest.
std::ptrdiff_t writeToConsole(const char* bytes, std::size_t size) {
  std::size_t used = 0;
  if (pendingLen > 0) {
    const std::size_t need =
        sequenceLength(static_cast<unsigned char>(pending[0]));
    while (pendingLen < need && used < size)
      pending[pendingLen++] = bytes[used++];
    if (pendingLen < need) return static_cast<std::ptrdiff_t>(used);
    if (!writeConsole(pending, pendingLen)) return -1;
    pendingLen = 0;
  }
  while (used < size) {
    const std::size_t part =
        size - used < consoleChunk ? size - used : consoleChunk;
    const std::size_t whole = wholeCharacters(bytes + used, part);
    if (whole == 0) {
      std::memcpy(pending, bytes + used, part);
      pendingLen = part;
      used += part;
    } else {
      if (!writeConsole(bytes + used, whole)) return -1;
      used += whole;
    }
  }
  return static_cast<std::ptrdiff_t>(used);
}

}  // namespace

std::ptrdiff_t systemRead(char* buffer, std::size_t size) {
  DWORD n = 0;
  if (!ReadFile(input, buffer, static_cast<DWORD>(size), &n, nullptr)) {
    const DWORD error = GetLastError();
    // The writer of a pipe has closed it: that is the end of the input.
    return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : -1;
  }
  // At a console, a line that starts with Ctrl-Z ends the input.
  if (inputIsConsole && n > 0 && buffer[0] == '\x1a') return 0;
  return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t systemWrite(const char* bytes, std::size_t size) {
  if (outputIsConsole) return writeToConsole(bytes, size);
  DWORD n = 0;
  const DWORD count = size < 0x40000000 ? static_cast<DWORD>(size) : 0x40000000;
  if (!WriteFile(output, bytes, count, &n, nullptr) || n == 0) return -1;
  return static_cast<std::ptrdiff_t>(n);
}

void systemUnread(std::size_t count) {
  // Only a disk file has a position to move back; pipes and consoles do not.
  if (GetFileType(input) != FILE_TYPE_DISK) return;
  LARGE_INTEGER back;
  back.QuadPart = -static_cast<LONGLONG>(count);
  SetFilePointerEx(input, back, nullptr, FILE_CURRENT);
}
