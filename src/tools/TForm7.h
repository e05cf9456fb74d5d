#pragma once

#include <QDialog>
#include <memory>

namespace hub {
class MainHub;
}

namespace Ui {
class TForm7;
}

// The statistics window: a bar chart of how the rows of the main list divide among five groups of relations. It
// counts the list as it is, so after a search it counts the matches.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(hub::MainHub& main, QWidget* parent = nullptr);
    ~TForm7() override;

    std::unique_ptr<Ui::TForm7> ui;

    // Requests a summary of the main window and draws the chart from the list's rows at this moment.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
};
