// Pipes: every prompt and answer reaches the other end before the shell waits
// for the next word.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "run.hpp"

namespace {

const std::string P{expected::prompt};

TEST(Pipes, EachAnswerArrivesBeforeTheNextWordIsSent) {
  Session s = startQor();
  EXPECT_EQ(std::string(expected::banner) + P, readUntil(s.out, P));
  const struct {
    const char* word;
    std::string answer;
  } steps[] = {{"version\n", "\n" + std::string(expected::version)},
               {"nothing\n", "\n"},
               {"help\n", "\n" + std::string(expected::help)},
               {"copyright\n", "\n" + std::string(expected::credits)}};
  for (const auto& step : steps) {
    sendAll(s.in, step.word);
    EXPECT_EQ(step.answer + P, readUntil(s.out, P)) << step.word;
  }
  sendAll(s.in, "exit\n");
  EXPECT_EQ("\n", readFor(s.out, 2000));
  EXPECT_EQ(0, finishSession(s));
}

TEST(Pipes, AWordSplitAcrossWritesIsOneWord) {
  Session s = startQor();
  readUntil(s.out, P);
  sendAll(s.in, "ver");
  EXPECT_EQ("", readFor(s.out, 100));
  sendAll(s.in, "sion");
  EXPECT_EQ("", readFor(s.out, 100));  // the word may go on
  sendAll(s.in, " ");
  EXPECT_EQ("\n" + std::string(expected::version) + P, readUntil(s.out, P));
  EXPECT_EQ(0, finishSession(s));
}

TEST(Pipes, StoppedAndContinuedShellCarriesOn) {
  Session s = startQor();
  readUntil(s.out, P);
  kill(s.pid, SIGSTOP);
  sendAll(s.in, "version\n");
  kill(s.pid, SIGCONT);
  EXPECT_EQ("\n" + std::string(expected::version) + P, readUntil(s.out, P));
  EXPECT_EQ(0, finishSession(s));
}

// Output is flushed when a read may wait, not once per prompt: a script of
// 100,000 words costs a handful of writes, not one a word.
TEST(Pipes, ScriptIsWrittenInLargeBlocks) {
  if (windowsTarget) GTEST_SKIP() << "counts Linux system calls";
  if (std::system("strace -V >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no strace";
  const std::string dir = testing::TempDir();
  std::string input;
  for (int i = 0; i < 100000; ++i)
    input += i % 1000 == 0 ? "version\n" : "foo ";
  std::ofstream(dir + "qor-script") << input;
  const std::string log = dir + "qor-script.log";
  // LeakSanitizer, in a sanitizer build, cannot work under strace.
  const std::string command =
      "ASAN_OPTIONS=detect_leaks=0 strace -qq -e "
      "trace=read,write -o " +
      log + " " + qorCommand() + " < " + dir + "qor-script > /dev/null";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::ifstream trace(log);
  int reads = 0;
  int writes = 0;
  for (std::string line; std::getline(trace, line);) {
    reads += line.starts_with("read(0,") ? 1 : 0;
    writes += line.starts_with("write(1,") ? 1 : 0;
  }
  // About 400 KiB in and 600 KiB out, in blocks of 64 KiB.
  EXPECT_LE(reads, 10);
  EXPECT_LE(writes, 40);
  EXPECT_GE(writes, 1);
}

}  // namespace
