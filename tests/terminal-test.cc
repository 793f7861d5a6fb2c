// A real terminal: qor on a pseudo-terminal, typed at as a person would.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "run.hpp"

namespace {

// The terminal turns each line feed the program writes into CR LF.
std::string onScreen(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class Terminal : public testing::Test {
 protected:
  void SetUp() override {
    if (windowsTarget) {
      GTEST_SKIP() << "a Windows program sees no Unix terminal";
    }
    pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      signal(SIGPIPE, SIG_DFL);
      execQor();
      _exit(127);
    }
  }
  void TearDown() override {
    if (master >= 0) close(master);
    if (pid > 0 && !ended) {
      kill(pid, SIGKILL);
      waitStatus(pid);
    }
  }
  void type(std::string_view keys) const { sendAll(master, keys); }
  int end() {
    ended = true;
    return waitStatus(pid);
  }

  int master = -1;
  pid_t pid = -1;
  bool ended = false;
};

TEST_F(Terminal, BannerAndPromptBeforeAnythingIsTyped) {
  const std::string want =
      onScreen(std::string(expected::banner)) + std::string(expected::prompt);
  EXPECT_EQ(want, readUntil(master, expected::prompt));
  EXPECT_EQ("", readFor(master, 200));  // and then it waits
}

TEST_F(Terminal, VersionShowsEchoEmptyLineTextAndPrompt) {
  readUntil(master, expected::prompt);
  type("version\r");
  // The terminal echoes the word and Enter; the shell adds its own line feed.
  const std::string want = "version\r\n\r\n" + onScreen(expected::version) +
                           std::string(expected::prompt);
  EXPECT_EQ(want, readUntil(master, expected::prompt));
}

TEST_F(Terminal, BlankLinesGiveNoNewPrompt) {
  readUntil(master, expected::prompt);
  type("\r  \t\r");
  EXPECT_EQ("\r\n  \t\r\n", readFor(master, 300));
  type("help\r");
  EXPECT_EQ(
      "help\r\n\r\n" + onScreen(expected::help) + std::string(expected::prompt),
      readUntil(master, expected::prompt));
}

TEST_F(Terminal, ExitEndsWithStatusZero) {
  readUntil(master, expected::prompt);
  type("copyright\r");
  readUntil(master, expected::prompt);
  type("exit\r");
  EXPECT_EQ("exit\r\n\r\n", readFor(master, 1000));
  EXPECT_EQ(0, end());
}

TEST_F(Terminal, EndOfInputKeyEndsAsExitDoes) {
  readUntil(master, expected::prompt);
  type("\x04");  // Ctrl-D at the start of a line
  EXPECT_EQ("\r\n", readFor(master, 1000));
  EXPECT_EQ(0, end());
}

TEST_F(Terminal, WordEndedByEndOfInputIsAnswered) {
  readUntil(master, expected::prompt);
  type("version\x04");  // Ctrl-D hands over the word, which may still go on
  EXPECT_EQ("version", readFor(master, 300));
  type("\x04");  // a second Ctrl-D ends the input, and with it the word
  EXPECT_EQ("\r\n" + onScreen(expected::version) +
                std::string(expected::prompt) + "\r\n",
            readFor(master, 1000));
  EXPECT_EQ(0, end());
}

}  // namespace
