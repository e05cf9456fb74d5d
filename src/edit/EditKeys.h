#pragma once

#include <QHash>
#include <QObject>
#include <QPalette>

class QDialog;
class QLineEdit;
class QWidget;

// Key handling the add and modify windows share. One filter object per window sees every key before the
// controls do: Esc closes the window, Enter and Shift+Enter move the focus and never reach a field (a focused
// line edit would otherwise press a button). It also carries the per-field filters and the focus highlight.
class EditKeys : public QObject {
    Q_OBJECT
public:
    // Installs the window filter on the dialog and every child it has now.
    explicit EditKeys(QDialog* dialog);

    // Typed characters among the 14 refused ones beep and are not entered; pasted text is not filtered here.
    void nameFilter(QLineEdit* edit);
    // Only Backspace, "-" and digits, and nothing at all (Backspace too) once the text has maxLength characters;
    // keys that type no character (Tab, Delete, the arrows) always pass.
    // Input methods are switched off: they would bypass the filter.
    void phoneFilter(QLineEdit* edit, int maxLength);
    // The field's background takes the tooltip colour while it has the focus.
    void highlight(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Rule { None = 0, Name = 1, Phone = 2 };
    struct Field {
        int rule = None;
        int maxLength = 0;
        bool highlight = false;
    };
    bool filterTyped(QLineEdit* edit, const Field& field, const QString& text, int key);

    QDialog* m_dialog;
    QHash<QObject*, Field> m_fields;
};
