#pragma once

#include "store/Connection.h"

#include <QDate>
#include <QMainWindow>
#include <array>
#include <vector>
#include <QStringList>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QWidget;
class RecordListView;
struct RecordRow;
class StatusUserPanel;

namespace store {
class Connection;
}

// The main window: the record list with its summary, the information panel with the notes pad, the menus and
// the status bar. Other windows change the list directly and ask for a new summary through Timer7.
class Tmain : public QMainWindow {
    Q_OBJECT
public:
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    // Creation handler: runs the start-up and sign-in window modally. The program body calls it right after
    // storing this window in forms::main, so the start-up steps can reach it.
    void FormCreate();

    // Start-up application of the display settings in set.ini.
    void ApplySettings();
    // The first fill over the sign-in window's connection: list, first summary, birthday text, notes pad.
    bool FirstFill(store::Connection& connection, QString* error);
    // Records the signed-in user: the hidden Edit1/Edit2 and the status bar's first panel.
    void SetSignedInUser(const QString& name, const QString& rights);
    // Shows a hint in the status bar's single panel; an empty text brings back the three panels.
    void ShowHint(const QString& text);

    // A summary request: enabling Timer7 while it runs does not restart it.
    void RequestSummary();
    void N18Click(); // refresh
    void N9Click();  // exit
    void N23Click(); // information panel shown or hidden
    void N29Click(); // alternate row colouring
    void B1Click();  // birthday reminder on or off
    void ListView1ColumnClick(int column);

    void Timer5Timer(); // full reload
    void Timer6Timer(); // wait for the table to agree with the list
    void Timer7Timer(); // summary
    void Timer1Timer(); // notes pad save
    void Timer2Timer(); // date in the status bar
    void Timer8Timer(); // birthday reminder: show
    void Timer9Timer(); // birthday reminder: slide
    void Memo1Change();
    void Memo1Click();

    // Column widths of the record list for the information panel shown or hidden.
    void SetColumnWidths(bool panelShown);

    // Controls, named as the rest of the program refers to them.
    RecordListView* ListView1;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet3;
    QLabel* Label3;
    QLabel* Label4;
    QPlainTextEdit* Memo3;
    QLabel* Label1;
    QLabel* Label2;
    QPlainTextEdit* Memo1; // the notes pad
    QFrame* Panel1;        // strip of view buttons over the information panel's right edge
    QFrame* Panel2;        // 1-pixel separator between the information panel and the list
    QFrame* Panel4;        // progress panel of the refresh's wait
    QLabel* Panel5;        // its bar
    QFrame* Panel7;        // birthday reminder
    QLabel* Label5;
    QPlainTextEdit* Memo4; // birthday reminder text
    QPushButton* BitBtn1;  // "知道了"
    QStatusBar* StatusBar1;
    StatusUserPanel* StatusPanel0;
    QLabel* StatusPanel1;
    QLabel* StatusPanel2;

    QAction* N18; // 刷新
    QAction* N9;  // 退出
    QAction* N29; // 隔行变色
    QAction* N23; // 显示信息栏
    QAction* B1;  // 生日提醒

    // Hidden state controls whose text serves as a program-wide variable.
    QLineEdit* Edit1;    // signed-in user's name; empty means open mode
    QLineEdit* Edit2;    // signed-in user's rights
    QPushButton* Button1; // caption "1": the list holds the whole table; "0": a subset
    QLineEdit* sex;      // "1": the next summary carries the breakdown by sex
    QLineEdit* Edit3;    // unspecified sex at the last full reload
    QLineEdit* Edit4;    // men at the last full reload
    QLineEdit* Edit5;    // women at the last full reload
    QLineEdit* can;      // "1": alternate row colouring off, "0": on

    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer5;
    QTimer* Timer6;
    QTimer* Timer7;
    QTimer* Timer8;
    QTimer* Timer9;

    store::Connection acper;

    static QString introLine();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildWorkArea();
    void buildStatusBar();
    void buildHiddenState();
    QWidget* buildHeader(QWidget* page, const QString& icon, QLabel** bold, QLabel** plain, const QString& boldText,
                         const QString& plainText);
    // Reads the list's rows newest first, counting men and women; with birthdays, tests each record's birthday.
    bool ReadRecords(store::Connection& connection, std::vector<RecordRow>* rows, bool birthdays, int* men,
                     int* women, QString* error);
    void BirthdayTest(const QString& name, int month, int day);
    void FinishBirthdayText();
    void LoadNotes();
    bool SaveNotes();
    // Reports an unexpected error the way the program reports every unexpected error.
    void ReportError(const QString& text);
    bool CountMainRows(int* rows);
    bool WriteSetting(const QString& section, const QString& key, const QString& value);

    int m_birthdayCount = 0;
    std::array<QDate, 4> m_birthdayDates;
    QStringList m_birthdayLines;
    bool m_reminderArmed = false;
    bool m_notesDirty = false;
    bool m_notesFailureShown = false;
    bool m_loadingNotes = false;
};

// Starts a one-shot step unless it is already running, so requests before it runs give one run.
void startStep(QTimer* timer);
