// The few operating-system calls under the console, one source file per
// system (system-posix.cpp, system-windows.cpp), picked by CMake. Each call
// waits as long as it must: for input on a non-blocking descriptor, for room
// in a full pipe.
#ifndef QOR_SYSTEM_HPP
#define QOR_SYSTEM_HPP

#include <cstddef>

// Reads up to size bytes of standard input into buffer. Returns the count
// read, 0 at the end of the input, or -1 when reading failed.
std::ptrdiff_t systemRead(char* buffer, std::size_t size);

// Writes up to size bytes to standard output. Returns the count written (at
// least 1), or -1 when writing failed.
std::ptrdiff_t systemWrite(const char* bytes, std::size_t size);

// Gives count bytes that were read but never used back to standard input, so
// that the next reader of a file starts where the shell stopped. Does nothing
// where the input cannot seek.
void systemUnread(std::size_t count);

#endif
