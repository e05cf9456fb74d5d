#include "edit/Tgai.h"

#include "edit/EditKeys.h"
#include "edit/FieldRules.h"
#include "edit/Photos.h"
#include "edit/Picture.h"
#include "edit/SaveConflict.h"
#include "hub/MainHub.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "platform/Centre.h"
#include "platform/ErrorLead.h"
#include "platform/Pickers.h"
#include "platform/Prompt.h"
#include "store/Connection.h"
#include "store/PhotoStore.h"
#include "ui_Tgai.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QMouseEvent>
#include <QScreen>

namespace {

const QString kMale = QStringLiteral("男");
const QString kFemale = QStringLiteral("女");
const QString kNoMarker = QStringLiteral("no");

// Entering a field by Tab, Enter or a click counts; getting the focus back when the window is activated again
// (after a message box, say) does not.
bool enteredByUser(const QFocusEvent* event)
{
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

} // namespace

Tgai::Tgai(hub::MainHub& main, QWidget* parent)
    : QDialog(parent), ago(QStringLiteral("main"), QStringLiteral("id")), ui(std::make_unique<Ui::Tgai>()), m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("gai"));
    GroupBox1 = ui->GroupBox1;
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(362, 186);
    ui->Panel2->raise();

    // Controls without a hint of their own show the window's hint in the status bar.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->statusTip().isEmpty())
            w->setStatusTip(statusTip());
    }

    auto* keys = new EditKeys(this);
    const QList<QLineEdit*> visible = {ui->DBEdit1, ui->DBEdit7, ui->DBEdit8, ui->DBEdit2, ui->DBEdit9,
                                       ui->DBEdit3, ui->DBEdit4, ui->DBEdit5, ui->DBEdit6};
    for (QLineEdit* edit : visible) {
        keys->highlight(edit);
        connect(edit, &QLineEdit::textChanged, this, [this] { ui->Button1->setEnabled(true); });
        edit->installEventFilter(this);
    }
    connect(ui->DBEdit9, &QLineEdit::textChanged, this, &Tgai::FollowSex);
    ui->RadioButton1->installEventFilter(this);
    ui->RadioButton2->installEventFilter(this);
    connect(ui->sexGroup, &QButtonGroup::buttonToggled, this, &Tgai::UpdateSexTabStops);
    ui->Image1->installEventFilter(this);

    connect(ui->Button1, &QPushButton::clicked, this, &Tgai::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tgai::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tgai::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &Tgai::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &Tgai::Button5Click);

    platform::Centre::onScreen(this);
}

Tgai::~Tgai() = default;

void Tgai::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tgai::hideEvent(QHideEvent* event)
{
    // Closing the dataset drops a change that was not posted.
    if (!event->spontaneous())
        ago.close();
    QDialog::hideEvent(event);
}

void Tgai::FormShow()
{
    ReadRow();
    ui->Edit2->setText(kNoMarker);
    ui->Edit1->setText(Photos::placeholderValue());
    ui->Panel2->hide();
    m_picked.clear();

    const QImage photo = Photos::forValue(ui->DBEdit10->text(), pictureSize());
    ShowPicture(ui->Image1, photo);
    ShowPicture(ui->Image2, photo);

    if (ui->DBEdit7->text().isEmpty())
        ui->DBEdit7->setText(QStringLiteral("0"));
    if (ui->DBEdit8->text().isEmpty())
        ui->DBEdit8->setText(QStringLiteral("0"));

    // Reading the row has already set the radio pair through the sex field; a value that is neither 男, 女 nor
    // blank leaves it as the last record had it, so start from neither.
    ClearSex();
    FollowSex(ui->DBEdit9->text());

    ui->Button1->setEnabled(false);
    ui->DBEdit1->setFocus();
}

void Tgai::ReadRow()
{
    ui->DBEdit11->setText(ago.field(QStringLiteral("姓名")));
    ui->DBEdit9->setText(ago.field(QStringLiteral("性别")));
    ui->DBEdit7->setText(ago.field(QStringLiteral("生月")));
    ui->DBEdit8->setText(ago.field(QStringLiteral("生日")));
    ui->DBEdit1->setText(ago.field(QStringLiteral("关系")));
    ui->DBEdit2->setText(ago.field(QStringLiteral("电话")));
    ui->DBEdit3->setText(ago.field(QStringLiteral("手机")));
    ui->DBEdit4->setText(ago.field(QStringLiteral("小灵通")));
    ui->DBEdit5->setText(ago.field(QStringLiteral("住址")));
    ui->DBEdit6->setText(ago.field(QStringLiteral("备注")));
    ui->DBEdit10->setText(ago.field(QStringLiteral("照片")));
}

