// The drive sweep's progress in the console window's title: the folder being swept and how
// many files have been examined, so that a long sweep that finds nothing is not taken for a
// hung program. Standard output is left alone.
#pragma once

// Keeps the console's title and shows folder with no files examined yet. Progress is shown
// only when the title could be kept whole, so that it can be put back.
void begin_sweep_progress(const char *folder);

// One more file examined in folder; the title follows at most about four times a second.
void note_file_examined(const char *folder);

// Puts the kept title back.
void end_sweep_progress();
