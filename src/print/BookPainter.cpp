#include "print/BookPainter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <optional>

namespace print {

namespace {

// Sizes in points (1/72 inch), turned into the device's pixels when a page is laid out.
constexpr qreal kBodyPoints = 10;
constexpr qreal kHeadingPoints = 11;
constexpr qreal kTitlePoints = 16;
constexpr qreal kSmallPoints = 9;
constexpr qreal kPadding = 2.5; // around a cell's text
constexpr qreal kGap = 6;       // between the page's parts

// How much of the width each column takes: the numbers fit 13 characters, addresses and remarks get the rest.
constexpr qreal kWeights[kColumnCount] = {3.0, 3.4, 3.0, 3.4, 6.5, 4.5};

QFont pageFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    // Metrics that do not depend on the screen's hinting: the preview and the printed page break alike.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Texts wrap between words and, where a word is wider than the cell, anywhere; line breaks of a text count.
QTextOption wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Most cells are short: a bound on their width spares measuring them.
bool fitsOneLine(const QString& text, const QFontMetricsF& metrics, qreal maxAdvance, qreal width)
{
    if (text.contains(QLatin1Char('\n')))
        return false;
    return text.size() * maxAdvance <= width || metrics.horizontalAdvance(text) <= width;
}

QString laidOutText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return out;
}

} // namespace

struct BookPainter::Metrics {
    qreal unit = 1; // device pixels per point
    qreal width = 0;
    qreal height = 0;
    QFont body, bold, heading, title, small;
    qreal line = 0;       // a line of body text
    qreal maxAdvance = 0; // of any character of the body font
    qreal headingHeight = 0;
    qreal headerHeight = 0; // the column header
    qreal tableTop = 0;     // where the column header starts
    qreal bodyTop = 0;      // where the blocks start
    qreal bodyHeight = 0;
    int maxLines = 1; // a cell never needs more lines than a page holds
    std::vector<qreal> left, cellWidth;
    const QPaintDevice* device = nullptr;
    std::optional<QFontMetricsF> bodyMetrics;

    qreal pt(qreal points) const { return points * unit; }
};

BookPainter::BookPainter(const Book& book, const Options& options)
    : m_book(book), m_options(options), m_sections(groupEntries(book.entries, options.grouping))
{
    for (int c = 0; c < kColumnCount; ++c) {
        // Without names the list says nothing: the name column is always printed.
        if (c == int(Column::Name) || options.columns[c])
            m_columns.push_back(Column(c));
    }
}

void BookPainter::layOut(const QPaintDevice* device, Metrics& m)
{
    m.device = device;
    m.unit = device->logicalDpiY() / 72.0;
    m.width = device->width();
    m.height = device->height();
    m.body = pageFont(kBodyPoints, false);
    m.bold = pageFont(kBodyPoints, true);
    m.heading = pageFont(kHeadingPoints, true);
    m.title = pageFont(kTitlePoints, true);
    m.small = pageFont(kSmallPoints, false);
    m.bodyMetrics.emplace(m.body, device);
    const QFontMetricsF& body = *m.bodyMetrics;
    m.line = body.height();
    m.maxAdvance = std::max(body.maxWidth(), body.horizontalAdvance(QStringLiteral("中")));
    m.headingHeight = QFontMetricsF(m.heading, device).height() + 2 * m.pt(kPadding) + m.pt(2);
    m.headerHeight = QFontMetricsF(m.bold, device).height() + 2 * m.pt(kPadding);
    m.tableTop =
        QFontMetricsF(m.title, device).height() + m.pt(2) + QFontMetricsF(m.small, device).height() + m.pt(kGap);
    m.bodyTop = m.tableTop + m.headerHeight;
    const qreal footer = m.pt(kGap) + QFontMetricsF(m.small, device).height();
    m.bodyHeight = std::max(m.height - m.bodyTop - footer, m.line + 2 * m.pt(kPadding) + m.headingHeight);
    m.maxLines = int(m.bodyHeight / m.line) + 1;

    qreal weights = 0;
    for (const Column c : m_columns)
        weights += kWeights[int(c)];
    m.left.clear();
    m.cellWidth.clear();
    qreal x = 0;
    for (const Column c : m_columns) {
        const qreal w = m.width * kWeights[int(c)] / weights;
        m.left.push_back(x);
        m.cellWidth.push_back(w);
        x += w;
    }

    m_blocks.clear();
    std::vector<Block>& blocks = m_layout;
    blocks.clear();
    for (int s = 0; s < int(m_sections.size()); ++s) {
        const Section& section = m_sections[size_t(s)];
        if (!section.heading.isEmpty()) {
            blocks.push_back(Block{Block::Kind::Heading, m.headingHeight});
            m_blocks.push_back(Placed{s, -1});
        }
        for (const int i : section.rows) {
            blocks.push_back(Block{Block::Kind::Row, rowHeight(m_book.entries[size_t(i)], m)});
            m_blocks.push_back(Placed{s, i});
        }
    }
    m_pages = paginate(blocks, m.bodyHeight);
}

