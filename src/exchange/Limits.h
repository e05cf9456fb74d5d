#pragma once

#include <QtGlobal>

namespace exchange {

// What one imported file may hold. Real address books stay far below these; a file beyond them is refused with the
// line where it went over, before it can take the memory or the time of the whole machine.
struct Limits {
    // Contacts in one file (cards or rows): the skip list of the report grows with them.
    static constexpr int Cards = 500000;
    // Properties of one vCard; phones write a few dozen.
    static constexpr int Properties = 10000;
    // One vCard line with its folded continuations: the largest photo (16 MB) in base64 fits.
    static constexpr qsizetype Line = 24 * 1024 * 1024;
    // Fields of one CSV row; Outlook's sheet has about ninety columns.
    static constexpr int Fields = 1000;
    // Characters of one CSV row (its line, or lines when a quoted field holds line breaks), and so of any field.
    static constexpr qsizetype Row = 1024 * 1024;
};

} // namespace exchange
