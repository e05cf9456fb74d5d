#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

// One message box as the program asks for it; tests receive these instead of a real box.
struct PromptRequest {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // Texts of their own for some of the buttons (a choice the standard texts do not name).
    QList<QPair<QMessageBox::StandardButton, QString>> labels = {};
};

// Every message box of the program goes through here, so nothing pops up unattended in tests.
class Prompt {
public:
    using Handler = std::function<QMessageBox::StandardButton(const PromptRequest&)>;

    // Caption "提示", information icon, OK.
    static void information(QWidget* parent, const QString& text);
    // Caption "提示", warning icon, OK.
    static void caution(QWidget* parent, const QString& text);
    // Caption "失败", warning icon, OK.
    static void warning(QWidget* parent, const QString& text);
    // Caption "提示", question icon, Yes and No; true for Yes.
    static bool question(QWidget* parent, const QString& text);
    // Caption "提示", question icon, one button for each choice with the choice's own text; returns the one chosen
    // (Esc and the close box choose the Cancel button).
    static QMessageBox::StandardButton choose(QWidget* parent, const QString& text,
                                              const QList<QPair<QMessageBox::StandardButton, QString>>& choices);
    // Caption = application title, no icon, OK.
    static void plain(QWidget* parent, const QString& text);
    // The toolkit's own information dialog: title "Information", one OK button.
    static void toolkitInformation(QWidget* parent, const QString& text);
    // The default error report for unexpected errors: application title, error icon, OK. It leads with a Chinese
    // sentence that says what failed and what to do (platform::ErrorLead), followed by the technical text.
    static void error(QWidget* parent, const QString& lead, const QString& detail);
    // The same with the general lead, for errors no caller foresaw.
    static void error(QWidget* parent, const QString& detail);
    // Any other combination.
    static QMessageBox::StandardButton show(QWidget* parent, const PromptRequest& request);

    // Tests install a handler that records each box and returns an answer; an empty handler restores real boxes.
    static void setHandler(Handler handler);
};

} // namespace platform
