#pragma once

#include <QDialog>

class QTextBrowser;

// The user manual in a window of the program's own, for a desktop where no web browser opens it. The page is one
// self-contained HTML file whose pictures lie in help/ beside it; links within it work, Esc closes the window.
class ManualWindow : public QDialog {
    Q_OBJECT
public:
    ManualWindow(const QString& manualFile, QWidget* parent);

    // Shows the one manual window of `owner`, made on first use.
    static ManualWindow* showFor(QWidget* owner, const QString& manualFile);

    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};
