// Standard input and output on POSIX systems: read(2) and write(2) on
// descriptors 0 and 1, retried on EINTR, and poll(2) when a descriptor is
// non-blocking.
#include <poll.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "system.hpp"

namespace {

// Blocks until a non-blocking fd is ready; false when waiting itself fails,
// which is then a failed read or write rather than a reason to try again.
bool await(int fd, short events) {
  pollfd p{fd, events, 0};
  for (;;) {
    if (poll(&p, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK; }

}  // namespace

std::ptrdiff_t systemRead(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (!wouldBlock() || !await(STDIN_FILENO, POLLIN)) return -1;
  }
}

std::ptrdiff_t systemWrite(const char* bytes, std::size_t size) {
  for (;;) {
    const ssize_t n = write(STDOUT_FILENO, bytes, size);
    if (n > 0) return n;
    if (n == 0) return -1;  // no progress on a non-empty write
    if (errno == EINTR) continue;
    if (!wouldBlock() || !await(STDOUT_FILENO, POLLOUT)) return -1;
  }
}

void systemUnread(std::size_t count) {
  // Fails harmlessly with ESPIPE on a pipe or a terminal.
  lseek(STDIN_FILENO, -static_cast<off_t>(count), SEEK_CUR);
}
