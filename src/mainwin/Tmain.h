#pragma once

#include "hub/MainHub.h"
#include "hub/StartupHost.h"
#include "store/Connection.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <memory>

class BirthdayReminder;
class BirthdayWindow;
class LiveUpdates;
class NotesPad;
class QAction;
class QFrame;
class QItemSelection;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class RecordListView;
class StatusUserPanel;
namespace store {
class ContactReader;
}

// The main window: the record list with its summary, the information panel with the notes pad, the birthday
// reminder, the menus and the status bar. Other windows change the list directly through the hub and ask for a new
// summary through Timer7. Its work is spread over files by concern: Tmain.cpp (construction and layout),
// TmainMenus.cpp (menus, tool bar, pop-up menu, edit commands), TmainList.cpp (fill, reload and its wait, summary,
// sort, details), TmainCommands.cpp (record commands and drag), TmainDisplay.cpp (display settings and the
// information panel), TmainLaunchers.cpp (tools, users and outside programs); BirthdayReminder and NotesPad own
// their controls.
class Tmain : public QMainWindow, public hub::MainHub, public hub::StartupHost {
    Q_OBJECT
public:
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    // hub::StartupHost
    void ApplySettings() override;
    bool FirstFill(store::Connection& connection, QString* error) override;
    void SetSignedInUser(const QString& name, const QString& rights) override;

    // hub::MainHub
    RecordListView* recordList() override { return ListView1; }
    void setWholeTable(bool whole) override;
    void RequestSummary() override;
    bool NameExists(const QString& name) override;
    bool DeleteByName(const QString& name, QString* error = nullptr) override;
    void OpenModify(const QString& name) override;
    void N10Click() override; // delete the selected rows
    void N7Click() override;  // modify
    QString signedInUser() const override;
    QString signedInRights() const override;
    store::Connection& mainConnection() override { return acper; }
    store::Connection* sharedConnection() override;
    store::ContactReader& contactReader() override { return *m_reader; }
    // The start-up's first fill is read ahead while the start-up runs.
    void ReadAhead();
    void SetCaption(const QString& caption) override; // tool windows: the title text
    void ShowContactCode(const QString& name, QWidget* over) override;

    // Shows a hint in the status bar's single panel; an empty text brings back the standing notice, if there is one,
    // else the three panels.
    void ShowHint(const QString& text);
    // A notice that stays in the status bar whenever no hint is shown (a change made at another desktop), until it is
    // taken back with an empty text.
    void SetNotice(const QString& text);

    void N5Click();  // add
    void N6Click();  // search
    void N40Click(); // browse
    void N39Click(); // statistics
    // Contacts from a vCard or CSV file into the table, and the listed rows out into one.
    void ImportContactsClick();
    void ExportContactsClick();
    // The listed rows as a printed phone list, in a print preview.
    void PrintBookClick();
    // The selected record's QR code (pop-up menu).
    void ContactCodeClick();
    // Fills the header and Memo3 with the details of the record of that name.
    void ShowDetails(const QString& name);
    // The list's selection changed: the details of the last row whose state changed.
    void ListView1SelectItem(const QItemSelection& selected, const QItemSelection& deselected);
    void N18Click(); // refresh
    void N9Click();  // exit
    void T1Click();  // title text
    void K1Click();  // list colour sky blue
    void Y1Click();  // list colour cream
    void R1Click();  // list colour of the system
    void N26Click(); // list colour from the colour dialog
    void N17Click(); // report view with grid lines
    void N20Click(); // report view without grid lines
    void N13Click(); // list view
    void N14Click(); // large icons
    void N15Click(); // small icons
    void N37Click(); // user management
    void N38Click(); // change password
    void Q1Click();  // area codes
    void N27Click(); // backup and restore
    void N25Click(); // user manual
    void R2Click();  // feedback page
    void W1Click();  // home page
    void N19Click(); // about
    // Exit from the tool bar.
    void ToolButton13Click();
    // Rows of the list dropped on the tool buttons 删除 and 修改.
    void ToolButton2DragDrop();
    void ToolButton4DragDrop();
    // A drag that started in the list has ended, dropped or cancelled.
    void ListView1EndDrag();
    void N23Click();          // information panel shown or hidden
    void SpeedButton1Click(); // slide the information panel narrow or wide
    void SpeedButton2Click();
    void SpeedButton3Click(); // report view; grid lines switched when already in it
    void SpeedButton4Click(); // list view
    void SpeedButton5Click(); // large icons
    void SpeedButton6Click(); // small icons
    void Timer3Timer();       // slide narrow
    void Timer4Timer();       // slide wide
    void N29Click();          // alternate row colouring
    void B1Click();           // birthday reminder on or off
    void ListView1ColumnClick(int column);

