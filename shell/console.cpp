// Console input and output: large buffers over read(2) and write(2), retried on
// EINTR and waited on with poll(2) when a descriptor is non-blocking.
#include "console.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Big enough that a piped script costs one read per 64 KiB of input and one
// write per 64 KiB of output.
constexpr std::size_t bufferSize = 65536;

char inBuf[bufferSize];
std::size_t inPos;
std::size_t inLen;
bool inputEnded;  // end of input or a read error: no more reads
bool readFailed;

char outBuf[bufferSize];
std::size_t outLen;
bool outputFailed;  // a write failed: nothing more is written or read

// Blocks until fd is ready, for a descriptor that is in non-blocking mode.
void await(int fd, short events) {
  pollfd p{fd, events, 0};
  while (poll(&p, 1, -1) < 0 && errno == EINTR) {
  }
}

// Writes out the buffered output; after a failure, output is dropped.
void flush() {
  std::size_t done = 0;
  while (done < outLen && !outputFailed) {
    const ssize_t n = write(STDOUT_FILENO, outBuf + done, outLen - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      await(STDOUT_FILENO, POLLOUT);
    } else if (n == 0 || errno != EINTR) {
      outputFailed = true;
    }
  }
  outLen = 0;
}

// Replaces the consumed input buffer with the next block of input. Flushes
// first, because the read may wait for the user to answer the prompt.
bool refill() {
  flush();
  while (!inputEnded && !outputFailed) {
    const ssize_t n = read(STDIN_FILENO, inBuf, sizeof inBuf);
    if (n > 0) {
      inPos = 0;
      inLen = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      await(STDIN_FILENO, POLLIN);
    } else if (n == 0 || errno != EINTR) {
      readFailed = n < 0;
      inputEnded = true;
    }
  }
  return false;
}

// Space, tab, line feed, vertical tab, form feed and carriage return.
bool isSpace(unsigned char c) {
  return c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
}

// Returns the length of the run of non-whitespace bytes that starts at p; a
// long word is scanned 16 bytes at a time.
std::size_t wordSpan(const char* p, std::size_t n) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i control = _mm_sub_epi8(v, tab);
    const __m128i isControl =
        _mm_cmpeq_epi8(_mm_min_epu8(control, four), control);
    const __m128i hits = _mm_or_si128(isControl, _mm_cmpeq_epi8(v, space));
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && !isSpace(static_cast<unsigned char>(p[i]))) ++i;
  return i;
}

}  // namespace

void writeBytes(const char* bytes, std::size_t count) {
  while (count > bufferSize - outLen) {
    const std::size_t part = bufferSize - outLen;
    std::memcpy(outBuf + outLen, bytes, part);
    outLen = bufferSize;
    bytes += part;
    count -= part;
    flush();
  }
  std::memcpy(outBuf + outLen, bytes, count);
  outLen += count;
}

void writeChar(char c) {
  if (outLen == bufferSize) flush();
  outBuf[outLen++] = c;
}

std::size_t readWord(char* word, std::size_t capacity) {
  // A shell whose output is gone stops reading at once.
  if (outputFailed) return 0;
  for (;;) {
    while (inPos < inLen && isSpace(static_cast<unsigned char>(inBuf[inPos]))) {
      ++inPos;
    }
    if (inPos < inLen) break;
    if (!refill()) return 0;
  }
  // The whole word is consumed, however long; only what fits is kept.
  const std::size_t room = capacity - 1;
  std::size_t length = 0;
  do {
    const std::size_t n = wordSpan(inBuf + inPos, inLen - inPos);
    if (length < room) {
      std::memcpy(word + length, inBuf + inPos, std::min(n, room - length));
    }
    length += n;
    inPos += n;
  } while (inPos == inLen && refill());
  word[std::min(length, room)] = '\0';
  return length;
}

int finish() {
  flush();
  // What was read ahead of the last word belongs to whoever reads next.
  if (inLen > inPos) {
    lseek(STDIN_FILENO, -static_cast<off_t>(inLen - inPos), SEEK_CUR);
  }
  return readFailed || outputFailed ? 1 : 0;
}
