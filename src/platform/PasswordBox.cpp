#include "platform/PasswordBox.h"

#include <QLineEdit>

namespace platform {

void PasswordBox::useStars(QLineEdit* edit)
{
    edit->setEchoMode(QLineEdit::Password);
    // 42 is "*". A style sheet with this property alone leaves the rest of the box to the style.
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

} // namespace platform
