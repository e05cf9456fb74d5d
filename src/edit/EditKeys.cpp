#include "edit/EditKeys.h"

#include "edit/FieldRules.h"
#include "platform/Beep.h"
#include "platform/KeyPreview.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>

EditKeys::EditKeys(QDialog* dialog) : QObject(dialog), m_dialog(dialog)
{
    platform::KeyPreview::install(dialog, this);
}

void EditKeys::nameFilter(QLineEdit* edit)
{
    m_fields[edit].rule = Name;
}

void EditKeys::phoneFilter(QLineEdit* edit, int maxLength)
{
    Field& f = m_fields[edit];
    f.rule = Phone;
    f.maxLength = maxLength;
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void EditKeys::highlight(QWidget* field)
{
    m_fields[field].highlight = true;
    if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit()) {
        m_fields[combo->lineEdit()].highlight = true;
        combo->lineEdit()->installEventFilter(this);
    }
}

bool EditKeys::filterTyped(QLineEdit* edit, const Field& field, const QString& text, int key)
{
    if (field.rule == Name) {
        if (text.size() == 1 && FieldRules::isRefusedNameChar(text.at(0))) {
            platform::Beep::beep();
            return true;
        }
        return false;
    }
    if (field.rule == Phone) {
        const bool backspace = key == Qt::Key_Backspace;
        const char32_t c = text.isEmpty() ? 0 : text.toUcs4().constFirst();
        // Only Backspace and printable characters count as typed: X11 gives Tab "\t" and Delete "\x7f", and they,
        // the arrows and the other keys that type no character are not filtered.
        if (!backspace && !QChar::isPrint(c))
            return false;
        const bool allowed = backspace || c == U'-' || (c >= U'0' && c <= U'9');
        if (!allowed || edit->text().size() >= field.maxLength) {
            platform::Beep::beep();
            return true;
        }
    }
    return false;
}

bool EditKeys::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A combo's drop-down list is a window of its own: Enter there picks the item and Esc closes the list only.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != m_dialog)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter) {
            event->accept();
            if (type == QEvent::KeyPress) {
                if (k == Qt::Key_Escape) {
                    m_dialog->reject();
                } else {
                    const bool back = key->modifiers() & Qt::ShiftModifier;
                    QKeyEvent tab(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                                  back ? Qt::ShiftModifier : Qt::NoModifier);
                    QCoreApplication::sendEvent(m_dialog, &tab);
                }
            }
            return true;
        }
        // Short-cuts such as Ctrl+V type no character; refusing them would block paste, copy and undo.
        const Qt::KeyboardModifiers mods = key->modifiers();
        const bool shortcut = (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
        if (type == QEvent::KeyPress && !shortcut) {
            const auto it = m_fields.constFind(watched);
            if (it != m_fields.constEnd() && it->rule != None) {
                if (auto* edit = qobject_cast<QLineEdit*>(watched))
                    return filterTyped(edit, *it, key->text(), k);
            }
        }
        return false;
    }
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        const auto it = m_fields.constFind(watched);
        if (it != m_fields.constEnd() && it->highlight) {
            auto* w = static_cast<QWidget*>(watched);
            QPalette p = w->palette();
            p.setColor(QPalette::Base, type == QEvent::FocusIn ? QApplication::palette().color(QPalette::ToolTipBase)
                                                               : QApplication::palette().color(QPalette::Base));
            w->setPalette(p);
        }
    }
    return QObject::eventFilter(watched, event);
}
