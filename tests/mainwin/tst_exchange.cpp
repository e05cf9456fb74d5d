// Import and export from the main window: where the commands sit, what an import stores and reports, and that an
// export writes the rows the list shows.
#include "app/Program.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "search/Tfind.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
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
        const QList<QAction*> items = forms::main->N39->parentWidget()->actions();
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
        platform::Pickers::setOpenFileAnswer([cards] { return cards; });
        PromptRecorder prompts;
        forms::main->ImportContacts->trigger();
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
        platform::Pickers::setOpenFileAnswer([open] { return open; });
        PromptRecorder prompts;
        forms::main->ImportContacts->trigger();
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().caption, QStringLiteral("失败"));
        QVERIFY(prompts.last().text.contains(QStringLiteral("第1行")));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 2);
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
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
