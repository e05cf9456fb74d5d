// The add window against a real program directory: the save checks and their order, the key filters, what a
// save stores and shows in the main list, cancelling, and the photo panel with real picture files.
#include "app/Program.h"
#include "edit/FieldRules.h"
#include "edit/Photos.h"
#include "edit/Tadd.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/Beep.h"
#include "platform/Clock.h"
#include "platform/Pickers.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <functional>
#include <memory>

namespace {

template <typename T> T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}
QLineEdit* edit(QWidget* w, const char* name)
{
    return child<QLineEdit>(w, name);
}
QComboBox* combo(QWidget* w, const char* name)
{
    return child<QComboBox>(w, name);
}

void click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QWidget*>(QString::fromLatin1(name)), Qt::LeftButton);
}

void replaceText(QComboBox* box, const QString& text)
{
    box->lineEdit()->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    typeText(box, text);
}

void paste(QWidget* target, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
}

} // namespace

class TestAdd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_pictures;

    // Opens the add window with the add command and runs drive on it; the window is closed afterwards even when
    // a check inside drive failed. Returns false when no add window came up.
    bool withAddWindow(const std::function<void(QWidget*)>& drive)
    {
        return driveModal(QStringLiteral("add"), [] { forms::main->N5Click(); }, drive) != nullptr;
    }

    // One stored contact, its fields joined by "|" in table order; empty when there is none.
    QString stored(const QString& name) const
    {
        QStringList fields;
        const QString connection = QStringLiteral("check-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(m_dir->file(QStringLiteral("call.mdb")));
            QSqlQuery q(db);
            if (db.open() && q.prepare(QStringLiteral("select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,"
                                                      "登记时间 from main where 姓名=:n"))) {
                q.bindValue(QStringLiteral(":n"), name);
                if (q.exec() && q.next()) {
                    for (int i = 0; i < 12; ++i)
                        fields.append(q.value(i).toString());
                }
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return fields.join(QLatin1Char('|'));
    }

    QString photoOf(const QString& name) const { return stored(name).section(QLatin1Char('|'), 10, 10); }

    QString lastSummaryLine() const { return forms::main->Memo3->toPlainText().split(QLatin1Char('\n')).last(); }

    QString picture(const QString& fileName) const { return m_pictures->filePath(fileName); }

    static QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Name and a mobile number, enough for a record that passes every check.
    static void fillMinimal(QWidget* w, const QString& name)
    {
        typeText(edit(w, "DBEdit1"), name);
        typeText(edit(w, "DBEdit7"), QStringLiteral("13012345678"));
    }

private Q_SLOTS:
    void init()
    {
        platform::Clock::setNow(QDateTime(QDate(2008, 3, 7), QTime(10, 0)));
        platform::Beep::resetCount();
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        QVERIFY(Program::start(m_dir->path()));
        QVERIFY(forms::add);

        m_pictures = std::make_unique<QTemporaryDir>();
        QImage image(40, 50, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 6, y * 5, (x * y) % 256));
        }
        QVERIFY(image.save(picture(QStringLiteral("me.jpg")), "JPG"));
        QVERIFY(image.save(picture(QStringLiteral("pic.png")), "PNG"));
        QVERIFY(image.save(picture(QStringLiteral("my.photo.jpg")), "JPG"));
        QVERIFY(image.save(picture(QStringLiteral("big.jpeg")), "JPG"));
        QFile broken(picture(QStringLiteral("broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(bytes(picture(QStringLiteral("me.jpg"))).left(120)); // ends inside the header
        QFile half(picture(QStringLiteral("half.jpg")));
        QVERIFY(half.open(QIODevice::WriteOnly));
        half.write(bytes(picture(QStringLiteral("me.jpg"))).chopped(300)); // ends inside the picture data
    }

    void cleanup()
    {
        platform::Pickers::setPictureAnswer({});
        Program::shutdown();
        m_pictures.reset();
        m_dir.reset();
        platform::Clock::reset();
    }

    void showingPreparesTheDefaults()
    {
        PromptRecorder prompts;
        QVERIFY(withAddWindow([&](QWidget* w) {
            QCOMPARE(combo(w, "DBComboBoxEh1")->currentText(), QStringLiteral("朋友"));
            QCOMPARE(edit(w, "DBEdit6")->text(), QStringLiteral("2008年03月07日"));
            QCOMPARE(edit(w, "DBEdit8")->text(), QStringLiteral("男"));
            QCOMPARE(edit(w, "DBEdit9")->text(), QStringLiteral("no.bmp"));
            QVERIFY(child<QRadioButton>(w, "x1")->isChecked());
            QVERIFY(child<QRadioButton>(w, "RadioButton3")->isChecked());
            QVERIFY(combo(w, "DBComboBoxEh2")->isHidden());
            QVERIFY(child<QFrame>(w, "Panel2")->isHidden());
            QVERIFY(!child<QPushButton>(w, "Button2")->isEnabled());
            QCOMPARE(w->focusWidget(), edit(w, "DBEdit1"));
            // The focused field stands out in the tooltip colour.
            QCOMPARE(edit(w, "DBEdit1")->palette().color(QPalette::Base),
                     QApplication::palette().color(QPalette::ToolTipBase));

            // Sex and birthday do not make the record worth saving; a typed field does.
            QTest::mouseClick(child<QRadioButton>(w, "x2"), Qt::LeftButton);
            QCOMPARE(edit(w, "DBEdit8")->text(), QStringLiteral("女"));
            QVERIFY(!child<QPushButton>(w, "Button2")->isEnabled());
            typeText(edit(w, "DBEdit4"), QStringLiteral("太原"));
            QVERIFY(child<QPushButton>(w, "Button2")->isEnabled());
        }));
        QCOMPARE(prompts.count(), 0);
    }

    void saveChecksRunInOrderAndStoreNothing()
    {
        PromptRecorder prompts;
        QVERIFY(withAddWindow([&](QWidget* w) {
            auto refusedWith = [&](const QString& text, QWidget* focus) {
                prompts.clear();
                click(w, "Button2");
                QCOMPARE(prompts.count(), 1);
                QCOMPARE(prompts.last().text, text);
                QCOMPARE(prompts.last().caption, QStringLiteral("提示"));
                QCOMPARE(prompts.last().icon, QMessageBox::Information);
                if (focus)
                    QCOMPARE(w->focusWidget(), focus);
                QVERIFY(w->isVisible());
            };
            QLineEdit* name = edit(w, "DBEdit1");
            typeText(edit(w, "DBEdit4"), QStringLiteral("地址"));

            // 1: the photo panel is open, before everything else (the name is still empty). Saved with Alt+A,
            // the focus stays where it was.
            child<QCheckBox>(w, "CheckBox1")->setChecked(true);
            edit(w, "DBEdit4")->setFocus();
            QTest::keyClick(edit(w, "DBEdit4"), Qt::Key_A, Qt::AltModifier);
            QTRY_COMPARE(prompts.count(), 1); // a mnemonic presses the button after a short animation
            QCOMPARE(prompts.last().text, QStringLiteral("请选择照片!"));
            QCOMPARE(w->focusWidget(), edit(w, "DBEdit4"));
            child<QCheckBox>(w, "CheckBox1")->setChecked(false);

            // 2: no name.
            refusedWith(QStringLiteral("姓名必须填写!"), name);

            // Pasted text is not filtered while typing, so the save refuses it.
            paste(name, QStringLiteral("a/b"));
            QCOMPARE(name->text(), QStringLiteral("a/b"));
            refusedWith(QStringLiteral("姓名中不能含有特殊字符！"), name);
            name->clear();
            paste(name, QStringLiteral("tab\there"));
            refusedWith(QStringLiteral("姓名中不能含有特殊字符！"), name);

            // 3: a name that exists, also when typed with a blank after it.
            name->clear();
            typeText(name, QStringLiteral("李四 "));
            refusedWith(QStringLiteral("这个人的记录已经有了！"), name);

            // 4: no telephone of any kind.
            name->clear();
            typeText(name, QStringLiteral("王五"));
            refusedWith(QStringLiteral("电话、手机、小灵通至少要写一个吧！"), edit(w, "DBEdit2"));
            typeText(edit(w, "DBEdit3"), QStringLiteral("1234"));

            // 5 and 6: the birthday's upper bounds.
            QTest::mouseClick(child<QRadioButton>(w, "RadioButton4"), Qt::LeftButton);
            QTRY_VERIFY(combo(w, "DBComboBoxEh2")->isVisible());
            replaceText(combo(w, "DBComboBoxEh2"), QStringLiteral("13"));
            replaceText(combo(w, "DBComboBoxEh3"), QStringLiteral("32"));
            refusedWith(QStringLiteral("月份不能大于12！"), combo(w, "DBComboBoxEh2"));
            replaceText(combo(w, "DBComboBoxEh2"), QStringLiteral("-1"));
            refusedWith(QStringLiteral("月日不能大于31！"), combo(w, "DBComboBoxEh3"));

            // A month that is no whole number: the default error report, nothing stored.
            replaceText(combo(w, "DBComboBoxEh2"), QString());
            prompts.clear();
            click(w, "Button2");
            QCOMPARE(prompts.count(), 1);
            QCOMPARE(prompts.last().text,
                     FieldRules::numberLead() + QStringLiteral("\n'' is not a valid integer value"));
            QCOMPARE(prompts.last().icon, QMessageBox::Critical);
            QVERIFY(w->isVisible());
        }));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 1);
    }

    void nameFilterRefusesTypedSpecialCharacters()
    {
        QVERIFY(withAddWindow([&](QWidget* w) {
            QLineEdit* name = edit(w, "DBEdit1");
            typeText(name, QStringLiteral("张/三."));
            QCOMPARE(name->text(), QStringLiteral("张三"));
            QCOMPARE(platform::Beep::count(), 2);
            typeText(name, QStringLiteral(" a-1"));
            QCOMPARE(name->text(), QStringLiteral("张三 a-1"));
            QCOMPARE(platform::Beep::count(), 2);
        }));
    }

    void telephoneFilterStopsAtItsMaximum()
    {
        QVERIFY(withAddWindow([&](QWidget* w) {
            QLineEdit* phone = edit(w, "DBEdit2");
            QVERIFY(!phone->testAttribute(Qt::WA_InputMethodEnabled));
            typeText(phone, QStringLiteral("0351-1234a5678x"));
            QCOMPARE(phone->text(), QStringLiteral("0351-12345678"));
            QCOMPARE(platform::Beep::count(), 2);

            // At 13 characters a digit and even Backspace beep and change nothing.
            QTest::keyClick(phone, Qt::Key_9);
            QTest::keyClick(phone, Qt::Key_Backspace);
            QCOMPARE(phone->text(), QStringLiteral("0351-12345678"));
            QCOMPARE(platform::Beep::count(), 4);
            // Delete types no character and still works.
            QTest::keyClick(phone, Qt::Key_Home);
            QTest::keyClick(phone, Qt::Key_Delete);
            QCOMPARE(phone->text(), QStringLiteral("351-12345678"));
            QTest::keyClick(phone, Qt::Key_Backspace);
            QTest::keyClick(phone, Qt::Key_End);
            QTest::keyClick(phone, Qt::Key_Backspace);
            QCOMPARE(phone->text(), QStringLiteral("351-1234567"));

            QLineEdit* mobile = edit(w, "DBEdit7");
            typeText(mobile, QStringLiteral("1301234567899"));
            QCOMPARE(mobile->text(), QStringLiteral("13012345678"));

            // Short-cuts are not typed characters: paste works in a telephone field.
            QLineEdit* third = edit(w, "DBEdit3");
            paste(third, QStringLiteral("0351 888"));
            QCOMPARE(third->text(), QStringLiteral("0351 888"));
            QTest::keyClick(third, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(third->text(), QString());
        }));
    }

    void enterMovesTheFocusAndEscDiscards()
    {
        const int rowsBefore = forms::main->ListView1->count();
        QVERIFY(withAddWindow([&](QWidget* w) {
            QLineEdit* name = edit(w, "DBEdit1");
            fillMinimal(w, QStringLiteral("王五"));
            name->setFocus();
            QTest::keyClick(name, Qt::Key_Return);
            QCOMPARE(w->focusWidget(), child<QWidget>(w, "x1"));
            QTest::keyClick(w->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier | Qt::ShiftModifier);
            QCOMPARE(w->focusWidget(), name);
            QCOMPARE(name->text(), QStringLiteral("王五"));
            // Enter in the last field never presses the save button.
            edit(w, "DBEdit5")->setFocus();
            QTest::keyClick(edit(w, "DBEdit5"), Qt::Key_Return);
            QCOMPARE(w->focusWidget(), child<QWidget>(w, "Button2"));
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
            QVERIFY(w->isVisible());

            // In a combo's open list Enter picks the item and Esc closes the list only.
            QComboBox* relation = combo(w, "DBComboBoxEh1");
            relation->setFocus();
            relation->showPopup();
            QTRY_VERIFY(relation->view()->isVisible());
            QTest::keyClick(relation->view(), Qt::Key_Down);
            QTest::keyClick(relation->view(), Qt::Key_Return);
            QTRY_VERIFY(!relation->view()->isVisible());
            QCOMPARE(relation->currentText(), QStringLiteral("同事"));
            QCOMPARE(w->focusWidget(), relation);
            relation->showPopup();
            QTRY_VERIFY(relation->view()->isVisible());
            QTest::keyClick(relation->view(), Qt::Key_Escape);
            QTRY_VERIFY(!relation->view()->isVisible());
            QVERIFY(w->isVisible());

            QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 1);
        QCOMPARE(forms::main->ListView1->count(), rowsBefore);
        QVERIFY(!forms::add->ajo.isOpen());
    }

    void saveStoresCleanedValuesAndExtendsTheList()
    {
        PromptRecorder prompts;
        forms::main->Button1->setText(QStringLiteral("0"));
        QVERIFY(withAddWindow([&](QWidget* w) {
            typeText(edit(w, "DBEdit1"), QStringLiteral("王五 "));
            replaceText(combo(w, "DBComboBoxEh1"), QStringLiteral("  同事 "));
            typeText(edit(w, "DBEdit7"), QStringLiteral("13912345678"));
            typeText(edit(w, "DBEdit5"), QStringLiteral("   "));
            click(w, "Button2");
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(stored(QStringLiteral("王五")),
                 QStringLiteral("王五|男|0|0|同事| |13912345678| | | |no.bmp|2008年03月07日"));

        // The new row goes to the end of the list, which is otherwise newest first.
        const RecordModel* model = forms::main->ListView1->model();
        QCOMPARE(model->count(), 2);
        QCOMPARE(model->row(1).cells,
                 (std::array<QString, 6>{QStringLiteral("王五"), QStringLiteral("同事"), QStringLiteral(" "),
                                         QStringLiteral("13912345678"), QStringLiteral(" "), QStringLiteral(" ")}));
        QCOMPARE(forms::main->Button1->text(), QStringLiteral("1"));
        QTRY_COMPARE(lastSummaryLine(), QStringLiteral("当前共有2条记录，按录入的先后排列顺序。"));

        // The relation is remembered for the next record; a blank one is stored as " " and changes nothing.
        // Choosing a birthday and leaving it untouched stores 1/1.
        QVERIFY(withAddWindow([&](QWidget* w) {
            QCOMPARE(combo(w, "DBComboBoxEh1")->currentText(), QStringLiteral("同事"));
            replaceText(combo(w, "DBComboBoxEh1"), QStringLiteral("  "));
            fillMinimal(w, QStringLiteral("赵六"));
            QTest::mouseClick(child<QRadioButton>(w, "x2"), Qt::LeftButton);
            QTest::mouseClick(child<QRadioButton>(w, "RadioButton4"), Qt::LeftButton);
            QTRY_COMPARE(w->focusWidget(), combo(w, "DBComboBoxEh2"));
            QCOMPARE(combo(w, "DBComboBoxEh2")->currentText(), QStringLiteral("1"));
            QVERIFY(child<QRadioButton>(w, "RadioButton4")->isHidden());
            click(w, "Button2");
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(stored(QStringLiteral("赵六")),
                 QStringLiteral("赵六|女|1|1| | |13012345678| | | |no.bmp|2008年03月07日"));
        QCOMPARE(forms::main->ListView1->model()->row(2).caption(), QStringLiteral("赵六"));

        // A birthday chosen and taken back with a click on "生日：" is no birthday.
        QVERIFY(withAddWindow([&](QWidget* w) {
            QCOMPARE(combo(w, "DBComboBoxEh1")->currentText(), QStringLiteral("同事"));
            fillMinimal(w, QStringLiteral("孙七"));
            QTest::mouseClick(child<QRadioButton>(w, "RadioButton4"), Qt::LeftButton);
            QTRY_VERIFY(combo(w, "DBComboBoxEh2")->isVisible());
            replaceText(combo(w, "DBComboBoxEh2"), QStringLiteral("5"));
            QTest::mouseClick(child<QLabel>(w, "Label9"), Qt::LeftButton);
            QVERIFY(combo(w, "DBComboBoxEh2")->isHidden());
            QVERIFY(child<QRadioButton>(w, "RadioButton3")->isChecked());
            click(w, "Button2");
        }));
        QVERIFY(stored(QStringLiteral("孙七")).startsWith(QStringLiteral("孙七|男|0|0|同事|")));
    }

    void postFailureKeepsTheRowPending()
    {
        // Another copy of the program stores the same name while this window is between its duplicate check and
        // its post; the reserved photo name message is that moment.
        QList<platform::PromptRequest> boxes;
        platform::Prompt::setHandler([&](const platform::PromptRequest& r) {
            boxes.append(r);
            if (r.text.startsWith(QStringLiteral("照片文件名")))
                m_dir->addContact(QStringLiteral("yes"));
            return QMessageBox::Ok;
        });
        platform::Pickers::setPictureAnswer([&] { return picture(QStringLiteral("me.jpg")); });
        QVERIFY(withAddWindow([&](QWidget* w) {
            fillMinimal(w, QStringLiteral("yes"));
            child<QCheckBox>(w, "CheckBox1")->setChecked(true);
            click(w, "Button3");
            click(w, "Button5");
            click(w, "Button2");
            QCOMPARE(boxes.size(), 2);
            QCOMPARE(boxes.last().text, QStringLiteral("这个人的记录已经有了！"));
            QCOMPARE(w->focusWidget(), edit(w, "DBEdit1"));
            QVERIFY(w->isVisible());
            QCOMPARE(forms::add->ajo.state(), store::Dataset::State::Append);

            // Any other refusal is reported as the database gives it.
            typeText(edit(w, "DBEdit1"), QStringLiteral("2"));
            QVERIFY(m_dir->exec({QStringLiteral("create trigger refuse before insert on main "
                                                "begin select raise(abort, 'disk refused'); end")}));
            click(w, "Button2");
            QCOMPARE(boxes.size(), 3);
            QCOMPARE(boxes.last().icon, QMessageBox::Critical);
            QVERIFY(boxes.last().text.contains(QStringLiteral("disk refused")));
            QVERIFY(w->isVisible());

            // The row is still pending: once the table takes rows again, the same save goes through.
            QVERIFY(m_dir->exec({QStringLiteral("drop trigger refuse")}));
            click(w, "Button2");
            QVERIFY(!w->isVisible());
        }));
        platform::Prompt::setHandler({});
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(forms::main->ListView1->count(), 2);
        QCOMPARE(photoOf(QStringLiteral("yes2")), QStringLiteral("yes2.jpg"));
    }

    void photoIsStagedAndCommittedUnderTheName()
    {
        PromptRecorder prompts;
        QString answer;
        platform::Pickers::setPictureAnswer([&] { return answer; });
        QVERIFY(withAddWindow([&](QWidget* w) {
            auto* box = child<QCheckBox>(w, "CheckBox1");
            auto* panel = child<QFrame>(w, "Panel2");
            QLineEdit* photo = edit(w, "DBEdit9");
            box->setChecked(true);
            QVERIFY(panel->isVisible());

            // Cancelling the dialog changes nothing.
            click(w, "Button3");
            QCOMPARE(photo->text(), QStringLiteral("no.bmp"));

            // Extensions are taken from the first dot and must be four characters long.
            for (const QString& refused : {QStringLiteral("my.photo.jpg"), QStringLiteral("big.jpeg")}) {
                answer = picture(refused);
                prompts.clear();
                click(w, "Button3");
                QCOMPARE(edit(w, "Edit1")->text(), refused);
                click(w, "Button5");
                QCOMPARE(prompts.count(), 1);
                QCOMPARE(prompts.last().text, QStringLiteral("源照片文件名（") + refused +
                                                  QStringLiteral("）中含有特殊字符“.”\n请更改源文件名，并重新添加！"));
                QCOMPARE(prompts.last().caption, QCoreApplication::applicationName());
                QCOMPARE(prompts.last().icon, QMessageBox::NoIcon);
                QVERIFY(panel->isVisible());
            }

            // A JPEG cut off in its picture data shows what there is; one cut off in its header cannot be read:
            // the error is told and the picture is not taken, as in the modify window.
            answer = picture(QStringLiteral("half.jpg"));
            prompts.clear();
            click(w, "Button3");
            QCOMPARE(child<QLabel>(w, "Image1")->pixmap().size(), QSize(40, 50));
            answer = picture(QStringLiteral("broken.jpg"));
            click(w, "Button3");
            QCOMPARE(prompts.count(), 1);
            QCOMPARE(prompts.last().icon, QMessageBox::Critical);
            QVERIFY(prompts.last().text.startsWith(QStringLiteral("无法显示图片 broken.jpg，")));
            QCOMPARE(photo->text(), picture(QStringLiteral("half.jpg")));
            QCOMPARE(edit(w, "Edit1")->text(), QStringLiteral("half.jpg"));
            QCOMPARE(child<QLabel>(w, "Image1")->pixmap().size(), QSize(40, 50));

            answer = picture(QStringLiteral("me.jpg"));
            click(w, "Button3");
            QCOMPARE(photo->text(), answer);
            QCOMPARE(child<QLabel>(w, "Image1")->pixmap().size(), QSize(40, 50));
            click(w, "Button5");
            QVERIFY(panel->isHidden());
            QVERIFY(box->isChecked());
            QCOMPARE(m_dir->read(QStringLiteral("photo/yes.jpg")), bytes(answer));

            fillMinimal(w, QStringLiteral("张三"));
            prompts.clear();
            click(w, "Button2");
            QCOMPARE(prompts.count(), 0);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(m_dir->read(QStringLiteral("photo/张三.jpg")), bytes(picture(QStringLiteral("me.jpg"))));
        QCOMPARE(photoOf(QStringLiteral("张三")), QStringLiteral("张三.jpg"));

        // The box was cleared on opening; confirming without a pick closes the panel and clears it again.
        QVERIFY(withAddWindow([&](QWidget* w) {
            auto* box = child<QCheckBox>(w, "CheckBox1");
            QVERIFY(!box->isChecked());
            box->setChecked(true);
            click(w, "Button5");
            QVERIFY(!box->isChecked());
            QVERIFY(child<QFrame>(w, "Panel2")->isHidden());

            // Remove forgets a picked photo.
            box->setChecked(true);
            answer = picture(QStringLiteral("pic.png"));
            click(w, "Button3");
            click(w, "Button4");
            QVERIFY(!box->isChecked());
            QCOMPARE(edit(w, "DBEdit9")->text(), QStringLiteral("no.bmp"));

            // A PNG.
            box->setChecked(true);
            click(w, "Button3");
            click(w, "Button5");
            fillMinimal(w, QStringLiteral("王五"));
            prompts.clear();
            click(w, "Button2");
            QCOMPARE(prompts.count(), 0);
        }));
        QCOMPARE(photoOf(QStringLiteral("王五")), QStringLiteral("王五.png"));
        QCOMPARE(m_dir->read(QStringLiteral("photo/王五.png")), bytes(picture(QStringLiteral("pic.png"))));

        // A contact named like the placeholder: the record is kept, the photo is not.
        const QByteArray placeholder = m_dir->read(QStringLiteral("photo/no.bmp"));
        QVERIFY(QFile::copy(picture(QStringLiteral("me.jpg")), picture(QStringLiteral("x.bmp"))));
        QVERIFY(withAddWindow([&](QWidget* w) {
            child<QCheckBox>(w, "CheckBox1")->setChecked(true);
            answer = picture(QStringLiteral("x.bmp"));
            click(w, "Button3");
            click(w, "Button5");
            fillMinimal(w, QStringLiteral("no"));
            prompts.clear();
            click(w, "Button2");
            QCOMPARE(prompts.count(), 1);
            QVERIFY(prompts.last().text.contains(QStringLiteral("no.bmp")));
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(m_dir->read(QStringLiteral("photo/no.bmp")), placeholder);
        QCOMPARE(photoOf(QStringLiteral("no")), QStringLiteral("no.bmp"));
    }

    void missingPlaceholderIsDrawnInstead()
    {
        PromptRecorder prompts;
        QVERIFY(QFile::remove(m_dir->file(QStringLiteral("photo/no.bmp"))));
        QVERIFY(withAddWindow([&](QWidget* w) {
            QVERIFY(!child<QLabel>(w, "Image1")->pixmap().isNull());
            fillMinimal(w, QStringLiteral("周八"));
            click(w, "Button2");
        }));
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(photoOf(QStringLiteral("周八")), QStringLiteral("no.bmp"));
    }

    void editCommandsActOnTheFocusedField()
    {
        QVERIFY(withAddWindow([&](QWidget* w) {
            QLineEdit* address = edit(w, "DBEdit4");
            QLineEdit* remarks = edit(w, "DBEdit5");
            typeText(address, QStringLiteral("太原市"));
            address->setFocus();
            click(w, "EditSelectAll1");
            click(w, "EditCut1");
            QCOMPARE(address->text(), QString());
            QCOMPARE(w->focusWidget(), address);
            click(w, "EditUndo1");
            QCOMPARE(address->text(), QStringLiteral("太原市"));
            click(w, "EditSelectAll1");
            click(w, "EditCopy1");
            remarks->setFocus();
            click(w, "EditPaste1");
            QCOMPARE(remarks->text(), QStringLiteral("太原市"));
            // Delete removes only a selection.
            click(w, "EditDelete1");
            QCOMPARE(remarks->text(), QStringLiteral("太原市"));
            remarks->setSelection(0, 2);
            click(w, "EditDelete1");
            QCOMPARE(remarks->text(), QStringLiteral("市"));
        }));
    }
};

QTEST_MAIN(TestAdd)
#include "tst_add.moc"
