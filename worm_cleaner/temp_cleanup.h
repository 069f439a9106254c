// Emptying the temporary folder.
#pragma once

// What became of the files below the folder; a larger value outweighs a smaller one.
enum temp_cleanup_result {
    temp_files_deleted = 0,   // every file was deleted (or there was none)
    temp_files_deferred = 1,  // some are registered for deletion at the next start
    temp_files_left = 2,      // some were neither deleted nor registered
};

// folder ends in a backslash. A folder that can't be listed counts as empty.
temp_cleanup_result clean_temp_folder(const char *folder);
