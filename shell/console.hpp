// Buffered console input and output on the raw descriptors 0 and 1.
//
// Output is collected and written in large blocks; it is always flushed before
// a read that may wait, so a prompt is on the screen before the shell waits for
// its answer. A failed read or write is remembered and turned into the exit
// status by finish().
#ifndef QOR_CONSOLE_HPP
#define QOR_CONSOLE_HPP

#include <cstddef>

void writeBytes(const char* bytes, std::size_t count);
void writeChar(char c);

// Writes a string literal without its terminating NUL.
template <std::size_t N>
void writeText(const char (&text)[N]) {
  writeBytes(text, N - 1);
}

// Writes a string literal as a line: the text, then one line feed.
template <std::size_t N>
void writeLine(const char (&text)[N]) {
  writeBytes(text, N - 1);
  writeChar('\n');
}

// Reads the next whitespace-delimited word. Stores as much of it as fits in
// word (capacity bytes, NUL included; 15 bytes of the word at most) and
// returns its whole length, or 0 when no word could be read: end of input, a
// read error, or output that failed.
std::size_t readWord(char* word, std::size_t capacity);

// Flushes the output, gives unread input back to a seekable standard input,
// and returns the exit status: 0, or 1 after a failed read or write.
int finish();

#endif
