// How the runtime library classes a failed platform file call: the errno code it would set.
#pragma once

// EACCES for the errors that mean access denied or a file in use, EEXIST for a name that
// already exists, ENOENT for a missing file or folder, EINVAL for every other error.
int errno_class_of_error(unsigned long platform_error);
