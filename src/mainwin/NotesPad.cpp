#include "mainwin/NotesPad.h"

#include "platform/ErrorLead.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "platform/Step.h"
#include "store/AtomicFile.h"
#include "store/NotesFile.h"

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

QString notesPath()
{
    return platform::ProgramDir::file(QStringLiteral("zzz"));
}

} // namespace

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
    QByteArray bytes;
    if (!store::NotesFile::readBytes(notesPath(), &bytes)) {
        m_unread = true;
        platform::Prompt::error(
            m_window, QStringLiteral("无法读取便签文件 zzz，请检查文件权限。为了不覆盖其中的内容，便签不会保存。"),
            QStringLiteral("Unable to read zzz"));
        return;
    }
    const QString text = Take(bytes);
    // A file in another encoding (UTF-8 from a Linux editor) or with bytes that are no text is not rewritten
    // unasked: only a change by the user writes it in the program's own form, after keeping the original.
    if (text != Memo1->toPlainText())
        ShowText(text, !m_foreign);
}

QString NotesPad::Take(const QByteArray& bytes)
{
    m_known = bytes;
    const QString text = store::NotesFile::decode(bytes);
    m_foreign = !store::NotesFile::sameButLineBreaks(bytes, text);
    return text;
}

void NotesPad::ShowText(const QString& text, bool countsAsChange)
{
    m_loading = !countsAsChange;
    Memo1->setPlainText(text);
    m_loading = false;
}

void NotesPad::Memo1Change()
{
    if (m_loading)
        return;
    m_dirty = true;
    platform::startStep(Timer1);
}

void NotesPad::Timer1Timer()
{
    Timer1->stop();
    if (!m_holding)
        SaveNotes();
}

bool NotesPad::SaveNotes()
{
    return Store() == Outcome::Saved;
}

NotesPad::Outcome NotesPad::Store()
{
    const QString path = notesPath();
    if (m_unread) {
        if (!m_failureShown) {
            m_failureShown = true;
            platform::Prompt::error(
                m_window, QStringLiteral("便签没有保存：便签文件 zzz 在启动时无法读取，保存会覆盖其中的内容。"),
                QStringLiteral("Unable to read zzz"));
        }
        return Outcome::Failed;
    }
    QByteArray onDisk;
    if (QFileInfo::exists(path) && store::NotesFile::readBytes(path, &onDisk) && onDisk != m_known) {
        const QMessageBox::StandardButton answer = platform::Prompt::show(
            m_window, {QStringLiteral("提示"),
                       QStringLiteral("便签文件 zzz 在读入之后已被另一个程序（或同时运行的另一个本程序）修改。\n"
                                      "是：用这里的便签覆盖文件中的内容\n"
                                      "否：放弃这里的修改，显示文件中的便签\n"
                                      "取消：暂不保存"),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel});
        if (answer == QMessageBox::No) {
            Timer1->stop();
            ShowText(Take(onDisk), false);
            m_dirty = false;
            m_holding = false;
            return Outcome::Saved;
        }
        if (answer != QMessageBox::Yes) {
            m_holding = true;
            return Outcome::Kept;
        }
    }
    const QByteArray bytes = store::NotesFile::encode(Memo1->toPlainText());
    QString failed = QStringLiteral("zzz");
    QString error;
    if ((!m_foreign || KeepOriginal(&failed, &error)) && store::AtomicFile::write(path, bytes, &error)) {
        m_known = bytes;
        m_dirty = false;
        m_failureShown = false;
        m_holding = false;
        return Outcome::Saved;
    }
    // Reported once; the text stays in the pad and the next change or the close tries again.
    if (!m_failureShown) {
        m_failureShown = true;
        platform::Prompt::error(m_window, platform::ErrorLead::writeFile(failed), error);
    }
    return Outcome::Failed;
}

bool NotesPad::KeepOriginal(QString* failed, QString* error)
{
    QString name;
    for (int i = 1; i < 100 && name.isEmpty(); ++i) {
        const QString candidate = i == 1 ? QStringLiteral("zzz.bak") : QStringLiteral("zzz.bak%1").arg(i);
        const QFileInfo info(platform::ProgramDir::file(candidate));
        if (!info.exists() && !info.isSymLink())
            name = candidate;
    }
    *failed = name.isEmpty() ? QStringLiteral("zzz.bak") : name;
    if (name.isEmpty()) {
        *error = QStringLiteral("zzz.bak to zzz.bak99 exist");
        return false;
    }
    if (!store::AtomicFile::write(platform::ProgramDir::file(name), m_known, error))
        return false;
    m_foreign = false;
    platform::Prompt::information(
        m_window,
        QStringLiteral("便签文件 zzz 原来的内容不能按原样保存（它不是本程序保存的格式，或含有无法识别的字节）。"
                       "为了不丢失它，原文件已另存为 %1；便签以后按本程序的格式保存在 zzz 中。")
            .arg(name));
    return true;
}

bool NotesPad::closeRequested()
{
    if (!m_dirty)
        return true;
    Timer1->stop();
    for (;;) {
        // The close always asks, also when an earlier failure was reported already.
        m_failureShown = true;
        const Outcome outcome = Store();
        if (outcome == Outcome::Saved)
            return true;
        if (outcome == Outcome::Kept)
            return false;
        const QMessageBox::StandardButton answer = platform::Prompt::show(
            m_window, {QStringLiteral("提示"),
                       QStringLiteral("便签没有保存：无法写入文件 zzz（磁盘可能已满，或没有写入权限）。\n"
                                      "重试：再保存一次\n"
                                      "丢弃：不保存便签，直接退出\n"
                                      "取消：不退出程序"),
                       QMessageBox::Warning, QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel});
        if (answer == QMessageBox::Discard)
            return true;
        if (answer != QMessageBox::Retry)
            return false;
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
