#pragma once

#include "store/Connection.h"
#include "store/Dataset.h"

#include <QDialog>
#include <memory>

namespace hub {
class MainHub;
}

namespace Ui {
class Tuser2;
}

// The change-password window: the signed-in user replaces the own password; it counts from the next sign-in. Only
// the password's hash is stored, so both boxes open on a placeholder that stands for the unchanged password.
class Tuser2 : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tuser2(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tuser2() override;

    // The signed-in user's row on the data module's connection, put into edit state by the opening command.
    store::Dataset amo;
    // Opened by the opening command in user mode and closed when the window hides; no statement runs over it.
    store::Connection acper;

    std::unique_ptr<Ui::Tuser2> ui;

    void FormShow();
    // Confirm: the two checks, then the new password's hash is stored.
    void Button1Click();
    // Cancel: nothing is stored.
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
};
