#pragma once

#include "print/Book.h"
#include "print/Grouping.h"
#include "print/Pagination.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <algorithm>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace print {

// Lays a book out as a printed phone list on the pages of a printer or PDF writer and paints it. Every page carries
// the book's title and the date at the top, the column header and "第 N 页 / 共 M 页" at the bottom; rows are
// grouped and in pinyin order; long texts wrap inside their cell. The page size, margins and orientation are the
// device's.
class BookPainter {
public:
    BookPainter(const Book& book, const Options& options);

    // Paints pages from..to (1-based; 0 means the first or the last page). False with a reason when the device
    // cannot be painted on.
    bool paint(QPagedPaintDevice* device, int from = 0, int to = 0, QString* error = nullptr);
    // Pages of the last paint; an empty book has its title page.
    int pageCount() const { return std::max(int(m_pages.size()), 1); }

private:
    struct Placed {
        int section = 0;
        int entry = -1; // -1 for a heading
    };
    struct Metrics;

    void layOut(const QPaintDevice* device, Metrics& m);
    qreal rowHeight(const Entry& entry, const Metrics& m) const;
    void paintPage(QPainter& painter, const Metrics& m, int page) const;
    void paintCell(QPainter& painter, const Metrics& m, const QString& text, const QRectF& box) const;

    const Book& m_book;
    Options m_options;
    std::vector<Section> m_sections;
    std::vector<Column> m_columns;
    // What each block of the pagination stands for, and the pages.
    std::vector<Placed> m_blocks;
    std::vector<Block> m_layout;
    std::vector<Page> m_pages;
};

} // namespace print
