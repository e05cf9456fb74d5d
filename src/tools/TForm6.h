#pragma once

#include <QDialog>
#include <memory>

namespace hub {
class MainHub;
}

namespace Ui {
class TForm6;
}

// The title text window: sets the main window's caption and stores it in set.ini, or restores the default.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(hub::MainHub& main, QWidget* parent = nullptr);
    ~TForm6() override;

    std::unique_ptr<Ui::TForm6> ui;

    // Loads the stored title; nothing to set yet.
    void FormShow();
    void Edit1Change();
    void Button1Click(); // set
    void Button2Click(); // restore
    void Button3Click(); // cancel

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Writes the title into set.ini; false after reporting a failed write.
    bool Store(const QString& title);

    hub::MainHub& m_main;
};
