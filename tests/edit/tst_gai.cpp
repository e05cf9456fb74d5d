// The modify window, opened by the main window's modify command in a started program: preparation, the save
// checks in order, cleaning, what lands in the table and the list, photos, and cancelling.
#include "app/Program.h"
#include "edit/FieldRules.h"
#include "edit/Photos.h"
#include "edit/Tgai.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QUuid>
#include <QtTest>

#include <functional>
#include <memory>

using Fields = QMap<QString, QString>;

class TestGai : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;
    Tgai* m_gai = nullptr; // the window while a test drives it

    template <typename T = QLineEdit>
    T* c(const char* name) const
    {
        T* w = m_gai->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void click(const char* name) const { QTest::mouseClick(c<QWidget>(name), Qt::LeftButton); }
    void retype(const char* name, const QString& text) const
    {
        c(name)->clear();
        typeText(c(name), text);
    }
    static QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }
    QImage picture(const char* name) const { return rgb(c<QLabel>(name)->pixmap().toImage()); }

    // The record as table main holds it, read over a connection of the test's own.
    Fields record(const QString& name) const
    {
        Fields fields;
        const QString connection = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(m_dir->file(QStringLiteral("call.mdb")));
            QSqlQuery q(db);
            if (db.open() && q.prepare(QStringLiteral("select * from main where 姓名=:n"))) {
                q.bindValue(QStringLiteral(":n"), name);
                if (q.exec() && q.next()) {
                    for (int i = 0; i < q.record().count(); ++i)
                        fields[q.record().fieldName(i)] = q.value(i).toString();
                }
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return fields;
    }
    QStringList listRow(int row) const
    {
        const auto& cells = forms::main->ListView1->model()->row(row).cells;
        return QStringList(cells.begin(), cells.end());
    }
    void start()
    {
        QVERIFY(Program::start(m_dir->path()));
        forms::main->ListView1->selectRow(0);
    }

    // Runs the modify command with `drive` inside the modal window, which is closed afterwards in any case.
    void modify(const std::function<void()>& drive)
    {
        const QWidget* opened = driveModal(
            QStringLiteral("gai"), [] { forms::main->N7Click(); },
            [&](QWidget* window) {
                m_gai = qobject_cast<Tgai*>(window);
                if (m_gai)
                    drive();
            });
        QVERIFY2(opened, "the modify window did not open");
        QVERIFY(m_gai);
        QVERIFY(!forms::gai->isVisible());
        QVERIFY(!forms::gai->ago.isOpen());
    }
    // Saves and expects the window to stay open with this message, the focus on `focus`.
    void refused(const QString& message, const char* focus) const
    {
        m_prompts->clear();
        click("Button1");
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(m_prompts->last().text, message);
        QVERIFY(m_gai->isVisible());
        if (focus)
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>(focus));
    }
    void saved() const
    {
        m_prompts->clear();
        click("Button1");
        QVERIFY2(m_prompts->count() == 0, qPrintable(m_prompts->last().text));
        QVERIFY(!m_gai->isVisible());
    }
    QString jpeg(const QString& name, const QColor& colour) const
    {
        QImage image(60, 80, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir->file(name);
        return image.save(path, "JPG") ? path : QString();
    }

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        m_prompts = std::make_unique<PromptRecorder>();
    }

    void cleanup()
    {
        platform::Pickers::setPictureAnswer({});
        Program::shutdown();
        m_gai = nullptr;
        m_prompts.reset();
        m_dir.reset();
    }

    void saveStoresCleanedValuesAndUpdatesTheListRow()
    {
        QVERIFY(m_dir->exec({QStringLiteral("update main set 生月=3, 生日=15 where 姓名='张三'")}));
        start();
        QSignalSpy summary(forms::main->Timer7, &QTimer::timeout);
        modify([&] {
            QCOMPARE(forms::gai->GroupBox1->title(), QStringLiteral("张三/资料信息"));
            QVERIFY(!c<QPushButton>("Button1")->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>("DBEdit1"));
            QVERIFY(c<QRadioButton>("RadioButton1")->isChecked());
            QCOMPARE(c("DBEdit7")->text(), QStringLiteral("3"));
            QCOMPARE(c("Edit1")->text(), QStringLiteral("no.bmp"));
            QCOMPARE(c("Edit2")->text(), QStringLiteral("no"));
            QVERIFY(c<QWidget>("Panel2")->isHidden());

            retype("DBEdit1", QStringLiteral(" 同事 "));
            QVERIFY(c<QPushButton>("Button1")->isEnabled());
            retype("DBEdit2", QStringLiteral("0351-7654321 "));
            retype("DBEdit6", QStringLiteral("  "));
            saved();
        });
        const Fields r = record(QStringLiteral("张三"));
        QCOMPARE(r["关系"], QStringLiteral("同事"));
        QCOMPARE(r["电话"], QStringLiteral("0351-7654321"));
        QCOMPARE(r["备注"], QStringLiteral(" "));
        QCOMPARE(r["生月"] + "/" + r["生日"], QStringLiteral("3/15"));
        QCOMPARE(r["性别"], QStringLiteral("男"));
        QCOMPARE(r["照片"], QStringLiteral("no.bmp"));
        QCOMPARE(r["登记时间"], QStringLiteral("2026年12月01日"));
        QCOMPARE(listRow(0), (QStringList{"张三", "同事", "0351-7654321", "13012345678", " ", " "}));
        QTRY_VERIFY(summary.count() > 0);
    }

    void checksRunInOrderAndCleanBeforeRefusing()
    {
        start();
        const QString me = jpeg(QStringLiteral("me.jpg"), Qt::red);
        platform::Pickers::setPictureAnswer([me] { return me; });
        modify([&] {
            click("Image1");
            QVERIFY(c<QWidget>("Panel2")->isVisible());
            QVERIFY(c<QPushButton>("Button1")->isEnabled());
            refused(QStringLiteral("请选择照片!"), nullptr);
            click("Button3");
            click("Button5");
            QVERIFY(c<QWidget>("Panel2")->isHidden());

            // The stored blanks count as filled until the user clicks into them.
            click("DBEdit2");
            QCOMPARE(c("DBEdit2")->text(), QString());
            click("DBEdit4");
            c("DBEdit3")->clear();
            refused(QStringLiteral("电话、手机、小灵至少要填一个吧！"), "DBEdit2");
            QVERIFY(!QFile::exists(m_dir->file("photo/张三.jpg")));
            typeText(c("DBEdit3"), QStringLiteral("139"));

            retype("DBEdit7", QStringLiteral("13"));
            retype("DBEdit8", QStringLiteral("1"));
            refused(QStringLiteral("月份不能大于12！"), "DBEdit7");
            // The confirmed photo is already the contact's.
            QCOMPARE(m_dir->read("photo/张三.jpg"), m_dir->read("me.jpg"));

            retype("DBEdit7", QStringLiteral("12"));
            retype("DBEdit8", QStringLiteral("32"));
            refused(QStringLiteral("月日不能大于31！"), "DBEdit8");

            retype("DBEdit7", QStringLiteral("abc"));
            refused(FieldRules::numberLead() + QStringLiteral("\n'abc' is not a valid integer value"), nullptr);
            QCOMPARE(m_prompts->last().icon, QMessageBox::Critical);

            // A half birthday is cleaned before the sex check refuses.
            retype("DBEdit7", QStringLiteral("5"));
            c("DBEdit8")->clear();
            retype("DBEdit9", QStringLiteral(" 男"));
            refused(QStringLiteral("性别只能是男或女！"), "DBEdit9");
            QCOMPARE(c("DBEdit9")->text(), QString());
            QCOMPARE(c("DBEdit7")->text() + "/" + c("DBEdit8")->text(), QStringLiteral("0/0"));
            QCOMPARE(record(QStringLiteral("张三"))["手机"], QStringLiteral("13012345678"));

            typeText(c("DBEdit9"), QStringLiteral("女"));
            saved();
        });
        const Fields r = record(QStringLiteral("张三"));
        QCOMPARE(r["性别"], QStringLiteral("女"));
        QCOMPARE(r["手机"], QStringLiteral("139"));
        QCOMPARE(r["电话"], QStringLiteral(" "));
        QCOMPARE(r["照片"], QStringLiteral("张三.jpg"));
    }

    void editingAids()
    {
        QVERIFY(m_dir->exec({QStringLiteral("update main set 性别=' ' where 姓名='张三'")}));
        start();
        modify([&] {
            QVERIFY(!c<QRadioButton>("RadioButton1")->isChecked() && !c<QRadioButton>("RadioButton2")->isChecked());
            // A blank field is emptied by a click; a filled one is not.
            click("DBEdit1");
            QCOMPARE(c("DBEdit1")->text(), QStringLiteral("朋友"));
            QVERIFY(!c<QPushButton>("Button1")->isEnabled());
            click("DBEdit5");
            QCOMPARE(c("DBEdit5")->text(), QString());
            QVERIFY(c<QPushButton>("Button1")->isEnabled());

            // Enter moves on like Tab (the month's "0" is emptied on entry), Shift+Enter goes back; with no sex
            // chosen the radio pair is passed by.
            c<QPushButton>("Button1")->setEnabled(false);
            c("DBEdit1")->setFocus();
            QTest::keyClick(c("DBEdit1"), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>("DBEdit7"));
            QCOMPARE(c("DBEdit7")->text(), QString());
            QVERIFY(c<QPushButton>("Button1")->isEnabled());
            QTest::keyClick(c("DBEdit7"), Qt::Key_Enter);
            QTest::keyClick(c("DBEdit8"), Qt::Key_Return);
            QTest::keyClick(c("DBEdit2"), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>("DBEdit9"));
            QCOMPARE(c("DBEdit9")->text(), QStringLiteral(" "));
            QTest::keyClick(c("DBEdit9"), Qt::Key_Return, Qt::ShiftModifier);
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>("DBEdit2"));

            // Choosing a radio button writes the sex field.
            click("RadioButton2");
            QCOMPARE(c("DBEdit9")->text(), QStringLiteral("女"));
            QVERIFY(c<QRadioButton>("RadioButton2")->isChecked());
            QTest::keyClick(c<QWidget>("RadioButton2"), Qt::Key_Left);
            QTRY_COMPARE(c("DBEdit9")->text(), QStringLiteral("男"));
            QVERIFY(c<QRadioButton>("RadioButton1")->isChecked());
            // Now that one is chosen, Enter stops on it.
            c("DBEdit2")->setFocus();
            QTest::keyClick(c("DBEdit2"), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), c<QWidget>("RadioButton1"));
            typeText(c("DBEdit9"), QStringLiteral("x"));
            QVERIFY(c<QRadioButton>("RadioButton1")->isChecked());
            retype("DBEdit9", QStringLiteral("女"));
            QVERIFY(c<QRadioButton>("RadioButton2")->isChecked());
            saved();
        });
        const Fields r = record(QStringLiteral("张三"));
        QCOMPARE(r["性别"] + r["住址"] + r["生月"] + r["生日"], QStringLiteral("女 00"));
    }

    void cancellingKeepsRecordAndList()
    {
        start();
        const QStringList before = listRow(0);
        const Fields stored = record(QStringLiteral("张三"));
        for (int way = 0; way < 3; ++way) {
            modify([&] {
                retype("DBEdit1", QStringLiteral("同学"));
                retype("DBEdit3", QStringLiteral("1"));
                if (way == 0)
                    QTest::keyClick(c("DBEdit3"), Qt::Key_Escape);
                else if (way == 1)
                    click("Button2");
                else
                    m_gai->close();
                QVERIFY(!m_gai->isVisible());
            });
            QCOMPARE(record(QStringLiteral("张三")), stored);
            QCOMPARE(listRow(0), before);
        }
    }

    void aRecordRemovedMeanwhileIsNotSaved()
    {
        start();
        modify([&] {
            retype("DBEdit1", QStringLiteral("同学"));
            QVERIFY(m_dir->exec({QStringLiteral("delete from main")}));
            click("Button1");
            QCOMPARE(m_prompts->count(), 1);
            // Asked whether to store it again; no answer of the three (a closed box) is a cancel.
            QCOMPARE(m_prompts->last().icon, QMessageBox::Question);
            QVERIFY(m_prompts->last().text.contains(QStringLiteral("已经被其他电脑删除了")));
            QVERIFY(m_gai->isVisible());
            QCOMPARE(forms::gai->ago.state(), store::Dataset::State::Edit);
        });
        QCOMPARE(listRow(0).at(1), QStringLiteral("朋友"));
    }

    void photoConfirmRemoveAndSecondConfirm()
    {
        start();
        const QString me = jpeg(QStringLiteral("me.jpg"), Qt::blue);
        QString answer;
        platform::Pickers::setPictureAnswer([&answer] { return answer; });
        modify([&] {
            const QImage placeholder = rgb(Photos::placeholder());
            QCOMPARE(picture("Image1"), placeholder);
            click("Image1");
            click("Button3"); // cancelled: nothing changes
            QCOMPARE(c("DBEdit10")->text(), QStringLiteral("no.bmp"));
            answer = me;
            click("Button3");
            QCOMPARE(c("DBEdit10")->text(), me);
            QCOMPARE(c("Edit1")->text(), QStringLiteral("me.jpg"));
            QVERIFY(picture("Image2").pixelColor(30, 40).blue() > 200);
            click("Button5");
            QCOMPARE(m_dir->read("photo/yes.jpg"), m_dir->read("me.jpg"));
            QCOMPARE(c("DBEdit10")->text(), QStringLiteral("张三.jpg"));
            QCOMPARE(c("Edit2")->text(), QStringLiteral("yes.jpg"));
            const QImage confirmed = picture("Image1");
            QVERIFY(confirmed.pixelColor(30, 40).blue() > 200);

            // Confirming again without picking keeps everything as the first confirmation left it.
            click("Image1");
            click("Button5");
            QCOMPARE(m_prompts->count(), 0);
            QVERIFY(c<QWidget>("Panel2")->isHidden());
            QCOMPARE(c("DBEdit10")->text(), QStringLiteral("张三.jpg"));
            QCOMPARE(m_dir->read("photo/yes.jpg"), m_dir->read("me.jpg"));
            QCOMPARE(picture("Image1"), confirmed);
            saved();
        });
        QCOMPARE(record(QStringLiteral("张三"))["照片"], QStringLiteral("张三.jpg"));
        QCOMPARE(m_dir->read("photo/张三.jpg"), m_dir->read("me.jpg"));

        // Opened again: the photo shows; removing it stores "no.bmp" and leaves the file.
        modify([&] {
            QVERIFY(picture("Image1").pixelColor(40, 50).blue() > 200);
            click("Image1");
            click("Button4");
            QVERIFY(c<QWidget>("Panel2")->isHidden());
            QCOMPARE(picture("Image1"), rgb(Photos::placeholder()));
            QCOMPARE(picture("Image2"), rgb(Photos::placeholder()));
            QCOMPARE(c("Edit1")->text(), QStringLiteral("no.bmp"));
            QCOMPARE(c("Edit2")->text(), QStringLiteral("no"));
            saved();
        });
        QCOMPARE(record(QStringLiteral("张三"))["照片"], QStringLiteral("no.bmp"));
        QVERIFY(QFile::exists(m_dir->file("photo/张三.jpg")));
    }

    void photoRefusals()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("yes")));
        start();
        QVERIFY(QFile::copy(jpeg(QStringLiteral("x.jpg"), Qt::green), m_dir->file("my.photo.jpg")));
        QVERIFY(m_dir->write("junk.jpg", QByteArray(3000, 'j')));
        QString answer;
        platform::Pickers::setPictureAnswer([&answer] { return answer; });
        modify([&] {
            click("Image1");
            answer = m_dir->file("junk.jpg");
            click("Button3");
            QCOMPARE(m_prompts->count(), 1);
            QCOMPARE(m_prompts->last().icon, QMessageBox::Critical);
            QCOMPARE(c("DBEdit10")->text(), QStringLiteral("no.bmp"));

            answer = m_dir->file("my.photo.jpg");
            click("Button3");
            click("Button5");
            QCOMPARE(m_prompts->last().text, Photos::extensionMessage(QStringLiteral("my.photo.jpg")));
            QCOMPARE(m_prompts->last().caption, QStringLiteral("Velloranv4.0"));
            QVERIFY(c<QWidget>("Panel2")->isVisible());
            QCOMPARE(c("Edit2")->text(), QStringLiteral("no"));
        });
        // A contact named "yes" would overwrite the staging file.
        const QByteArray staged = "staged";
        QVERIFY(m_dir->write("photo/yes.jpg", staged));
        forms::main->ListView1->selectRow(0);
        QCOMPARE(forms::main->ListView1->model()->caption(0), QStringLiteral("yes"));
        modify([&] {
            click("Image1");
            answer = m_dir->file("x.jpg");
            click("Button3");
            m_prompts->clear();
            click("Button5");
            QCOMPARE(m_prompts->last().text, Photos::reservedNameMessage(QStringLiteral("yes.jpg")));
            QCOMPARE(c("DBEdit10")->text(), answer);
            click("Button4");
            retype("DBEdit1", QStringLiteral("同学"));
            saved();
        });
        QCOMPARE(m_dir->read("photo/yes.jpg"), staged);
        QCOMPARE(record(QStringLiteral("yes"))["照片"], QStringLiteral("no.bmp"));
    }

    void photoCopyFailuresAreReported()
    {
        start();
        const QString me = jpeg(QStringLiteral("me.jpg"), Qt::blue);
        platform::Pickers::setPictureAnswer([me] { return me; });
        modify([&] {
            // Staging needs photo/: without it the confirmation is refused, not taken for done.
            QVERIFY(QDir(m_dir->file("photo")).removeRecursively());
            click("Image1");
            click("Button3");
            click("Button5");
            QCOMPARE(m_prompts->count(), 1);
            QCOMPARE(m_prompts->last().icon, QMessageBox::Critical);
            QCOMPARE(c("Edit2")->text(), QStringLiteral("no"));
            QVERIFY(c<QWidget>("Panel2")->isVisible());

            // Staged, then the staging file vanishes: the save stops before anything is stored.
            QVERIFY(QDir().mkpath(m_dir->file("photo")));
            click("Button5");
            QVERIFY(QFile::remove(m_dir->file("photo/yes.jpg")));
            m_prompts->clear();
            click("Button1");
            QCOMPARE(m_prompts->count(), 1);
            QVERIFY(m_prompts->last().text.startsWith(Photos::copyFailedMessage(QStringLiteral("张三.jpg")) + u'\n'));
            QVERIFY(m_gai->isVisible());
        });
        QCOMPARE(record(QStringLiteral("张三"))["照片"], QStringLiteral("no.bmp"));
    }

    void missingPhotoAndPlaceholderFiles()
    {
        QVERIFY(m_dir->exec({QStringLiteral("update main set 照片='李四.jpg' where 姓名='张三'")}));
        start();
        modify([&] {
            QCOMPARE(picture("Image1"), rgb(Photos::placeholder()));
            retype("DBEdit1", QStringLiteral("同学"));
            saved();
        });
        QCOMPARE(record(QStringLiteral("张三"))["照片"], QStringLiteral("李四.jpg"));
        QVERIFY(QFile::remove(m_dir->file("photo/no.bmp")));
        modify([&] { QCOMPARE(picture("Image2"), rgb(Photos::drawnPlaceholder())); });
    }

    void modifyCommandNeedsOneSelectedRow()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        start();
        RecordListView* list = forms::main->ListView1;
        list->clearSelection();
        forms::main->N7Click();
        QCOMPARE(m_prompts->last().text, QStringLiteral("请先选择一个记录!"));
        QCOMPARE(list->selectedRows(), QList<int>{0});

        m_prompts->clear();
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(list->selectedCount(), 2);
        forms::main->N7Click();
        QCOMPARE(m_prompts->count(), 0);
        QVERIFY(!forms::gai->isVisible());

        list->model()->clear();
        forms::main->N7Click();
        QCOMPARE(m_prompts->last().text, QStringLiteral("没有记录，请添加！"));
    }
};

QTEST_MAIN(TestGai)
#include "tst_gai.moc"