    void Timer5Timer(); // full reload
    void Timer6Timer(); // wait for the table to agree with the list
    void Timer7Timer(); // summary
    void Timer2Timer(); // date in the status bar

    // Column widths of the record list for the information panel shown or hidden.
    void SetColumnWidths(bool panelShown);

    // Controls, named as the rest of the program refers to them.
    RecordListView* ListView1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* PanelHolder = nullptr; // clips the page control while it slides narrow
    // Width of the information panel as the user sees it: 145 wide, 21 slid narrow.
    int InfoPanelWidth() const;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr; // the notes pad (owned by NotesPad)
    QFrame* Panel1 = nullptr;        // strip of view buttons over the information panel's right edge
    QFrame* Panel2 = nullptr;        // 1-pixel separator between the information panel and the list
    QFrame* Panel4 = nullptr;        // progress panel of the refresh's wait
    QLabel* Panel5 = nullptr;        // its bar
    QFrame* Panel7 = nullptr;        // birthday reminder (its controls and timers are owned by BirthdayReminder)
    QLabel* Label5 = nullptr;
    QPlainTextEdit* Memo4 = nullptr; // birthday reminder text
    QPushButton* BitBtn1 = nullptr;  // "知道了"
    QStatusBar* StatusBar1 = nullptr;
    StatusUserPanel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;

    // Main menu.
    QAction* N5 = nullptr;  // 增加
    QAction* N10 = nullptr; // 删除
    QAction* N7 = nullptr;  // 修改
    QAction* N6 = nullptr;  // 查询
    QAction* N40 = nullptr; // 浏览
    QAction* N39 = nullptr; // 统计
    QAction* ImportContacts = nullptr; // 导入联系人
    QAction* ExportContacts = nullptr; // 导出联系人
    QAction* PrintBook = nullptr;      // 打印通讯录
    QAction* N18 = nullptr; // 刷新
    QAction* N9 = nullptr;  // 退出
    QAction* T1 = nullptr;  // 标题文字
    QAction* K1 = nullptr;  // 天蓝
    QAction* Y1 = nullptr;  // 地黄
    QAction* R1 = nullptr;  // 默认
    QAction* N26 = nullptr; // 自定义...
    QAction* N29 = nullptr; // 隔行变色
    QAction* N23 = nullptr; // 显示信息栏
    QAction* B1 = nullptr;  // 生日提醒
    QAction* N17 = nullptr; // 有线
    QAction* N20 = nullptr; // 无线
    QAction* N13 = nullptr; // 列表
    QAction* N14 = nullptr; // 大图标
    QAction* N15 = nullptr; // 小图标
    QAction* N37 = nullptr; // 用户管理
    QAction* N38 = nullptr; // 修改密码
    QAction* Q1 = nullptr;  // 区号查询
    QAction* N27 = nullptr; // 数据备份与恢复
    QAction* N25 = nullptr; // 使用手册
    QAction* R2 = nullptr;  // 用户意见
    QAction* W1 = nullptr;  // 访问主页
    QAction* N19 = nullptr; // 关于

    // The record list's pop-up menu; each item runs the main menu's command.
    QMenu* PopupMenu1 = nullptr;
    QAction* N30 = nullptr; // 增加
    QAction* N31 = nullptr; // 删除
    QAction* N33 = nullptr; // 修改
    QAction* N34 = nullptr; // 查询
    QAction* N36 = nullptr; // 刷新
    QAction* ContactCode = nullptr; // 二维码名片

    // Edit commands of the tool bar, acting on the focused text field (Memo1 or Memo3).
    QAction* EditCopy1 = nullptr;
    QAction* EditCut1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* EditDelete1 = nullptr;
    QAction* EditSelectAll1 = nullptr;
    QAction* EditUndo1 = nullptr;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;  // 增加
    QToolButton* ToolButton2 = nullptr;  // 删除, drop target
    QToolButton* ToolButton4 = nullptr;  // 修改, drop target
    QToolButton* ToolButton3 = nullptr;  // 查询
    QToolButton* ToolButton17 = nullptr; // 浏览
    QToolButton* ToolButton16 = nullptr; // 统计
    QToolButton* ToolButton6 = nullptr;  // 复制
    QToolButton* ToolButton7 = nullptr;  // 剪切
    QToolButton* ToolButton8 = nullptr;  // 粘贴
    QToolButton* ToolButton9 = nullptr;  // 删除 (text)
    QToolButton* ToolButton10 = nullptr; // 全选
    QToolButton* ToolButton11 = nullptr; // 撤销
    QToolButton* ToolButton14 = nullptr; // 刷新
    QToolButton* ToolButton13 = nullptr; // 退出

