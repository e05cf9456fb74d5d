#pragma once

#include <QObject>
#include <QPointer>

class BirthdayWindow;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;
class RecordListView;

// The birthday reminder: the panel Panel7 that slides in from the left over the main window with the birthdays of
// today and the next three days, Timer8 that shows it and Timer9 that slides it.
class BirthdayReminder : public QObject {
    Q_OBJECT
public:
    // The panel lies over `window`; it is shown only when `list` has rows.
    BirthdayReminder(QWidget* window, const RecordListView* list);

    // Memo4 gets the window's text; more than four names get a scroll bar.
    void setText(const BirthdayWindow& birthdays);
    // Armed at start-up when set.ini switches the reminder on; the first fill then announces it.
    void setArmed(bool armed) { m_armed = armed; }
    bool armed() const { return m_armed; }
    // Starts the show step.
    void announce();
    void hide();

    void Timer8Timer(); // show the panel at the left edge
    void Timer9Timer(); // slide it to the middle

    QFrame* Panel7;
    QLabel* Label5;
    QPlainTextEdit* Memo4; // the names and dates
    QPushButton* BitBtn1;  // "知道了"
    QTimer* Timer8;
    QTimer* Timer9;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QPointer<QWidget> m_focusBefore;
    const RecordListView* m_list;
    bool m_armed = false;
};
