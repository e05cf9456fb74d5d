#pragma once

#include "store/Dataset.h"

#include <QDialog>
#include <QSet>
#include <memory>

class QKeyEvent;

namespace hub {
class MainHub;
}

namespace Ui {
class Tlist;
}

// The record browser: one record of the main list at a time, as a card with the contact's photo. Record n is the
// n-th row of the main window's list as it stands, whole table or search result; the browser keeps no list.
class Tlist : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tlist(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tlist() override;

    // One record of table main by name, over the main window's connection.
    store::Dataset alo;

    std::unique_ptr<Ui::Tlist> ui;

    // Geometry, the jump panel hidden, record 1.
    void FormShow();
    void Button4Click(); // next
    void Button5Click(); // previous
    void Button6Click(); // opens or closes the jump panel
    void Button7Click(); // confirms the jump
    void Button3Click(); // hands the shown record to the main window's modify command
    void Button2Click(); // hands the shown record to the main window's delete command
    void Button1Click(); // close
    void CheckBox1Click();
    void Button8Click(); // the shown record's QR code, for a phone to save

    // The position n, 1-based, as the hidden Edit1 holds it.
    int position() const;
    // Fills the card with record n of the main list.
    void ShowRecord(int n);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
    // Total M: the main list's row count.
    int recordCount() const;
    void setPosition(int n);
    // The card's lefts, widths and captions for the photo shown or hidden.
    void ApplyCard(bool photoShown);
    // True when the key is dropped: the jump box takes backspace and digits only.
    bool Edit2KeyPress(const QKeyEvent* key);
    // Draws the shown record's photo when the box is ticked and it is not drawn yet.
    void DrawPhoto();
    void HandOver(void (hub::MainHub::*command)());

    // Photo files already reported as undecodable during this showing: paging back and forth asks once.
    QSet<QString> m_reportedPhotos;
    // 照片 of the shown record, and whether its picture is drawn.
    QString m_photo;
    bool m_photoDrawn = false;
    bool m_showing = false;
};
