// Faults: failed output, failed input, non-blocking descriptors, and handing
// unread input on to the next reader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "run.hpp"

namespace {

const std::string P{expected::prompt};
const std::string next = P + "\n";

// A temporary file holding the given bytes, open for reading at offset 0.
struct InputFile {
  explicit InputFile(std::string_view bytes) {
    char name[] = "/tmp/qor-test-XXXXXX";
    fd = mkstemp(name);
    unlink(name);
    sendAll(fd, bytes);
    lseek(fd, 0, SEEK_SET);
  }
  ~InputFile() { close(fd); }
  std::string rest() const {
    std::string out;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, n);
    return out;
  }
  int fd = -1;
};

TEST(Output, FullDeviceFailsWithStatusOneAndReadsNoInput) {
  InputFile input("help version copyright help\n");
  Options options;
  options.stdinFd = input.fd;
  options.stdoutFd = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(options.stdoutFd, 0);
  const Result r = runQor("", options);
  close(options.stdoutFd);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(0, lseek(input.fd, 0, SEEK_CUR));  // it stopped before reading
}

// A pipe whose reader has gone: with SIGPIPE ignored the write fails with
// EPIPE, and the shell ends with status 1.
TEST(Output, ClosedPipeWithSigpipeIgnored) {
  int out[2];
  ASSERT_EQ(0, pipe2(out, O_CLOEXEC));
  close(out[0]);
  Options options;
  options.stdoutFd = out[1];
  options.ignoreSigpipe = true;
  const Result r = runQor("help\n", options);
  close(out[1]);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("", r.err);
}

TEST(Output, ClosedPipeEndsTheShellBySigpipe) {
  if (windowsTarget) GTEST_SKIP() << "a Windows program gets no SIGPIPE";
  int out[2];
  ASSERT_EQ(0, pipe2(out, O_CLOEXEC));
  close(out[0]);
  Options options;
  options.stdoutFd = out[1];
  const Result r = runQor("help\n", options);
  close(out[1]);
  EXPECT_EQ(128 + SIGPIPE, r.status);
  EXPECT_EQ("", r.err);
}

TEST(Output, ReaderThatGoesAwayMidwayStopsTheShell) {
  Options options;
  options.ignoreSigpipe = true;
  Session s = startQor(options);
  EXPECT_EQ(std::string(expected::banner) + P, readUntil(s.out, P));
  close(s.out);
  s.out = -1;
  sendAll(s.in, "help\n");
  EXPECT_EQ(1, finishSession(s));
}

TEST(Input, DirectoryEndsAsEndOfInputWithStatusOne) {
  Options options;
  options.stdinFd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(options.stdinFd, 0);
  const Result r = runQor("", options);
  close(options.stdinFd);
  EXPECT_EQ(std::string(expected::banner) + next, r.out);
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("", r.err);
}

TEST(Input, ClosedStandardInputEndsWithStatusOne) {
  int in[2];
  ASSERT_EQ(0, pipe2(in, O_CLOEXEC));
  Options options;
  options.stdinFd = in[1];  // a write-only end: every read fails
  const Result r = runQor("", options);
  close(in[0]);
  close(in[1]);
  EXPECT_EQ(std::string(expected::banner) + next, r.out);
  EXPECT_EQ(1, r.status);
}

// Non-blocking descriptors give the same bytes as blocking ones, with input
// arriving in small pieces and output read only after the pipe has filled.
TEST(NonBlocking, SameBytesAsBlocking) {
  if (windowsTarget) GTEST_SKIP() << "Windows has no non-blocking descriptors";
  std::string input;
  std::string want(expected::banner);
  for (int i = 0; i < 400; ++i) {
    input += "help version x copyright\n";
    want += next + std::string(expected::help) + next +
            std::string(expected::version) + next + next +
            std::string(expected::credits);
  }
  want += next;
  Options options;
  options.nonblocking = true;
  options.outputDelayMs = 300;
  const Result whole = runQor(input, options);
  EXPECT_EQ(want, whole.out);
  EXPECT_EQ(0, whole.status);
  options.chunk = 7;
  options.outputDelayMs = 0;
  const std::string part = input.substr(0, 2000);
  const Result pieces = runQor(part, options);
  EXPECT_EQ(runQor(part).out, pieces.out);
  EXPECT_EQ(0, pieces.status);
}

// When waiting for input itself fails (poll(2) with an open-file limit of
// 0), that is a failed read: the shell ends with status 1 instead of trying
// again at full speed.
TEST(NonBlocking, FailedWaitEndsWithStatusOne) {
  if (windowsTarget) GTEST_SKIP() << "Windows has no non-blocking descriptors";
  Options options;
  options.nonblocking = true;
  Session s = startQor(options);
  EXPECT_EQ(std::string(expected::banner) + P, readUntil(s.out, P));
  usleep(200000);  // until it waits in poll(2)
  const rlimit none{0, 0};
  ASSERT_EQ(0, prlimit(s.pid, RLIMIT_NOFILE, &none, nullptr));
  sendAll(s.in, "v");
  const std::string rest = readFor(s.out, 5000);  // ends when qor does
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 500 && !ended; ++i) {  // its output closes as it exits
    ended = waitpid(s.pid, &status, WNOHANG) == s.pid;
    if (!ended) usleep(10000);
  }
  if (!ended) {
    kill(s.pid, SIGKILL);
    waitStatus(s.pid);
  }
  close(s.in);
  close(s.out);
  close(s.err);
  EXPECT_TRUE(ended) << "still running, having written: " << rest;
  EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_TRUE(rest.starts_with("\n")) << rest;
}

// { qor; cat; } < file: everything after "exit" is left for cat.
TEST(SeekableInput, BytesAfterExitAreLeftForTheNextReader) {
  const std::string filler(100000, 'f');
  const struct {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"short", "version exit", " help\nmore bytes\n"},
      {"exit at end of a line", "help\nexit", "\nversion\n"},
      {"beyond the first block", filler + " exit", "\t" + filler + "\ntail"},
      {"nothing after", "exit", ""},
  };
  for (const auto& c : cases) {
    InputFile input(c.before + c.after);
    Options options;
    options.stdinFd = input.fd;
    const Result r = runQor("", options);
    EXPECT_EQ(0, r.status) << c.name;
    EXPECT_EQ(c.after, input.rest()) << c.name;
  }
}

}  // namespace