void Tgai::WriteRow()
{
    // 姓名 is the key and cannot be edited here; it is not written back.
    ago.setField(QStringLiteral("性别"), ui->DBEdit9->text());
    ago.setField(QStringLiteral("生月"), ui->DBEdit7->text());
    ago.setField(QStringLiteral("生日"), ui->DBEdit8->text());
    ago.setField(QStringLiteral("关系"), ui->DBEdit1->text());
    ago.setField(QStringLiteral("电话"), ui->DBEdit2->text());
    ago.setField(QStringLiteral("手机"), ui->DBEdit3->text());
    ago.setField(QStringLiteral("小灵通"), ui->DBEdit4->text());
    ago.setField(QStringLiteral("住址"), ui->DBEdit5->text());
    ago.setField(QStringLiteral("备注"), ui->DBEdit6->text());
    ago.setField(QStringLiteral("照片"), ui->DBEdit10->text());
}

void Tgai::Button1Click()
{
    if (ui->Panel2->isVisible()) {
        platform::Prompt::information(this, QStringLiteral("请选择照片!"));
        return;
    }
    if (ui->DBEdit2->text().isEmpty() && ui->DBEdit3->text().isEmpty() && ui->DBEdit4->text().isEmpty()) {
        platform::Prompt::information(this, QStringLiteral("电话、手机、小灵至少要填一个吧！"));
        ui->DBEdit2->setFocus();
        return;
    }
    m_photoFile.clear();
    if (!CommitPhoto())
        return;

    QString month = ui->DBEdit7->text();
    QString day = ui->DBEdit8->text();
    FieldRules::clearHalfBirthday(&month, &day);
    if (month != ui->DBEdit7->text() || day != ui->DBEdit8->text()) {
        ui->DBEdit7->setText(month);
        ui->DBEdit8->setText(day);
    }
    int monthValue = 0;
    int dayValue = 0;
    const FieldRules::Check birthday = FieldRules::checkBirthday(month, day, &monthValue, &dayValue);
    if (birthday.error) {
        platform::Prompt::error(this, FieldRules::numberLead(), birthday.text);
        return;
    }
    if (!birthday.passed()) {
        platform::Prompt::information(this, birthday.text);
        (birthday.field == FieldRules::Check::Month ? ui->DBEdit7 : ui->DBEdit8)->setFocus();
        return;
    }
    QString sex = ui->DBEdit9->text();
    const FieldRules::Check sexCheck = FieldRules::checkSex(&sex);
    if (sex != ui->DBEdit9->text())
        ui->DBEdit9->setText(sex);
    if (!sexCheck.passed()) {
        platform::Prompt::information(this, sexCheck.text);
        ui->DBEdit9->setFocus();
        return;
    }

    for (QLineEdit* edit : {ui->DBEdit1, ui->DBEdit2, ui->DBEdit3, ui->DBEdit4, ui->DBEdit5, ui->DBEdit6})
        edit->setText(FieldRules::clean(edit->text()));

    WriteRow();
    // A failed store (the server is out of reach, the database is locked) keeps the window open with the row still
    // in edit state, and the list as it was.
    const QString name = ui->DBEdit11->text();
    switch (Store()) {
    case Stored::Saved:
        break;
    case Stored::KeptOpen:
        return;
    case Stored::Dropped:
        // Deleted at another desktop, and the user lets it go: its row leaves the list too.
        m_main.recordList()->model()->removeRowsNamed({name});
        m_main.RequestSummary();
        reject();
        return;
    }

    RecordListView* list = m_main.recordList();
    const QList<int> selected = list->selectedRows();
    if (!selected.isEmpty()) {
        list->model()->setSubItems(selected.first(), {ui->DBEdit1->text(), ui->DBEdit2->text(), ui->DBEdit3->text(),
                                                      ui->DBEdit4->text(), ui->DBEdit5->text()});
    }
    ago.close();
    m_main.RequestSummary();
    accept();
}

