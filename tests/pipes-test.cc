// Pipes: every prompt and answer reaches the other end before the shell waits
// for the next word.
#include <gtest/gtest.h>
#include <signal.h>

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

}  // namespace
