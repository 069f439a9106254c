// Finds the "rename" section of an initialisation file's text and adds one line to it;
// the text comes from a file on disk and may hold anything.
#include "rename_section.h"

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_ignoring_case(const char *a, size_t a_size, const std::string &b)
{
    if (a_size != b.size())
        return false;
    for (size_t i = 0; i < a_size; ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// One line of the text without its line end and without blanks around it.
struct Line {
    size_t end_with_break;  // offset just past the line's '\n', or the text size
    const char *content;
    size_t content_size;
};

Line line_at(const char *text, size_t size, size_t start)
{
    size_t end = start;
    while (end < size && text[end] != '\n')
        ++end;
    size_t first = start, last = end;
    while (first < last && is_blank(text[first]))
        ++first;
    while (last > first && is_blank(text[last - 1]))
        --last;
    Line line;
    line.end_with_break = end < size ? end + 1 : size;
    line.content = text + first;
    line.content_size = last - first;
    return line;
}

// For a section header such as "[ rename ]", whether it names the rename section.
bool names_rename_section(const Line &line)
{
    size_t close = 1;
    while (close < line.content_size && line.content[close] != ']')
        ++close;
    size_t first = 1, last = close;
    while (first < last && is_blank(line.content[first]))
        ++first;
    while (last > first && is_blank(line.content[last - 1]))
        --last;
    return same_ignoring_case(line.content + first, last - first, "rename");
}

std::string joined(const char *text, size_t at, size_t size, const std::string &insert)
{
    std::string out(text, at);
    if (at > 0 && text[at - 1] != '\n')
        out += "\r\n";  // the line before had no line end of its own
    out += insert;
    out.append(text + at, size - at);
    return out;
}

}  // namespace

std::string with_rename_entry(const char *text, size_t size, const std::string &line)
{
    bool in_section = false;
    bool section_found = false;
    size_t insert_at = size;
    for (size_t start = 0; start < size;) {
        Line current = line_at(text, size, start);
        start = current.end_with_break;
        if (current.content_size > 0 && current.content[0] == '[') {
            if (in_section)
                break;  // the first rename section ends here
            if (!section_found && names_rename_section(current)) {
                in_section = section_found = true;
                insert_at = current.end_with_break;
            }
            continue;
        }
        if (!in_section || current.content_size == 0)
            continue;
        if (same_ignoring_case(current.content, current.content_size, line))
            return std::string(text, size);
        insert_at = current.end_with_break;  // after the section's last entry
    }
    if (!section_found)
        return joined(text, size, size, "[rename]\r\n" + line + "\r\n");
    return joined(text, insert_at, size, line + "\r\n");
}
