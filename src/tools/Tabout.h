#pragma once

#include <QDialog>
#include <QPixmap>
#include <memory>

class QTimer;

namespace Ui {
class Tabout;
}

// The about window: name and version, rights, author, e-mail and web site, and a small picture that changes
// every second. A click on the web-site line opens the home page.
class Tabout : public QDialog {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent = nullptr);
    ~Tabout() override;

    std::unique_ptr<Ui::Tabout> ui;
    // Switches the picture once a second, from the program's start, shown or not.
    QTimer* Timer1 = nullptr;

    void Timer1Timer();
    void Label5Click();
    // The picture ToolButton1 shows: 0 or 1.
    int ImageIndex() const { return m_imageIndex; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowImage(int index);

    // ImageList1: the two pictures.
    QPixmap m_images[2];
    int m_imageIndex = 0;
    // The web-site line has just seen the second press of a double click.
    bool m_doubleClicked = false;
};