Tgai::Stored Tgai::Store()
{
    store::Connection& db = *ago.connection();
    const QString name = ui->DBEdit11->text();
    QString error;
    const auto failed = [&](const QString& why) {
        db.rollback();
        platform::Prompt::error(this, platform::ErrorLead::writeDatabase(), why);
        return Stored::KeptOpen;
    };
    // Each answer is checked again: a third desktop may have changed the record while the question was open.
    for (;;) {
        if (!db.beginTransaction(&error))
            return failed(error);
        // A record the user chose to store again is new: there is nothing to compare it with.
        QSqlRecord now;
        bool found = true;
        if (ago.state() == store::Dataset::State::Edit && !ago.reread(&now, &found))
            return failed(ago.errorText());
        const QList<store::Dataset::Clash> clashes = found ? ago.clashes(now) : QList<store::Dataset::Clash>();
        if (!found || !clashes.isEmpty()) {
            // No question is asked inside the transaction: it would keep every other desktop from saving.
            db.rollback();
            if (!found) {
                const QMessageBox::StandardButton answer =
                    platform::Prompt::choose(this, SaveConflict::deletedText(name), SaveConflict::deletedChoices());
                switch (answer) {
                case QMessageBox::Yes:
                    ago.reappend();
                    break;
                case QMessageBox::No:
                    return Stored::Dropped;
                default:
                    return Stored::KeptOpen;
                }
            } else {
                const QMessageBox::StandardButton answer = platform::Prompt::choose(
                    this, SaveConflict::changedText(name, clashes), SaveConflict::changedChoices());
                if (answer != QMessageBox::Yes && answer != QMessageBox::No)
                    return Stored::KeptOpen;
                for (const store::Dataset::Clash& c : clashes) {
                    ago.rebase(c.field, c.theirs);
                    if (answer == QMessageBox::No) {
                        ago.setField(c.field, c.theirs);
                        if (QLineEdit* control = controlOf(c.field))
                            control->setText(c.theirs);
                    }
                }
                continue;
            }
            if (!db.beginTransaction(&error))
                return failed(error);
        }
        if (!ago.post()) {
            if (ago.uniqueViolation()) {
                db.rollback();
                platform::Prompt::information(this, QStringLiteral("这个人的记录已经有了！"));
                return Stored::KeptOpen;
            }
            return failed(ago.errorText());
        }
        // The photo's bytes go into the book with the record, or neither does.
        if ((!m_photoFile.isEmpty() && !store::PhotoStore::put(db, m_photoFile, &error)) || !db.commit(&error)) {
            const QString why = error;
            ago.unpost();
            return failed(why);
        }
        return Stored::Saved;
    }
}

QLineEdit* Tgai::controlOf(const QString& field) const
{
    const std::pair<const char*, QLineEdit*> controls[] = {
        {"性别", ui->DBEdit9}, {"生月", ui->DBEdit7}, {"生日", ui->DBEdit8},   {"关系", ui->DBEdit1},
        {"电话", ui->DBEdit2}, {"手机", ui->DBEdit3}, {"小灵通", ui->DBEdit4}, {"住址", ui->DBEdit5},
        {"备注", ui->DBEdit6}, {"照片", ui->DBEdit10}};
    for (const auto& [name, control] : controls) {
        if (field == QString::fromUtf8(name))
            return control;
    }
    return nullptr;
}

bool Tgai::CommitPhoto()
{
    const QString value = ui->DBEdit10->text();
    if (value.trimmed().isEmpty() || value == Photos::placeholderValue()) {
        ui->Edit2->setText(kNoMarker);
        ui->DBEdit10->setText(Photos::placeholderValue());
        return true;
    }
    const QString marker = ui->Edit2->text();
    if (marker == kNoMarker)
        return true;
    // The marker is "yes" + extension and 照片 the contact's name + the same extension, as the confirmation set them.
    const QString extension = marker.mid(3);
    QString error;
    if (!value.endsWith(extension) || !Photos::commit(value.chopped(extension.size()), extension, &error)) {
        platform::Prompt::error(this, Photos::copyFailedMessage(value), error);
        return false;
    }
    m_photoFile = value;
    return true;
}

void Tgai::Button2Click()
{
    reject();
}

void Tgai::Image1Click()
{
    ui->Panel2->show();
    ui->Panel2->raise();
    ui->Button1->setEnabled(true);
}

