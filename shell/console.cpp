// Console input and output: large buffers over the system's read and write
// calls, and the word reader. The same on every system; system.hpp holds what
// differs.
#include "console.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "system.hpp"

#if defined(__SSE2__) && !defined(QOR_PORTABLE_SCAN)
#include <emmintrin.h>
#endif

namespace {

// Big enough that a piped script costs one read per 64 KiB of input and one
// write per 64 KiB of output.
constexpr std::size_t bufferSize = 65536;

// The input is followed by two sentinels, a space that stops every word scan
// inside the buffer and a letter that stops every whitespace skip. The word
// scan reads up to fifteen bytes past the space, and a word is copied out
// fifteen bytes at most from its start.
constexpr std::size_t maxKept = 15;
constexpr std::size_t spare = 16;
static_assert(maxKept < spare);
char inBuf[bufferSize + spare];
std::size_t inPos;
std::size_t inLen;
bool inputEnded;  // end of input or a read error: no more reads
bool readFailed;

char outBuf[bufferSize];
std::size_t outLen;
bool outputFailed;  // a write failed: nothing more is written or read

// Writes out the buffered output; after a failure, output is dropped.
void flush() {
  std::size_t done = 0;
  while (done < outLen && !outputFailed) {
    const std::ptrdiff_t n = systemWrite(outBuf + done, outLen - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      outputFailed = true;
    }
  }
  outLen = 0;
}

// Replaces the consumed input buffer with the next block of input. Flushes
// first, because the read may wait for the user to answer the prompt.
bool refill() {
  flush();
  inPos = inLen = 0;
  if (inputEnded || outputFailed) return false;
  const std::ptrdiff_t n = systemRead(inBuf, bufferSize);
  inLen = n > 0 ? static_cast<std::size_t>(n) : 0;
  inBuf[inLen] = ' ';
  inBuf[inLen + 1] = 'x';
  if (n <= 0) {
    readFailed = n < 0;
    inputEnded = true;
  }
  return n > 0;
}

// Space, tab, line feed, vertical tab, form feed and carriage return, as
// bits of one word: a test costs a compare and a bit test.
constexpr std::uint64_t spaces = 1ULL << ' ' | 1ULL << '\t' | 1ULL << '\n' |
                                 1ULL << '\v' | 1ULL << '\f' | 1ULL << '\r';

bool isSpace(unsigned char c) { return c < 64 && (spaces >> c & 1) != 0; }

#if defined(__SSE2__) && !defined(QOR_PORTABLE_SCAN)

// Returns the length of the run of non-whitespace bytes that starts at p,
// testing sixteen bytes at a time against the six whitespace bytes. The
// sentinel after the input ends every run.
std::size_t wordSpan(const char* p) {
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (const char* q = p;; q += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i control = _mm_sub_epi8(v, tab);
    const __m128i isControl =
        _mm_cmpeq_epi8(_mm_min_epu8(control, four), control);
    const auto hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(isControl, _mm_cmpeq_epi8(v, space))));
    if (hits != 0) {
      return static_cast<std::size_t>(q - p) +
             static_cast<std::size_t>(std::countr_zero(hits));
    }
  }
}

#else

constexpr std::uint64_t lows = 0x7f7f7f7f7f7f7f7f;
constexpr std::uint64_t highs = 0x8080808080808080;

// Marks with its high bit every byte of x that is 0x20 or below, the six
// whitespace bytes among them. Each byte is worked on within its own seven
// low bits, so no carry crosses into a neighbour and every mark is exact.
std::uint64_t lowBytes(std::uint64_t x) {
  return ~(((x & lows) + 0x5f5f5f5f5f5f5f5f) | x) & highs;
}

// The position, in memory order, of the first byte marked in m, on either
// byte order.
unsigned firstMarked(std::uint64_t m) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<unsigned>(std::countr_zero(m)) / 8;
  } else {
    return static_cast<unsigned>(std::countl_zero(m)) / 8;
  }
}

// The mark of the byte at position k of a word loaded from memory.
std::uint64_t markOf(unsigned k) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::uint64_t{0x80} << (8 * k);
  } else {
    return std::uint64_t{0x80} << (8 * (7 - k));
  }
}

// Returns the length of the run of non-whitespace bytes that starts at p.
// Eight bytes are tested at a time; only a byte of 0x20 or below is looked at
// on its own. The sentinel after the input ends every run.
std::size_t wordSpan(const char* p) {
  for (const char* q = p;; q += 8) {
    std::uint64_t x;
    std::memcpy(&x, q, sizeof x);
    for (std::uint64_t m = lowBytes(x); m != 0;) {
      const unsigned k = firstMarked(m);
      if (isSpace(static_cast<unsigned char>(q[k]))) {
        return static_cast<std::size_t>(q + k - p);
      }
      m &= ~markOf(k);
    }
  }
}

#endif

}  // namespace

void writeBytes(const char* bytes, std::size_t count) {
  // A prompt's few bytes are stored one by one, which costs less than a call
  // to copy them; a long text is copied.
  if (count <= 8 && count <= bufferSize - outLen) {
    for (std::size_t i = 0; i < count; ++i) outBuf[outLen + i] = bytes[i];
    outLen += count;
    return;
  }
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
    while (isSpace(static_cast<unsigned char>(inBuf[inPos]))) ++inPos;
    if (inPos < inLen) break;
    if (!refill()) return 0;
  }
  // The whole word is consumed, however long; only what fits is kept. Most
  // words lie whole in the buffer: a fixed-size copy of as much as fits costs
  // less than one of the word's own length, and the buffer's spare bytes at
  // its end keep it inside.
  const std::size_t room = std::min(capacity, maxKept + 1) - 1;
  std::size_t length = wordSpan(inBuf + inPos);
  std::memcpy(word, inBuf + inPos, room);
  inPos += length;
  while (inPos == inLen && refill()) {
    const std::size_t n = wordSpan(inBuf);
    if (length < room) {
      std::memcpy(word + length, inBuf, std::min(n, room - length));
    }
    length += n;
    inPos = n;
  }
  word[std::min(length, room)] = '\0';
  return length;
}

int finish() {
  flush();
  // What was read ahead of the last word belongs to whoever reads next.
  if (inLen > inPos) systemUnread(inLen - inPos);
  return readFailed || outputFailed ? 1 : 0;
}
