// Telling a web page by its file name, as the drive sweep does before cleaning it.
#pragma once

// True when name ends in ".html", ".htm" or ".asp", ASCII letters compared without case.
bool is_web_page_name(const char *name);
