// Starting the built program and moving bytes to and from it.
#include "run.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

// A run that takes longer than this is stuck: it is killed and fails.
constexpr auto runLimit = std::chrono::seconds(60);

void setNonblocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Appends what can be read from fd now; false once the stream has ended.
bool drain(int fd, std::string& into) {
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      into.append(buf, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && errno == EAGAIN;  // EIO: a terminal whose child is gone
    }
  }
}

pid_t spawn(const Options& options, int in, int out, int err) {
  signal(SIGPIPE, SIG_IGN);  // the tests see EPIPE rather than dying
  const pid_t pid = fork();
  if (pid != 0) return pid;
  dup2(in, STDIN_FILENO);
  dup2(out, STDOUT_FILENO);
  dup2(err, STDERR_FILENO);
  closefrom(3);
  signal(SIGPIPE, options.ignoreSigpipe ? SIG_IGN : SIG_DFL);
  execQor(options.args);
  _exit(127);
}

}  // namespace

void execUnderLauncher(const char* program,
                       const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const char* const* l = qorLauncher; *l != nullptr; ++l) {
    argv.push_back(const_cast<char*>(*l));
  }
  argv.push_back(const_cast<char*>(program));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
}

void execQor(const std::vector<std::string>& args) {
  execUnderLauncher(qorProgram, args);
}

std::string qorCommand() {
  std::string command;
  for (const char* const* l = qorLauncher; *l != nullptr; ++l) {
    command += std::string(*l) + " ";
  }
  return command + qorProgram;
}

int waitStatus(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

Session startQor(const Options& options) {
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  int err[2];
  if (options.stdinFd < 0 && pipe2(in, O_CLOEXEC) != 0) std::abort();
  if (options.stdoutFd < 0 && pipe2(out, O_CLOEXEC) != 0) std::abort();
  if (pipe2(err, O_CLOEXEC) != 0) std::abort();
  if (options.nonblocking) {
    if (in[0] >= 0) setNonblocking(in[0]);
    if (out[1] >= 0) setNonblocking(out[1]);
  }
  Session s;
  s.pid = spawn(options, options.stdinFd >= 0 ? options.stdinFd : in[0],
                options.stdoutFd >= 0 ? options.stdoutFd : out[1], err[1]);
  if (in[0] >= 0) close(in[0]);
  if (out[1] >= 0) close(out[1]);
  close(err[1]);
  s.in = in[1];
  s.out = out[0];
  s.err = err[0];
  return s;
}

Result runQor(std::string_view input, const Options& options) {
  Result r;
  int in[2] = {-1, -1};
  if (options.stdinFd < 0 && pipe2(in, O_CLOEXEC) != 0) std::abort();
  // Keeps a read end here too, to see when the program has read a piece.
  const int unread = options.chunk > 0 ? dup(in[0]) : -1;
  Options child = options;
  if (in[0] >= 0) child.stdinFd = in[0];
  if (options.nonblocking && in[0] >= 0) setNonblocking(in[0]);
  Session s = startQor(child);
  if (in[0] >= 0) close(in[0]);
  int toChild = in[1];
  if (toChild >= 0) setNonblocking(toChild);
  if (s.out >= 0) setNonblocking(s.out);
  setNonblocking(s.err);

  std::mt19937 random(options.seed);
  std::size_t sent = 0;
  std::size_t pieceEnd = 0;
  const auto start = Clock::now();
  const auto deadline = start + runLimit;
  const auto outputFrom =
      start + std::chrono::milliseconds(options.outputDelayMs);
  bool outOpen = s.out >= 0;
  bool errOpen = true;
  while ((outOpen || errOpen) && Clock::now() < deadline) {
    if (toChild >= 0 && sent == input.size()) {
      close(toChild);
      toChild = -1;
    }
    bool waitForRead = false;
    if (toChild >= 0 && options.chunk > 0) {
      int pending = 0;
      ioctl(unread, FIONREAD, &pending);
      waitForRead = pending > 0;
      if (!waitForRead && sent == pieceEnd) {
        std::uniform_int_distribution<std::size_t> size(1, options.chunk);
        pieceEnd = std::min(input.size(), sent + size(random));
      }
    } else {
      pieceEnd = input.size();
    }
    pollfd fds[3] = {{toChild, POLLOUT, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
    if (waitForRead) fds[0].fd = -1;
    if (outOpen && Clock::now() >= outputFrom) fds[1].fd = s.out;
    if (errOpen) fds[2].fd = s.err;
    const int timeout =
        waitForRead || fds[1].fd != s.out ? 1 : msLeft(deadline);
    if (poll(fds, 3, timeout) < 0 && errno != EINTR) break;
    if (fds[0].revents != 0) {
      const ssize_t n = write(toChild, input.data() + sent, pieceEnd - sent);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        sent = input.size();  // the program has stopped reading
      }
    }
    if (fds[1].revents != 0) outOpen = drain(s.out, r.out);
    if (fds[2].revents != 0) errOpen = drain(s.err, r.err);
  }
  if (toChild >= 0) close(toChild);
  if (unread >= 0) close(unread);
  if (outOpen || errOpen) kill(s.pid, SIGKILL);
  if (s.out >= 0) close(s.out);
  close(s.err);
  r.status = waitStatus(s.pid);
  if (outOpen || errOpen) r.status = -1;
  return r;
}

std::string readUntil(int fd, std::string_view end, int timeoutMs) {
  std::string got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!got.ends_with(end)) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, msLeft(deadline)) <= 0) break;
    char c;
    const ssize_t n = read(fd, &c, 1);  // one byte at a time: never past end
    if (n <= 0) break;
    got.push_back(c);
  }
  return got;
}

std::string readFor(int fd, int ms) {
  std::string got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, msLeft(deadline)) <= 0) break;
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

void sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

int finishSession(Session& session) {
  // Ends its input, then takes what it still writes, so that it never meets
  // a closed pipe.
  close(session.in);
  if (session.out >= 0) {
    readFor(session.out, 5000);
    close(session.out);
  }
  close(session.err);
  session.in = session.out = session.err = -1;
  return waitStatus(session.pid);
}
