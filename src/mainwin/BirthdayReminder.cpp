#include "mainwin/BirthdayReminder.h"

#include "hub/RecordListView.h"
#include "mainwin/BirthdayWindow.h"
#include "platform/Step.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTimer>

namespace {

// The text box is only 52 pixels high: between the two arrow buttons there is less room than most styles want for
// the smallest handle, and they leave it out. This style lets a small handle show.
class SmallHandleStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarSliderMin)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

BirthdayReminder::BirthdayReminder(QWidget* window, const RecordListView* list)
    : QObject(window), m_window(window), m_list(list)
{
    Timer8 = platform::newStep(this, "Timer8", 5);
    Timer9 = platform::newStep(this, "Timer9", 5);
    connect(Timer8, &QTimer::timeout, this, &BirthdayReminder::Timer8Timer);
    connect(Timer9, &QTimer::timeout, this, &BirthdayReminder::Timer9Timer);

    Panel7 = new QFrame(window);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->resize(225, 108);
    Panel7->setFrameShape(QFrame::Panel);
    Panel7->setFrameShadow(QFrame::Raised);
    Panel7->setAutoFillBackground(true);
    QPalette reminder = Panel7->palette();
    reminder.setColor(QPalette::Window, QColor(191, 191, 255));
    reminder.setColor(QPalette::Base, QColor(191, 191, 255));
    reminder.setColor(QPalette::WindowText, Qt::black);
    reminder.setColor(QPalette::Text, Qt::black);
    Panel7->setPalette(reminder);
    Label5 = new QLabel(QStringLiteral("生日提醒："), Panel7);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->move(16, 8);
    Memo4 = new QPlainTextEdit(Panel7);
    Memo4->setObjectName(QStringLiteral("Memo4"));
    Memo4->setGeometry(38, 26, 150, 52);
    Memo4->setFrameShape(QFrame::NoFrame);
    // Read-only without focus rather than disabled: a disabled text area would paint the names grey.
    Memo4->setReadOnly(true);
    Memo4->setFocusPolicy(Qt::NoFocus);
    Memo4->setTextInteractionFlags(Qt::NoTextInteraction);
    Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A line too long for the box wraps rather than losing its end (the closing bracket) under the scroll bar.
    Memo4->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo4->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto* handleStyle = new SmallHandleStyle(QStyleFactory::create(window->style()->name()));
    handleStyle->setParent(Panel7);
    Memo4->verticalScrollBar()->setStyle(handleStyle);
    BitBtn1 = new QPushButton(QStringLiteral("知道了"), Panel7);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(154, 82, 55, 20);
    connect(BitBtn1, &QPushButton::clicked, this, &BirthdayReminder::hide);
    // Outside a dialog a push button takes only Space; Enter and Esc dismiss the reminder too.
    BitBtn1->installEventFilter(this);
    Panel7->hide();
}

bool BirthdayReminder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == BitBtn1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            hide();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BirthdayReminder::setText(const BirthdayWindow& birthdays)
{
    Memo4->setPlainText(birthdays.text());
    if (birthdays.count() > 4)
        Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void BirthdayReminder::announce()
{
    platform::startStep(Timer8);
}

void BirthdayReminder::hide()
{
    const bool focused = BitBtn1->hasFocus();
    Panel7->hide();
    // The focus goes back where it was before the reminder took it.
    if (focused && m_focusBefore)
        m_focusBefore->setFocus();
}

void BirthdayReminder::Timer8Timer()
{
    Timer8->stop();
    if (m_list->count() < 1)
        return;
    Panel7->move(-225, (m_window->frameGeometry().height() - 108) / 2 - 3);
    Panel7->show();
    Panel7->raise();
    // The button takes the focus, so that Enter, Space or Esc dismisses the reminder.
    if (QWidget* before = m_window->focusWidget(); before && !Panel7->isAncestorOf(before))
        m_focusBefore = before;
    BitBtn1->setFocus();
    platform::startStep(Timer9);
}

void BirthdayReminder::Timer9Timer()
{
    const int target = (m_window->frameGeometry().width() - 225) / 2;
    if (Panel7->x() < target) {
        Panel7->move(Panel7->x() + 20, Panel7->y());
    } else {
        Panel7->move(target, Panel7->y());
        Timer9->stop();
    }
}