void Tgai::Button3Click()
{
    const QString file = platform::Pickers::pictureFile(this, Picture::dialogFilter());
    if (file.isEmpty())
        return;
    // A picture the program cannot show is not taken: it could never be confirmed.
    QString error;
    const QImage picture = Picture::load(file, pictureSize(), &error);
    if (picture.isNull()) {
        platform::Prompt::error(this, platform::ErrorLead::picture(Photos::pictureName(file)), error);
        return;
    }
    m_picked = file;
    ui->DBEdit10->setText(file);
    ui->Edit1->setText(QFileInfo(file).fileName());
    ShowPicture(ui->Image2, picture);
}

void Tgai::Button4Click()
{
    // Files stay where they are: the contact's old photo file and the staging file are not deleted.
    const QImage placeholder = Photos::placeholder(pictureSize());
    ShowPicture(ui->Image1, placeholder);
    ShowPicture(ui->Image2, placeholder);
    ui->DBEdit10->setText(Photos::placeholderValue());
    ui->Edit1->setText(Photos::placeholderValue());
    m_picked.clear();
    ui->Panel2->hide();
}

void Tgai::Button5Click()
{
    // Nothing picked since the window opened, or since the last confirmation: 照片 already names the contact's
    // photo (or none) and must stay as it is.
    if (ui->DBEdit10->text() == Photos::placeholderValue() || ui->Edit1->text() == Photos::placeholderValue()
        || m_picked.isEmpty()) {
        ui->Panel2->hide();
        return;
    }
    const QString fileName = ui->Edit1->text();
    const QString extension = Photos::extensionOf(fileName);
    if (!Photos::isAcceptedExtension(extension)) {
        platform::Prompt::plain(this, Photos::extensionMessage(fileName));
        return;
    }
    const QString name = ui->DBEdit11->text();
    if (Photos::isReservedPhotoName(name, extension)) {
        platform::Prompt::plain(this, Photos::reservedNameMessage(name + extension));
        return;
    }
    // The file may have changed since it was picked.
    QString error;
    const QImage picture = Picture::load(m_picked, pictureSize(), &error);
    if (picture.isNull()) {
        platform::Prompt::error(this, platform::ErrorLead::picture(Photos::pictureName(m_picked)), error);
        return;
    }
    if (!Photos::stage(m_picked, extension, &error)) {
        platform::Prompt::error(this, Photos::copyFailedMessage(QStringLiteral("yes") + extension), error);
        return;
    }
    ShowPicture(ui->Image1, picture);
    ui->DBEdit10->setText(name + extension);
    ui->Edit2->setText(QStringLiteral("yes") + extension);
    m_picked.clear();
    ui->Panel2->hide();
}

void Tgai::FollowSex(const QString& text)
{
    const QString sex = text.trimmed();
    if (sex == kMale)
        ui->RadioButton1->setChecked(true);
    else if (sex == kFemale)
        ui->RadioButton2->setChecked(true);
    else if (sex.isEmpty())
        ClearSex();
}

void Tgai::ClearSex()
{
    ui->sexGroup->setExclusive(false);
    ui->RadioButton1->setChecked(false);
    ui->RadioButton2->setChecked(false);
    ui->sexGroup->setExclusive(true);
    UpdateSexTabStops();
}

void Tgai::UpdateSexTabStops()
{
    // Tab and Enter stop on the chosen button only, and pass the pair by when neither is chosen: landing on a
    // button would choose that sex for the user.
    for (QRadioButton* b : {ui->RadioButton1, ui->RadioButton2})
        b->setFocusPolicy(b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

QSize Tgai::pictureSize() const
{
    return ui->Image1->size().expandedTo(ui->Image2->size());
}

void Tgai::ShowPicture(QLabel* image, const QImage& picture)
{
    image->setPixmap(QPixmap::fromImage(picture));
}

bool Tgai::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            break;
        if (watched == ui->Image1) {
            Image1Click();
            return true;
        }
        // The stored blank " " would otherwise stand before what the user types.
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && edit != ui->DBEdit7 && edit != ui->DBEdit8 && edit->text().trimmed().isEmpty())
            edit->clear();
        break;
    }
    case QEvent::FocusIn: {
        if (!enteredByUser(static_cast<QFocusEvent*>(event)))
            break;
        if ((watched == ui->DBEdit7 || watched == ui->DBEdit8)
            && static_cast<QLineEdit*>(watched)->text() == QLatin1String("0")) {
            static_cast<QLineEdit*>(watched)->clear();
        } else if (watched == ui->RadioButton1) {
            ui->DBEdit9->setText(kMale);
        } else if (watched == ui->RadioButton2) {
            ui->DBEdit9->setText(kFemale);
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
