// The Windows console: qor.exe at a real console (Wine's, on a Unix
// terminal), typed at through the console's input and read back from its
// screen, where Windows keeps UTF-16.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "run.hpp"

namespace {

// The path under Wine's drive Z:, which is the Unix root.
std::string windowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + path;
}

struct Screen {
  std::string status;
  std::vector<std::string> lines;  // leading and trailing blanks cut
};

// Runs qor.exe through the console helper on a terminal of its own, typing
// keys ("|" is Enter, "^" is Ctrl-Z).
Screen atConsole(const std::string& keys) {
  char name[] = "/tmp/qor-console-XXXXXX";
  const int fd = mkstemp(name);
  close(fd);
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execUnderLauncher(consoleHelper,
                      {windowsPath(qorProgram), keys, windowsPath(name)});
    _exit(127);
  }
  readFor(master, 30000);  // the console's own drawing, until it ends
  close(master);
  waitStatus(pid);
  std::ifstream in(name, std::ios::binary);
  std::string line;
  Screen screen;
  std::getline(in, screen.status);
  while (std::getline(in, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos) screen.lines.push_back(line.substr(start));
  }
  std::remove(name);
  return screen;
}

// The non-blank lines of a text as a console shows them.
std::vector<std::string> shown(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos;
       start = nl + 1) {
    const std::string line(text.substr(start, nl - start));
    const std::size_t from = line.find_first_not_of('\t');
    if (from != std::string::npos) lines.push_back(line.substr(from));
  }
  return lines;
}

class Console : public testing::Test {
 protected:
  void SetUp() override {
    if (!windowsTarget) {
      GTEST_SKIP() << "a Windows console exists only for the Windows build";
    }
  }
};

TEST_F(Console, CreditsShowRightWhateverTheCodePage) {
  const Screen screen = atConsole("copyright|exit|");
  EXPECT_EQ("status 0", screen.status);
  std::vector<std::string> want = shown(expected::banner);
  want.push_back(std::string(expected::prompt.substr(1)) + "copyright");
  for (const std::string& line : shown(expected::credits)) {
    want.push_back(line);
  }
  want.push_back(std::string(expected::prompt.substr(1)) + "exit");
  EXPECT_EQ(want, screen.lines);
}

TEST_F(Console, LineThatStartsWithCtrlZEndsTheInput) {
  // Inside a word, Ctrl-Z is an ordinary byte; the console echoes it as ^Z.
  // The line after the one that starts with it is never read.
  const Screen screen = atConsole("a^b version|^|help|");
  EXPECT_EQ("status 0", screen.status);
  const std::string prompt(expected::prompt.substr(1));
  std::vector<std::string> want = shown(expected::banner);
  want.push_back(prompt + "a^Zb version");
  want.push_back(prompt);
  for (const std::string& line : shown(expected::version)) {
    want.push_back(line);
  }
  want.push_back(prompt + "^Z");
  EXPECT_EQ(want, screen.lines);
}

}  // namespace
