#pragma once

#include "store/Connection.h"

#include <QDialog>
#include <memory>

class QTimer;

namespace hub {
class StartupHost;
}

namespace Ui {
class Tlogin;
}

// The start-up and sign-in window. A chain of one-shot steps checks the installation, decides between open and
// user mode, signs the user in, applies the display settings and fills the main window; a failed step shows its
// text for a pause and ends the program.
class Tlogin : public QDialog {
    Q_OBJECT
public:
    // The steps apply the settings to `main`, fill it and record who signed in.
    Tlogin(const QString& programDir, hub::StartupHost& main, QWidget* parent = nullptr);
    ~Tlogin() override;

    // The pause of the failure step; 3000 ms, shortened only by tests.
    static void setFailurePause(int ms);
    // The most users the sign-in list offers; user.ini may list more, who sign in by typing their names.
    static constexpr int MaxListedUsers = 1000;

    void FormShow();
    void t1Timer();
    void t2Timer();
    void t3Timer();
    void t4Timer();
    void t5Timer();
    void t6Timer();
    void t8Timer();
    void t9Timer();
    void t10Timer();
    void BitBtn1Click();
    void BitBtn2Click();

    // True when the window closed before the start-up completed (a failed step, Esc, "退出").
    bool terminated() const { return m_terminated; }
    // True when a failed step ended the start-up through t6.
    bool failed() const { return m_failed; }

    std::unique_ptr<Ui::Tlogin> ui;
    QTimer* t1;
    QTimer* t2;
    QTimer* t3;
    QTimer* t4;
    QTimer* t5;
    QTimer* t6;
    QTimer* t8;
    QTimer* t9;
    QTimer* t10;
    store::Connection acper;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void setStatus(const QString& text);
    // Ends the chain through t6 with this text in the status label.
    void fail(const QString& text);
    void selectFirstUser();
    // A sign-in stopped at the name: the text, the first user of the list, the focus in the name box.
    void refuseName(const QString& text);
    // A user name typed in full stays as typed: the name box's completion of it into a longer listed name goes.
    void KeepTypedName();
    // The names of table user1; false (the chain ended through t6) when the database fails.
    bool ReadUserNames(QStringList* names);
    // user.ini lists no users while the database holds some, or the other way round: the damage message, and
    // user.ini written so that the next start works.
    void RepairUserList(const QStringList& stored);
    // Makes the settings folder of a user of table user1 that has none; false (with the reason shown) when it
    // cannot be made.
    bool RecreateUserFolder(const QString& name);
    // user.ini's cuser/name after a sign-in; a failed write is reported.
    void RememberUser(const QString& name);
    QString userSettingsFile(const QString& name) const;
    // The office server wants a password that no ~/.pgpass holds: asked once, kept in memory for the run.
    bool askServerPassword();
    // Rewrites a plain-text password that has just been accepted as its hash.
    void rehashPassword(const QString& name, const QString& plain);

    hub::StartupHost& m_main;
    QString m_programDir;
    bool m_panelShown = false;
    bool m_unlisted = false; // user.ini lists more users than the sign-in list offers
    bool m_terminated = false;
    bool m_failed = false;
    bool m_askedPassword = false;
};
