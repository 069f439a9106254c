// Turns an installed program's uninstall command, text written by whoever installed
// that program, into the program file to start and the command line to hand it.
#pragma once

#include <stddef.h>

// command: the expanded uninstall command. On success application holds the program
// file to start ("" when a quoted command names it itself) and commandLine the text for
// the new process. False when no program file can be found or a result would not fit.
bool PrepareUninstallCommand(const wchar_t* command, wchar_t* application,
                             size_t applicationUnits, wchar_t* commandLine,
                             size_t commandLineUnits);
