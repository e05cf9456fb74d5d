#pragma once

#include <QByteArray>
#include <QObject>

class QLabel;
class QPlainTextEdit;
class QTimer;
class QWidget;

// The notes pad on the information panel's second page: Memo1 holds the text of the file zzz, and Timer1 saves it
// half a second after a change. Nothing typed is lost without the user's word: a save that fails is reported and
// asked about again at the close, and a file another program (or a second running copy) changed since it was read
// is not overwritten without asking.
class NotesPad : public QObject {
    Q_OBJECT
public:
    // Memo1 is made on `page`; a click into it retitles the page's header labels. Failures are reported over `window`.
    NotesPad(QWidget* window, QWidget* page, QLabel* title, QLabel* subtitle);

    // Reads zzz into the pad; every line break becomes one paragraph break. The load counts as a change (and is
    // saved back) only when saving would change nothing but the file's line breaks. A file that would not read back
    // identically (another encoding, bytes that are no text) is kept as zzz.bak before the first save over it.
    void LoadNotes();
    // Writes the pad to zzz atomically, with CR LF line ends; a failure is reported once until a save succeeds.
    bool SaveNotes();
    // The close of the main window: true when it may close. Unsaved notes are saved first; when that fails the user
    // chooses between trying again, closing without them and staying.
    bool closeRequested();

    void Memo1Change();
    void Memo1Click();
    void Timer1Timer();

    QPlainTextEdit* Memo1;
    QTimer* Timer1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Outcome { Saved, Failed, Kept };
    // Writes the pad unless zzz changed on disk since it was last read or written; then the user decides.
    Outcome Store();
    void ShowText(const QString& text, bool countsAsChange);
    // Makes `bytes` the file as known and returns its text.
    QString Take(const QByteArray& bytes);
    // Copies the file as known to the first free name of zzz.bak, zzz.bak2 … and tells the user; *failed names the
    // file that could not be written.
    bool KeepOriginal(QString* failed, QString* error);

    QWidget* m_window;
    QObject* m_viewport;
    QLabel* m_title;
    QLabel* m_subtitle;
    // The file's bytes as last read or written.
    QByteArray m_known;
    bool m_dirty = false;
    bool m_loading = false;
    bool m_failureShown = false;
    // The file could not be read at the start: writing the pad over it would lose what it holds.
    bool m_unread = false;
    // The file as known would not read back identically from the pad: saving first keeps a copy of it.
    bool m_foreign = false;
    // The user chose to keep both texts for now: no further automatic saves ask again until the close.
    bool m_holding = false;
};
