#include "mainwin/NotesPad.h"

#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "platform/Step.h"
#include "store/AtomicFile.h"
#include "store/Codepage.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

NotesPad::NotesPad(QWidget* window, QWidget* page, QLabel* title, QLabel* subtitle)
    : QObject(window), m_window(window), m_title(title), m_subtitle(subtitle)
{
    Timer1 = platform::newStep(this, "Timer1", 500);
    connect(Timer1, &QTimer::timeout, this, &NotesPad::Timer1Timer);

    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_viewport = Memo1->viewport();
    m_viewport->installEventFilter(this);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &NotesPad::Memo1Change);
}

void NotesPad::LoadNotes()
{
    QFile file(platform::ProgramDir::file(QStringLiteral("zzz")));
    QString text;
    if (file.open(QIODevice::ReadOnly))
        text = store::Codepage::decode(file.readAll());
    // Every line break becomes one paragraph break; the file gets CR LF back when it is saved.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text != Memo1->toPlainText())
        Memo1->setPlainText(text);
}

void NotesPad::Memo1Change()
{
    m_dirty = true;
    platform::startStep(Timer1);
}

void NotesPad::Timer1Timer()
{
    Timer1->stop();
    SaveNotes();
}

bool NotesPad::SaveNotes()
{
    QString text = Memo1->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QString error;
    if (store::AtomicFile::write(platform::ProgramDir::file(QStringLiteral("zzz")), store::Codepage::encode(text),
                                 &error)) {
        m_dirty = false;
        m_failureShown = false;
        return true;
    }
    // Reported once; the text stays in the pad and the next change or the close tries again.
    if (!m_failureShown) {
        m_failureShown = true;
        platform::Prompt::error(m_window, QStringLiteral("便签没有保存：Unable to write to zzz"));
    }
    return false;
}

void NotesPad::saveBeforeClose()
{
    if (m_dirty) {
        Timer1->stop();
        SaveNotes();
    }
}

void NotesPad::Memo1Click()
{
    m_title->setText(QStringLiteral("记事本"));
    m_title->adjustSize();
    m_subtitle->setText(QStringLiteral("[自动保存]"));
    m_subtitle->adjustSize();
}

bool NotesPad::eventFilter(QObject* watched, QEvent* event)
{
    // Compared by address only: the viewport also sends events while the text area is being destroyed.
    if (watched == m_viewport && event->type() == QEvent::MouseButtonPress)
        Memo1Click();
    return QObject::eventFilter(watched, event);
}