qreal BookPainter::rowHeight(const Entry& entry, const Metrics& m) const
{
    int lines = 1;
    const QFontMetricsF& metrics = *m.bodyMetrics;
    for (size_t k = 0; k < m_columns.size(); ++k) {
        const QString& text = cell(entry, m_columns[k]);
        const qreal room = m.cellWidth[k] - 2 * m.pt(kPadding);
        if (text.isEmpty() || fitsOneLine(text, metrics, m.maxAdvance, room))
            continue;
        QTextLayout layout(laidOutText(text), m.body, m.device);
        layout.setTextOption(wrapping());
        layout.beginLayout();
        int n = 0;
        while (n < m.maxLines) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(room);
            ++n;
        }
        layout.endLayout();
        lines = std::max(lines, n);
    }
    return lines * m.line + 2 * m.pt(kPadding);
}

bool BookPainter::paint(QPagedPaintDevice* device, int from, int to, QString* error)
{
    Metrics m;
    layOut(device, m);
    const int last = int(m_pages.size());
    from = from > 0 ? std::min(from, last) : 1;
    to = to > 0 ? std::min(to, last) : last;
    QPainter painter;
    if (!painter.begin(device)) {
        if (error)
            *error = QStringLiteral("无法开始打印，请检查打印机或文件。");
        return false;
    }
    for (int page = from; page <= to && last > 0; ++page) {
        if (page > from && !device->newPage()) {
            if (error)
                *error = QStringLiteral("无法开始新的一页，请检查打印机或磁盘空间。");
            painter.end();
            return false;
        }
        paintPage(painter, m, page - 1);
    }
    // An empty book still prints its title page.
    if (last == 0)
        paintPage(painter, m, -1);
    return painter.end();
}

void BookPainter::paintPage(QPainter& painter, const Metrics& m, int page) const
{
    const int total = pageCount();
    const QPen rule(QColor(150, 150, 150), m.pt(0.4));
    const QColor band(232, 232, 232);

    // The title, then the count and the date.
    painter.setPen(Qt::black);
    painter.setFont(m.title);
    const qreal titleHeight = QFontMetricsF(m.title, m.device).height();
    painter.drawText(QRectF(0, 0, m.width, titleHeight), Qt::AlignHCenter | Qt::AlignTop, m_book.title);
    painter.setFont(m.small);
    const QRectF subLine(0, titleHeight + m.pt(2), m.width, QFontMetricsF(m.small, m.device).height());
    painter.drawText(subLine, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("共%1位联系人").arg(m_book.entries.size()));
    painter.drawText(subLine, Qt::AlignRight | Qt::AlignTop, m_book.date.toString(QStringLiteral("yyyy年M月d日")));

    // The column header, on every page.
    const QRectF header(0, m.tableTop, m.width, m.headerHeight);
    painter.fillRect(header, band);
    painter.setFont(m.bold);
    for (size_t k = 0; k < m_columns.size(); ++k) {
        const QRectF box(m.left[k] + m.pt(kPadding), m.tableTop, m.cellWidth[k] - 2 * m.pt(kPadding), m.headerHeight);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, columnCaption(m_columns[k]));
    }
    painter.setPen(rule);
    painter.drawLine(QPointF(0, header.bottom()), QPointF(m.width, header.bottom()));

    if (page >= 0) {
        for (const Placement& p : m_pages[size_t(page)]) {
            const Placed& what = m_blocks[size_t(p.block)];
            const QRectF box(0, m.bodyTop + p.top, m.width, p.height);
            if (what.entry < 0) {
                const QString& heading = m_sections[size_t(what.section)].heading;
                const QRectF text = box.adjusted(m.pt(kPadding), m.pt(2), 0, 0);
                painter.fillRect(box.adjusted(0, m.pt(2), 0, 0), QColor(242, 242, 242));
                painter.setPen(Qt::black);
                painter.setFont(m.heading);
                painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                                 p.continued ? heading + QStringLiteral("（续）") : heading);
                continue;
            }
            const Entry& entry = m_book.entries[size_t(what.entry)];
            const bool cut = p.height < m_layout[size_t(p.block)].height;
            if (cut) {
                painter.save();
                painter.setClipRect(box);
            }
            painter.setPen(Qt::black);
            painter.setFont(m.body);
            for (size_t k = 0; k < m_columns.size(); ++k) {
                const QRectF cellBox(m.left[k] + m.pt(kPadding), box.top() + m.pt(kPadding),
                                     m.cellWidth[k] - 2 * m.pt(kPadding), box.height() - 2 * m.pt(kPadding));
                paintCell(painter, m, cell(entry, m_columns[k]), cellBox);
            }
            if (cut)
                painter.restore();
            painter.setPen(rule);
            painter.drawLine(QPointF(0, box.bottom()), QPointF(m.width, box.bottom()));
        }
    }

    painter.setPen(Qt::black);
    painter.setFont(m.small);
    painter.drawText(QRectF(0, 0, m.width, m.height), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("第 %1 页 / 共 %2 页").arg(std::max(page + 1, 1)).arg(total));
}

void BookPainter::paintCell(QPainter& painter, const Metrics& m, const QString& text, const QRectF& box) const
{
    if (text.isEmpty())
        return;
    const QFontMetricsF& metrics = *m.bodyMetrics;
    if (fitsOneLine(text, metrics, m.maxAdvance, box.width())) {
        painter.drawText(QPointF(box.left(), box.top() + metrics.ascent()), text);
        return;
    }
    QTextLayout layout(laidOutText(text), m.body, m.device);
    layout.setTextOption(wrapping());
    layout.beginLayout();
    for (int n = 0; n < m.maxLines; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, n * m.line));
    }
    layout.endLayout();
    layout.draw(&painter, box.topLeft());
}

} // namespace print
