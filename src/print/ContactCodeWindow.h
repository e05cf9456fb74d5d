#pragma once

#include "exchange/Contact.h"
#include "print/ContactCode.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace store {
class Connection;
}

namespace print {

class QrView;

// "二维码名片": one contact's QR code for a phone's camera or WeChat's scanner to save, large and sharp at any
// window size, with "保存图片..." for a PNG of it. Esc closes it.
class ContactCodeWindow : public QDialog {
    Q_OBJECT
public:
    // programDir: where no picture may be saved (the user's data lies there).
    ContactCodeWindow(const exchange::Contact& contact, ContactCode code, const QString& programDir,
                      QWidget* parent = nullptr);

    // Reads the record of that name and shows its code modally; tells the user when the record is gone, cannot be
    // read or is too long for a code.
    static void showFor(store::Connection& connection, const QString& name, const QString& programDir, QWidget* parent);

    QLabel* NameLabel = nullptr;
    QrView* Code = nullptr;
    QLabel* Hint = nullptr; // how to scan, what was left out, where the picture went
    QPushButton* SaveButton = nullptr;
    QPushButton* CloseButton = nullptr;

    void SaveButtonClick();

private:
    QString m_name;
    ContactCode m_code;
    QString m_programDir;
};

} // namespace print
