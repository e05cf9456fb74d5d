#pragma once

#include "print/Book.h"

#include <QPageLayout>
#include <QString>

namespace print {

// A4 with margins for punching and pinning, upright or across.
QPageLayout pageLayout(bool landscape);

// Writes the book as a PDF file of printed pages, with the fonts embedded so that it shows and searches the same
// on a machine without them. The file is replaced as a whole, or left as it was when writing fails. *pages gets the
// page count.
bool writePdf(const Book& book, const Options& options, const QString& path, int* pages, QString* error);

} // namespace print
