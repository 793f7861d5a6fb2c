// The shell's fixed answers: each writer puts its whole text on standard output
// as one line (the text and a line feed).
#ifndef QOR_TEXTS_HPP
#define QOR_TEXTS_HPP

void startMsg();
void help();
void version();
void copxrih();

#endif
