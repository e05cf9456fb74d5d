// Printing and contact codes from the main window and the browser: where the commands sit, that the preview prints
// the rows the list shows with the options chosen in it, and that the code window saves a picture and closes on Esc.
#include "app/Program.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "print/ContactCodeWindow.h"
#include "print/PhoneListPreview.h"
#include "print/QrView.h"
#include "search/Tfind.h"
#include "search/Tlist.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestPrint : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    QTemporaryDir m_out;

    // Drives the code window that `open` brings up: a picture saved, then Esc.
    void saveCodeAndEscape(const std::function<void()>& open, const QString& picture)
    {
        platform::Pickers::setSaveFileAnswer([picture] { return picture; });
        bool drawn = false;
        bool closedByEscape = false;
        QWidget* window = driveModal(QStringLiteral("ContactCodeWindow"), open, [&](QWidget* w) {
            auto* code = w->findChild<print::QrView*>(QStringLiteral("Code"));
            drawn = code && !code->code().isNull() && code->moduleSize() >= 1;
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("SaveButton")), Qt::LeftButton);
            QTest::keyClick(w, Qt::Key_Escape);
            closedByEscape = !w->isVisible();
        });
        QVERIFY(window);
        QVERIFY(drawn);
        QVERIFY(closedByEscape);
        QVERIFY(!QImage(picture).isNull());
    }

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        QVERIFY(m_dir->addContact(QStringLiteral("李小龙")));
        QVERIFY(Program::start(m_dir->path()));
    }
    void cleanup()
    {
        Program::shutdown();
        platform::Pickers::setSaveFileAnswer({});
        m_dir.reset();
    }

    void commandsSitWithTheOtherRecordCommands()
    {
        const QList<QAction*> items = forms::main->findChild<QMenu*>(QStringLiteral("N1"))->actions();
        QCOMPARE(items.at(items.indexOf(forms::main->ExportContacts) + 1), forms::main->PrintBook);
        QCOMPARE(forms::main->PrintBook->text(), QStringLiteral("打印通讯录(&P)..."));
        QVERIFY(!forms::main->PrintBook->statusTip().isEmpty());
        QVERIFY(forms::main->PopupMenu1->actions().contains(forms::main->ContactCode));
        QCOMPARE(forms::main->ContactCode->text(), QStringLiteral("二维码名片..."));
    }

    void previewPrintsTheListedRowsWithItsOptions()
    {
        forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("李"), false);
        QCOMPARE(forms::main->ListView1->count(), 2);
        const QString pdf = m_out.filePath(QStringLiteral("名单"));
        platform::Pickers::setSaveFileAnswer([pdf] { return pdf; });
        PromptRecorder prompts;
        int pages = 0;
        bool namesFixed = false;
        QWidget* preview = driveModal(
            QStringLiteral("PhoneListPreview"), [] { forms::main->PrintBook->trigger(); },
            [&](QWidget* w) {
                auto* p = static_cast<print::PhoneListPreview*>(w);
                pages = p->pageCount();
                namesFixed = !p->Columns[0]->isEnabled() && p->Columns[0]->isChecked();
                p->Grouping->setCurrentIndex(2);
                p->Columns[5]->setChecked(true);
                p->findChild<QPrintPreviewWidget*>()->setLandscapeOrientation();
                QTest::mouseClick(p->SavePdf, Qt::LeftButton);
            });
        QVERIFY(preview);
        QCOMPARE(pages, 1);
        QVERIFY(namesFixed);
        QVERIFY2(prompts.last().text.startsWith(QStringLiteral("通讯录已保存为PDF文件（共1页）")),
                 qPrintable(prompts.last().text));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is missing (scripts/deps.sh installs it)");
        QProcess text;
        text.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf + QStringLiteral(".pdf"),
                               QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(printed.contains(QStringLiteral("李四")) && printed.contains(QStringLiteral("李小龙")),
                 qPrintable(printed));
        QVERIFY(!printed.contains(QStringLiteral("张三")));
        QVERIFY(printed.contains(QStringLiteral("\nL\n")));
        QVERIFY(printed.contains(QStringLiteral("备注")));
        QProcess info;
        info.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {pdf + QStringLiteral(".pdf")});
        QVERIFY(info.waitForFinished(60000));
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)"))
                                                 .match(QString::fromUtf8(info.readAllStandardOutput()));
        QVERIFY(size.captured(1).toDouble() > size.captured(2).toDouble()); // landscape, as the preview showed it
    }

    void codeWindowFromTheListAndFromTheBrowser()
    {
        PromptRecorder prompts;
        forms::main->ContactCode->trigger(); // nothing selected yet
        QCOMPARE(prompts.last().text, QStringLiteral("请先选择一个记录!"));
        saveCodeAndEscape([] { forms::main->ContactCode->trigger(); }, m_out.filePath(QStringLiteral("a.png")));

        const QString fromBrowser = m_out.filePath(QStringLiteral("b"));
        const QWidget* browser = driveModal(
            QStringLiteral("list"), [] { forms::main->N40Click(); },
            [&](QWidget*) {
                saveCodeAndEscape(
                    [] {
                        QTest::mouseClick(forms::list->findChild<QPushButton*>(QStringLiteral("Button8")),
                                          Qt::LeftButton);
                    },
                    fromBrowser + QStringLiteral(".png"));
            });
        QVERIFY(browser);
        // Nothing is written into the program directory, where it could replace the user's data.
        platform::Pickers::setSaveFileAnswer([this] { return m_dir->file(QStringLiteral("photo/张三.png")); });
        driveModal(
            QStringLiteral("ContactCodeWindow"), [] { forms::main->ContactCode->trigger(); },
            [](QWidget* w) {
                QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("SaveButton")), Qt::LeftButton);
            });
        QVERIFY(prompts.last().text.startsWith(QStringLiteral("不能把文件写在程序目录中")));
        QVERIFY(!QFile::exists(m_dir->file(QStringLiteral("photo/张三.png"))));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
