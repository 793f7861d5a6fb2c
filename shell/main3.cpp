// qor: the QOR tool kit's command shell. Writes the banner, then prompts for
// one command word at a time and answers it until "exit".
#include <cstddef>
#include <cstring>

#include "console.hpp"
#include "texts.hpp"

char command[16];  // the word read last, cut to fit
bool mainLoop = true;

namespace {

// True when the word read last is the keyword, whole and byte for byte.
template <std::size_t N>
bool is(std::size_t length, const char (&keyword)[N]) {
  return length == N - 1 && std::memcmp(command, keyword, N - 1) == 0;
}

}  // namespace

int main(int /*argc*/, char** /*argv*/) {
  startMsg();
  while (mainLoop) {
    writeText(" _>>");
    const std::size_t length = readWord(command, sizeof command);
    writeChar('\n');
    if (length == 0) break;  // the input has ended: leave as "exit" does
    if (is(length, "help")) {
      help();
    } else if (is(length, "version")) {
      version();
    } else if (is(length, "exit")) {
      break;
    } else if (is(length, "copyright")) {
      copxrih();
    }
  }
  return finish();
}