    // Hidden state controls whose text serves as a program-wide variable.
    QLineEdit* Edit1 = nullptr;     // signed-in user's name; empty means open mode
    QLineEdit* Edit2 = nullptr;     // signed-in user's rights
    QPushButton* Button1 = nullptr; // caption "1": the list holds the whole table; "0": a subset
    QLineEdit* sex = nullptr;       // "1": the next summary carries the breakdown by sex
    QLineEdit* Edit3 = nullptr;     // unspecified sex at the last full reload
    QLineEdit* Edit4 = nullptr;     // men at the last full reload
    QLineEdit* Edit5 = nullptr;     // women at the last full reload
    QLineEdit* can = nullptr;       // "1": alternate row colouring off, "0": on

    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QTimer* Timer1 = nullptr; // notes pad save (NotesPad)
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer5 = nullptr;
    QTimer* Timer6 = nullptr;
    QTimer* Timer7 = nullptr;
    QTimer* Timer8 = nullptr; // birthday reminder: show (BirthdayReminder)
    QTimer* Timer9 = nullptr; // birthday reminder: slide

    store::Connection acper;
    // Reads the whole table for the fill, the reload, its wait and the searches, in a thread of its own.
    std::unique_ptr<store::ContactReader> m_reader;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildPopupMenu();
    void buildToolBar();
    // Main window short-cuts that win over the text fields' own (every short-cut of the main menu).
    void collectCommandKeys();
    // The text field the edit commands act on: Memo1 or Memo3 when it has the focus, else none.
    QPlainTextEdit* editTarget() const;
    void UpdateEditActions();
    void EditDelete1Execute();
    // Drag of list rows over and onto a tool button drop target.
    bool acceptsRowDrag(const QEvent* event) const;
    bool dragOntoToolButton(QObject* target, QEvent* event);
    // Stores the list colour and shows it; the stored value is written before the list changes.
    void SetFixedColor(const QString& stored, const QColor& color);
    void buildWorkArea();
    void buildStatusBar();
    void buildHiddenState();
    QWidget* buildHeader(QWidget* page, const QString& icon, QLabel** bold, QLabel** plain, const QString& boldText,
                         const QString& plainText);
    // Memo3 shows the introduction and this count line.
    void ShowSummary(const QString& countLine);
    // Reports an unexpected error the way the program reports every unexpected error: the Chinese lead (what
    // failed, what to do), then the technical text. Without a lead the general one stands first.
    void ReportError(const QString& lead, const QString& detail);
    bool CountMainRows(int* rows);
    // The selected rows for a command on one record. With no rows, or none selected, the user is told (and the
    // first row is selected for the next try) and the list is empty.
    QList<int> SelectedForCommand();
    // The names of the rows the list shows now: every record, or a search result.
    QStringList ShownNames() const;
    // Deletes the records of these names in one transaction and removes their rows from the list.
    void DeleteRecords(const QStringList& names);
    bool WriteSetting(const QString& section, const QString& key, const QString& value);
    // Keys that belong together, in one atomic replacement of set.ini.
    bool WriteSettings(const QString& section, const QList<QPair<QString, QString>>& values);

    BirthdayReminder* m_reminder = nullptr;
    NotesPad* m_notes = nullptr;
    // Changes made at other desktops coming into the list; it reads the list's state and changes its rows.
    friend class LiveUpdates;
    LiveUpdates* m_live = nullptr;
    QString m_notice;
    // Keys of the main window's commands that win over the text fields' own short-cuts (Ctrl+A is add).
    QList<QKeySequence> m_commandKeys;
    // The command a drop on a tool button asked for; it runs once the drag has ended.
    void (Tmain::*m_dropCommand)() = nullptr;
    // Rows going away (deleted, or cleared for a reload): their deselection shows no details.
    bool m_rowsLeaving = false;
    // A reload is reading the table.
    bool m_reloading = false;
    // A deletion runs (it lets the window repaint): the window is not closed under it.
    bool m_deleting = false;
    QMetaObject::Connection m_focusConnection;
};
