"""Reading the cleaner's console output: as text, and split around the drive sweep's lines."""
from pemvolt_texts import TEMP_ALL, TEMP_SOME


def text(data):
    """Output bytes as text with LF line ends: the runtime writes CR LF in text mode, and the
    lines are compared by their text."""
    return data.decode("latin-1").replace("\r\n", "\n")


def split_transcript(out, sweep_end):
    """Head up to the temporary folder line, the sweep's lines, and the tail."""
    for temp_line in (TEMP_ALL, TEMP_SOME):
        start = out.find(temp_line)
        if start >= 0:
            start += len(temp_line)
            break
    else:
        return out, [], ""
    end = out.find(sweep_end, start)
    if end < 0:
        return out[:start], [], out[start:]
    return out[:start], out[start:end].splitlines(True), out[end:]
