#pragma once

#include "store/Dataset.h"

#include <QDialog>
#include <QList>
#include <memory>
#include <utility>

class QImage;
class QLineEdit;

namespace hub {
class MainHub;
}

namespace Ui {
class Tadd;
}

// The add window: one new contact record, entered into the row that the main window's add command appended
// to ajo, checked, stored, and appended to the main list.
class Tadd : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tadd(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tadd() override;

    // Table main over the data module's connection; the add command opens it and appends the new row.
    store::Dataset ajo;

    std::unique_ptr<Ui::Tadd> ui;

    // Preparation each time the window is shown.
    void FormShow();
    // Save: the checks, the photo, cleaning, the post, the new list row.
    void Button2Click();
    // Cancel.
    void Button1Click();
    // The photo panel's pick, remove and confirm buttons.
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void CheckBox1Click(bool checked);
    // Birthday present ("有" got the focus) and absent (a click on "生日：").
    void RadioButton4Enter();
    void Label9Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
    enum class EditCommand { Copy, Cut, Paste, Delete, SelectAll, Undo };

    // The data-bound controls and the fields of ajo's current row that they show.
    QList<std::pair<QWidget*, QString>> boundControls() const;
    void loadRow();
    void writeRow();
    void setBirthdayShown(bool shown);
    void UpdateTabStops();
    void showPreview(const QImage& image);
    // Runs an edit command of the tool group on the focused field.
    void runEditCommand(EditCommand command);
    QLineEdit* focusedEdit() const;
    // A refused save: the message, and the field to correct.
    void refuse(const QString& text, QWidget* focus);
};
