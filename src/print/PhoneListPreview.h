#pragma once

#include "print/Book.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

class QCheckBox;
class QComboBox;
class QPrintPreviewWidget;
class QPushButton;

namespace print {

// The print preview of a phone list: Qt's preview window (in Chinese through the loaded translations) with a row of
// the list's own options under its tool bar: grouping, the columns and "保存为PDF...". Portrait or landscape are the
// preview's own buttons. Printing and saving use the options as they stand.
class PhoneListPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    // programDir: where no PDF may be saved (the user's data lies there).
    PhoneListPreview(Book book, const QString& programDir, QWidget* parent = nullptr);
    ~PhoneListPreview() override;

    const Options& options() const { return m_options; }
    // The preview's page count as last painted.
    int pageCount() const;

    QComboBox* Grouping = nullptr;
    QCheckBox* Columns[kColumnCount] = {};
    QPushButton* SavePdf = nullptr;

    void SavePdfClick();

private:
    void paintBook(QPrinter* printer);
    void optionsChanged();
    QWidget* buildOptions();

    // Created before the dialog, which keeps a pointer to it.
    QPrinter* m_printer;
    Book m_book;
    QString m_programDir;
    Options m_options;
    QPrintPreviewWidget* m_preview = nullptr;
};

} // namespace print
