// Import and export from the main window: where the commands sit, what an import stores and reports, and that an
// export writes the rows the list shows.
#include "app/Program.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "search/Tfind.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestExchange : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

    QString file(const char* name, const QByteArray& bytes)
    {
        const QString path = m_dir->file(QString::fromUtf8(name));
        return m_dir->write(QString::fromUtf8(name), bytes) ? path : QString();
    }

    // Imports through the window: the file, then the choice for contacts the book has; true when it was asked.
    bool import(const QString& path, bool fillBlanks)
    {
        platform::Pickers::setOpenFileAnswer([path] { return path; });
        bool defaultSkip = false;
        const QWidget* asked = driveModal(
            QStringLiteral("ImportOptions"), [] { forms::main->ImportContacts->trigger(); },
            [&](QWidget* w) {
                defaultSkip = w->findChild<QRadioButton*>(QStringLiteral("SkipExisting"))->isChecked();
                if (fillBlanks)
                    w->findChild<QRadioButton*>(QStringLiteral("FillBlanks"))->click();
                // Enter imports, as the 导入 button does.
                QTest::sendKeyEvent(QTest::Click, w->focusWidget(), Qt::Key_Return, QStringLiteral("\r"),
                                    Qt::NoModifier);
            });
        return asked && defaultSkip;
    }

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        QVERIFY(Program::start(m_dir->path()));
    }
    void cleanup()
    {
        Program::shutdown();
        platform::Pickers::setOpenFileAnswer({});
        platform::Pickers::setSaveFileAnswer({});
        m_dir.reset();
    }

    void commandsFollowTheStatistics()
    {
        const QList<QAction*> items = qobject_cast<QWidget*>(forms::main->N39->parent())->actions();
        const qsizetype at = items.indexOf(forms::main->N39);
        QVERIFY(items.at(at + 1)->isSeparator());
        QCOMPARE(items.at(at + 2), forms::main->ImportContacts);
        QCOMPARE(items.at(at + 3), forms::main->ExportContacts);
        QCOMPARE(forms::main->ImportContacts->text(), QStringLiteral("导入联系人(&M)..."));
        QCOMPARE(forms::main->ExportContacts->text(), QStringLiteral("导出联系人(&O)..."));
        QVERIFY(!forms::main->ImportContacts->statusTip().isEmpty());
        QVERIFY(!forms::main->ExportContacts->statusTip().isEmpty());
    }

    void importStoresListsAndReports()
    {
        const QString cards = file("cards.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王五\r\nTEL;TYPE=CELL:13912345678\r\n"
                                                "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nEND:VCARD\r\n");
        PromptRecorder prompts;
        QVERIFY(import(cards, false));
        QCOMPARE(prompts.count(), 1);
        QVERIFY2(prompts.last().text.startsWith(QStringLiteral("已导入1个联系人，跳过1个")),
                 qPrintable(prompts.last().text));
        QVERIFY(prompts.last().text.contains(QStringLiteral("张三")));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 3);
        QTRY_COMPARE(forms::main->ListView1->count(), 3);
        QCOMPARE(forms::main->ListView1->model()->caption(0), QStringLiteral("王五"));
        QCOMPARE(forms::main->Button1->text(), QStringLiteral("1"));
    }

    void refusedFileStoresNothing()
    {
        const QString open = file("open.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王五\r\n");
        PromptRecorder prompts;
        QVERIFY(import(open, false));
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().caption, QStringLiteral("失败"));
        QVERIFY(prompts.last().text.contains(QStringLiteral("第1行")));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 2);
    }

    // Chosen in the import window, an import fills what the book's record has blank, and the list shows it.
    void importFillsBlanksWhenChosen()
    {
        const QString cards = file("fill.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nTEL;TYPE=CELL:13800000000\r\n"
                                               "ADR:;;迎泽大街1号;太原市;;;\r\nEND:VCARD\r\n");
        PromptRecorder prompts;
        QVERIFY(import(cards, true));
        QCOMPARE(prompts.count(), 1);
        QVERIFY2(prompts.last().text.contains(QStringLiteral("补充的项目：\n张三（第1行）：住址")),
                 qPrintable(prompts.last().text));
        QCOMPARE(m_dir->value(QStringLiteral("select 住址||手机 from main where 姓名='张三'")),
                 QStringLiteral("太原市迎泽大街1号13012345678"));
        const auto listedAddress = [] {
            const RecordModel* model = forms::main->ListView1->model();
            for (int i = 0; i < model->count(); ++i) {
                if (model->caption(i) == QStringLiteral("张三"))
                    return model->row(i).cells[5];
            }
            return QString();
        };
        QTRY_COMPARE(listedAddress(), QStringLiteral("太原市迎泽大街1号"));
    }

    void exportWritesTheListedRows()
    {
        forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("李"), false);
        QCOMPARE(forms::main->ListView1->count(), 1);
        const QString target = m_dir->file(QStringLiteral("out"));
        platform::Pickers::setSaveFileAnswer([target] { return target; });
        PromptRecorder prompts;
        forms::main->ExportContacts->trigger();
        QCOMPARE(prompts.last().text, QStringLiteral("已导出1个联系人。"));
        // Without an extension the file becomes a vCard file.
        const QByteArray written = m_dir->read(QStringLiteral("out.vcf"));
        QVERIFY(written.contains("FN:李四"));
        QVERIFY(!written.contains("张三"));
        // The file type chosen in the dialog gives the extension; a file of that name is replaced only when agreed.
        platform::Pickers::setSaveFileAnswer([target] { return target; }, QStringLiteral("CSV表格 (*.csv)"));
        forms::main->ExportContacts->trigger();
        QVERIFY(m_dir->read(QStringLiteral("out.csv")).contains("李四"));
        prompts.clear();
        QVERIFY(m_dir->write(QStringLiteral("out.csv"), "keep"));
        forms::main->ExportContacts->trigger();
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().text, QStringLiteral("文件“out.csv”已经存在。要替换它吗？"));
        QCOMPARE(m_dir->read(QStringLiteral("out.csv")), QByteArray("keep"));
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
