#pragma once

#include <QtGlobal>
#include <vector>

namespace print {

// One thing printed in the body of a page, below the column header: a group heading or a contact's row.
struct Block {
    enum class Kind { Heading, Row };
    Kind kind = Kind::Row;
    // The row's height, grown by the lines its longest cell wraps into; a heading's height.
    qreal height = 0;
};

// A block as placed on a page: its index in the sequence, where it stands below the column header and how tall it
// is printed (a row taller than a page is cut to one page). A continued heading repeats the heading of a group
// that goes on from the page before.
struct Placement {
    int block = 0;
    qreal top = 0;
    qreal height = 0;
    bool continued = false;
};

using Page = std::vector<Placement>;

// Fills pages of `bodyHeight` with the blocks in order. No row is split between two pages; a heading never stands
// last on a page (it moves to the next page together with its first row); a group that goes on over a page break
// has its heading repeated, marked as continued, at the top of the next page. A row too tall for a page of its own
// (with a repeated heading above it) gets a page to itself, cut to fit. Every heading is followed by a row.
std::vector<Page> paginate(const std::vector<Block>& blocks, qreal bodyHeight);

} // namespace print
