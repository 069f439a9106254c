// The console dialogue: the program's one output path and its key input.
#pragma once

// The one output path of the program: printf-style, to standard output, flushed.
int console_print(const char *format, ...);

// One key press from the console's own input: a character code (1..255), or 0/224 and
// then the extended code on the next call; -1 when the console input can't be read.
int read_key();
