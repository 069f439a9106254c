// Finds the "rename" section of an initialisation file's text and adds one line to it;
// the text comes from a file on disk and may hold anything.
#include "rename_section.h"

#include "ascii_case.h"
#include "byte_reader.h"

namespace {

bool is_blank(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool same_ignoring_case(byte_reader a, const std::string &b)
{
    return equal_ignoring_ascii_case(a.bytes_at(0, a.size()), a.size(), b.data(), b.size());
}

// The bytes from first to last of text without the blanks at either end.
byte_reader trimmed(byte_reader &text, size_t first, size_t last)
{
    while (first < last && is_blank(text.u8(first)))
        ++first;
    while (last > first && is_blank(text.u8(last - 1)))
        --last;
    return text.sub(first, last - first);
}

// One line of the text without its line end and without blanks around it.
struct Line {
    size_t end_with_break;  // offset just past the line's '\n', or the text size
    byte_reader content;
};

Line line_at(byte_reader &text, size_t start)
{
    size_t end = start;
    while (text.holds(end, 1) && text.u8(end) != '\n')
        ++end;
    return Line{end < text.size() ? end + 1 : text.size(), trimmed(text, start, end)};
}

// For a section header such as "[ rename ]", whether it names the rename section.
bool names_rename_section(byte_reader header)
{
    size_t close = 1;
    while (close < header.size() && header.u8(close) != ']')
        ++close;
    return same_ignoring_case(trimmed(header, 1, close), "rename");
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
    byte_reader bytes(reinterpret_cast<const uint8_t *>(text), size);
    bool in_section = false;
    bool section_found = false;
    size_t insert_at = size;
    for (size_t start = 0; start < size;) {
        Line current = line_at(bytes, start);
        start = current.end_with_break;
        if (current.content.size() > 0 && current.content.u8(0) == '[') {
            if (in_section)
                break;  // the first rename section ends here
            if (!section_found && names_rename_section(current.content)) {
                in_section = section_found = true;
                insert_at = current.end_with_break;
            }
            continue;
        }
        if (!in_section || current.content.size() == 0)
            continue;
        if (same_ignoring_case(current.content, line))
            return std::string(text, size);
        insert_at = current.end_with_break;  // after the section's last entry
    }
    if (!section_found)
        return joined(text, size, size, "[rename]\r\n" + line + "\r\n");
    return joined(text, insert_at, size, line + "\r\n");
}
