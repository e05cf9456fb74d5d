#pragma once

#include "store/Dataset.h"

#include <QDialog>
#include <memory>

class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;

namespace hub {
class MainHub;
}

namespace Ui {
class Tgai;
}

// The modify window: every field of one existing contact except the name and the entry date, edited in the
// row that the main window's OpenModify loaded into ago and put into edit state.
class Tgai : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tgai(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tgai() override;

    // One record of table main over the data module's connection, in edit state while the window is shown.
    store::Dataset ago;
    // Its caption is the record's name followed by "/资料信息", set by the opener.
    QGroupBox* GroupBox1 = nullptr;

    std::unique_ptr<Ui::Tgai> ui;

    void FormShow();
    void Button1Click(); // save
    void Button2Click(); // cancel
    void Image1Click();  // opens the photo panel
    void Button3Click(); // photo panel: pick a picture
    void Button4Click(); // photo panel: remove the photo
    void Button5Click(); // photo panel: confirm the picked picture

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
    // The bound controls take the values of ago's current row.
    void ReadRow();
    // The bound controls' values go into ago's current row.
    void WriteRow();
    // Save step 3: a staged photo is copied to the contact's photo file. False when that copy failed.
    bool CommitPhoto();
    // What became of a save.
    enum class Stored { Saved, KeptOpen, Dropped };
    // Writes the edit back with its photo in one transaction. A record another desktop changed or deleted since the
    // window read it is not written over unasked: the user chooses, and the choice is checked again in the next
    // transaction.
    Stored Store();
    // The field's control.
    QLineEdit* controlOf(const QString& field) const;
    // The radio pair shows the sex field's value: 男, 女, neither for a blank one; other text leaves it alone.
    void FollowSex(const QString& text);
    void ClearSex();
    void UpdateSexTabStops();
    void ShowPicture(QLabel* image, const QImage& picture);
    // The size photos are decoded at: the larger of the two frames.
    QSize pictureSize() const;

    // Full path of the picture picked since the panel was last confirmed or cleared; empty when none.
    QString m_picked;
    // The contact's photo file written by this save, whose bytes go into the book with the record.
    QString m_photoFile;
};
