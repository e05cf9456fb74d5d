#pragma once

#include "print/QrCode.h"

#include <QWidget>

namespace print {

// Shows a QR code as large as the widget allows, every module a whole number of screen pixels, so its edges stay
// sharp at any size; white around it, the quiet zone included.
class QrView : public QWidget {
    Q_OBJECT
public:
    explicit QrView(QWidget* parent = nullptr);

    void setCode(const QrCode& code);
    const QrCode& code() const { return m_code; }
    // Screen pixels per module at the widget's present size.
    int moduleSize() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QrCode m_code;
};

} // namespace print
