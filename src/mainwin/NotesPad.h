#pragma once

#include <QObject>

class QLabel;
class QPlainTextEdit;
class QTimer;
class QWidget;

// The notes pad on the information panel's second page: Memo1 holds the text of the file zzz, and Timer1 saves it
// half a second after the last change.
class NotesPad : public QObject {
    Q_OBJECT
public:
    // Memo1 is made on `page`; a click into it retitles the page's header labels. Failures are reported over `window`.
    NotesPad(QWidget* window, QWidget* page, QLabel* title, QLabel* subtitle);

    // Reads zzz into the pad; every line break becomes one paragraph break.
    void LoadNotes();
    // Writes the pad to zzz atomically, with CR LF line ends; a failure is reported once until a save succeeds.
    bool SaveNotes();
    // The close of the main window: a change made less than half a second before it is written now.
    void saveBeforeClose();

    void Memo1Change();
    void Memo1Click();
    void Timer1Timer();

    QPlainTextEdit* Memo1;
    QTimer* Timer1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QObject* m_viewport;
    QLabel* m_title;
    QLabel* m_subtitle;
    bool m_dirty = false;
    bool m_failureShown = false;
};
