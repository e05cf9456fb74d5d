#pragma once

#include "store/Connection.h"
#include "store/Dataset.h"

#include <QDialog>
#include <memory>

class QComboBox;

namespace hub {
class MainHub;
}

namespace Ui {
class Tuser1;
}

// The user-management window: lists the users, creates one (which ends the program) and deletes one. A user
// lives in three places that must agree: a row of table user1, a key of section user of user.ini, and a folder
// of the same name holding the user's settings copy.
class Tuser1 : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tuser1(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tuser1() override;

    // The window's own connection, open while it is shown (the opening command opens it, hiding closes it).
    store::Connection modal;
    // Table user1 on `modal`; the opening command appends the new user's row, which the boxes fill.
    store::Dataset ano;

    std::unique_ptr<Ui::Tuser1> ui;
    QComboBox* DBComboBoxEh1 = nullptr; // the rights box

    // The rights of the signed-in user, set each time the window is shown.
    void FormShow();
    void ListBox1Click();
    // Create: the checks, then row, folder, user.ini and settings copy, undone again when a step fails.
    void Button4Click();
    // Delete the selected user.
    void Button3Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refuse(const QString& text, QWidget* focus);
    // The steps after the row is stored; on failure everything already done is undone, and `failure` says what
    // failed and what was undone; `undoError` carries the technical text of an undo step that failed.
    bool storeUser(const QString& name, QString* failure, QString* undoError);
    // Takes the stored row out again; false when the database refuses.
    bool removeRow(const QString& name, QString* error);
    // After a failed creation: a fresh row to append to, so the user can correct the boxes and try again.
    void appendAgain();
    // Ends the program from the running event loop after the message.
    void endProgram(const QString& message);
    void reportError(const QString& what, const QString& detail);

    hub::MainHub& m_main;
};
