#include "print/PdfFile.h"

#include "print/BookPainter.h"
#include "print/SaveDevice.h"

#include <QFileInfo>
#include <QPdfWriter>

namespace print {

QPageLayout pageLayout(bool landscape)
{
    return QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
}

bool writePdf(const Book& book, const Options& options, const QString& path, int* pages, QString* error)
{
    const QString fileName = QFileInfo(path).fileName();
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("文件“") + fileName + QStringLiteral("”无法写入：") + reason;
        return false;
    };
    SaveDevice file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.failure());
    BookPainter painter(book, options);
    {
        QPdfWriter writer(&file);
        writer.setTitle(book.title);
        writer.setCreator(QStringLiteral("Velloran"));
        writer.setResolution(600);
        writer.setPageLayout(pageLayout(options.landscape));
        QString why;
        if (!painter.paint(&writer, 0, 0, &why))
            return fail(why);
    }
    if (!file.commit())
        return fail(file.failure());
    if (pages)
        *pages = painter.pageCount();
    return true;
}

} // namespace print
