#include "print/Pagination.h"

#include <algorithm>

namespace print {

std::vector<Page> paginate(const std::vector<Block>& blocks, qreal bodyHeight)
{
    std::vector<Page> pages;
    Page page;
    qreal used = 0;
    int heading = -1; // the heading of the group being filled
    const auto heightOf = [&](int i) {
        // A row must fit on a page of its own below its group's repeated heading.
        const qreal room = heading >= 0 ? bodyHeight - blocks[size_t(heading)].height : bodyHeight;
        return std::min(blocks[size_t(i)].height, std::max<qreal>(room, 0));
    };
    const auto place = [&](int i, qreal height, bool continued) {
        page.push_back(Placement{i, used, height, continued});
        used += height;
    };
    const auto breakPage = [&] {
        pages.push_back(std::move(page));
        page = Page();
        used = 0;
    };
    for (int i = 0; i < int(blocks.size()); ++i) {
        const Block& b = blocks[size_t(i)];
        if (b.kind == Block::Kind::Heading) {
            heading = i;
            // The heading and its first row go together.
            const bool hasRow = i + 1 < int(blocks.size()) && blocks[size_t(i) + 1].kind == Block::Kind::Row;
            const qreal together = b.height + (hasRow ? heightOf(i + 1) : 0);
            if (!page.empty() && used + together > bodyHeight)
                breakPage();
            place(i, b.height, false);
            continue;
        }
        const qreal height = heightOf(i);
        if (!page.empty() && used + height > bodyHeight) {
            breakPage();
            if (heading >= 0)
                place(heading, blocks[size_t(heading)].height, true);
        }
        place(i, height, false);
    }
    if (!page.empty())
        pages.push_back(std::move(page));
    return pages;
}

} // namespace print
