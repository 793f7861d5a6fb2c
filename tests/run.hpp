// Runs the built qor as a child process: whole runs with given input, and
// sessions that talk to it a piece at a time.
#ifndef QOR_TESTS_RUN_HPP
#define QOR_TESTS_RUN_HPP

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "target.hpp"

struct Result {
  std::string out;
  std::string err;
  int status = -1;  // exit status, 128 + signal number, or -1 on a time-out
};

struct Options {
  std::vector<std::string> args;
  // Feed the input in pieces of 1 to chunk bytes (0: all at once), each piece
  // only once the program has read the one before.
  std::size_t chunk = 0;
  unsigned seed = 1;
  bool ignoreSigpipe = false;  // start the program with SIGPIPE ignored
  bool nonblocking = false;    // its stdin and stdout pipes in O_NONBLOCK mode
  int outputDelayMs = 0;       // read nothing of its output for this long
  int stdinFd = -1;            // a descriptor to use as its stdin, not a pipe
  int stdoutFd = -1;           // a descriptor to use as its stdout, not a pipe
};

// Runs qor on input and returns what it wrote and how it ended.
Result runQor(std::string_view input, const Options& options = {});

// A running qor with pipes to its stdin, stdout and stderr.
struct Session {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
  int err = -1;
};

Session startQor(const Options& options = {});
// In a child process: replaces it with program, started through the
// launcher of a cross build where there is one. Returns only if that fails.
void execUnderLauncher(const char* program,
                       const std::vector<std::string>& args);
// The same for qor.
void execQor(const std::vector<std::string>& args = {});
// The shell command that starts qor, for std::system.
std::string qorCommand();
// Reads from fd until what was read ends with end, the stream ends, or
// timeoutMs pass; returns what was read.
std::string readUntil(int fd, std::string_view end, int timeoutMs = 5000);
// Reads whatever arrives on fd within ms milliseconds.
std::string readFor(int fd, int ms);
void sendAll(int fd, std::string_view bytes);
// Closes the session's pipes and returns its status as Result::status does.
int finishSession(Session& session);
int waitStatus(pid_t pid);

// The program's fixed texts, as they must appear on its standard output.
namespace expected {
inline constexpr std::string_view banner =
    "\t\t\tQOR tool kit\n"
    "\n"
    "NT_version\n"
    "Use 'help' command to view the list of commands.\n"
    "\n";
inline constexpr std::string_view help =
    "List of commands:\n"
    "\thelp - command used to display list of commands\n"
    "\tversion - command uset to display the version of the QOR tool kit\n"
    "\texit - command used to exit out of this tool kit\n"
    "\tcopyright - displays the owners\n";
inline constexpr std::string_view version =
    "Version 0.03 Beta.\n"
    "By QOR team.\n"
    "QOR//dururEZEV\n"
    "VUX installer used.\n";
inline constexpr std::string_view credits =
    "\n"
    "Ver 0.03 (beta)\n"
    "\tProgramer:\n"
    "\t\tIlvo Marrekant\n"
    "\tDirectors:\n"
    "\t\tBerit Oskelund\n"
    "\t\tCasimir Dunvale\n"
    "\t\tYsolde Prannick\n"
    "\t\tZdeněk Halvoran\n"
    "\t\tAnouk Ferreday\n"
    "\t\tRuslan Ebbercot\n";
inline constexpr std::string_view prompt = " _>>";
}  // namespace expected

#endif
