#pragma once

#include <QIcon>
#include <QWidget>

// The status bar's first panel: the welcome text, or, once somebody has signed in, the user picture and
// "当前用户：…，您是…！" drawn by the program.
class StatusUserPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusUserPanel(QWidget* parent = nullptr);

    QString text() const;
    bool userDrawn() const { return m_userDrawn; }
    void setUser(const QString& name, const QString& rights);

    QSize sizeHint() const override { return QSize(220, 20); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    bool m_userDrawn = false;
    QIcon m_icon;
};
