#include "edit/Tadd.h"

#include "edit/EditKeys.h"
#include "edit/FieldRules.h"
#include "edit/Photos.h"
#include "edit/Picture.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "hub/MainHub.h"
#include "platform/Centre.h"
#include "platform/ErrorLead.h"
#include "platform/Clock.h"
#include "platform/Pickers.h"
#include "platform/Prompt.h"
#include "store/Connection.h"
#include "store/PhotoStore.h"
#include "ui_Tadd.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHideEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>

namespace {

const QString kNoPhoto = Photos::placeholderValue();

QString controlText(QWidget* control)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText();
    return QString();
}

void setControlText(QWidget* control, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setEditText(text);
}

} // namespace

Tadd::Tadd(hub::MainHub& main, QWidget* parent)
    : QDialog(parent), ajo(QStringLiteral("main"), QStringLiteral("id")), ui(std::make_unique<Ui::Tadd>()), m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("add"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(361, 202);
    ui->Panel2->raise();

    auto* keys = new EditKeys(this);
    keys->nameFilter(ui->DBEdit1);
    keys->phoneFilter(ui->DBEdit2, 13);
    keys->phoneFilter(ui->DBEdit7, 11);
    keys->phoneFilter(ui->DBEdit3, 13);
    const QList<QWidget*> highlighted = {ui->DBEdit1,       ui->DBEdit2,       ui->DBEdit7,
                                         ui->DBEdit3,       ui->DBEdit4,       ui->DBEdit5,
                                         ui->DBComboBoxEh1, ui->DBComboBoxEh2, ui->DBComboBoxEh3};
    for (QWidget* field : highlighted)
        keys->highlight(field);

    // Only a change to the typed fields makes the record worth saving; sex, birthday and photo do not.
    const auto enableSave = [this] { ui->Button2->setEnabled(true); };
    for (QLineEdit* edit : {ui->DBEdit1, ui->DBEdit2, ui->DBEdit7, ui->DBEdit3, ui->DBEdit4, ui->DBEdit5})
        connect(edit, &QLineEdit::textChanged, this, enableSave);
    connect(ui->DBComboBoxEh1, &QComboBox::editTextChanged, this, enableSave);

    connect(ui->Button2, &QPushButton::clicked, this, &Tadd::Button2Click);
    connect(ui->Button1, &QPushButton::clicked, this, &Tadd::Button1Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tadd::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &Tadd::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &Tadd::Button5Click);
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &Tadd::CheckBox1Click);
    // 性别 follows the chosen radio button as well as the focus, so the two can never disagree.
    connect(ui->x1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ui->DBEdit8->setText(QStringLiteral("男"));
    });
    connect(ui->x2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ui->DBEdit8->setText(QStringLiteral("女"));
    });
    connect(ui->SexGroup, &QButtonGroup::buttonToggled, this, &Tadd::UpdateTabStops);
    connect(ui->BirthdayGroup, &QButtonGroup::buttonToggled, this, &Tadd::UpdateTabStops);

    const std::pair<QToolButton*, EditCommand> commands[] = {
        {ui->EditCopy1, EditCommand::Copy},           {ui->EditCut1, EditCommand::Cut},
        {ui->EditPaste1, EditCommand::Paste},         {ui->EditDelete1, EditCommand::Delete},
        {ui->EditSelectAll1, EditCommand::SelectAll}, {ui->EditUndo1, EditCommand::Undo},
    };
    for (const auto& [button, command] : commands)
        connect(button, &QToolButton::clicked, this, [this, command = command] { runEditCommand(command); });

    ui->x1->installEventFilter(this);
    ui->x2->installEventFilter(this);
    ui->RadioButton4->installEventFilter(this);
    ui->Label9->installEventFilter(this);
}

Tadd::~Tadd() = default;

void Tadd::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void Tadd::hideEvent(QHideEvent* event)
{
    // Closing ajo drops a row that was never posted. A hide by the window system (the desktop minimised) is
    // not the end of the entry, and must not lose what the user typed.
    if (!event->spontaneous())
        ajo.close();
    QDialog::hideEvent(event);
}

void Tadd::FormShow()
{
    showPreview(Photos::placeholder(ui->Image1->size()));
    ui->CheckBox1->setChecked(false);
    ui->Panel2->hide();
    loadRow();
    if (ui->DBEdit9->text().isEmpty())
        ui->DBEdit9->setText(kNoPhoto);
    ui->DBComboBoxEh1->setEditText(ui->Edit2->text());
    ui->DBComboBoxEh2->setEditText(QStringLiteral("0"));
    ui->DBComboBoxEh3->setEditText(QStringLiteral("1"));
    ui->DBEdit6->setText(platform::Clock::today().toString(QStringLiteral("yyyy年MM月dd日")));
    ui->x1->setChecked(true);
    ui->DBEdit8->setText(QStringLiteral("男"));
    setBirthdayShown(false);
    ui->RadioButton3->setChecked(true);
    UpdateTabStops();
    ui->Button2->setEnabled(false);
    ui->DBEdit1->setFocus();
}

void Tadd::UpdateTabStops()
{
    // Tab and Enter stop on the chosen button of each pair. The toolkit leaves the stop on the button that last
    // had the focus, so after a record with a birthday the next one would land on "有" and get 1 January.
    for (QRadioButton* b : {ui->x1, ui->x2, ui->RadioButton3, ui->RadioButton4})
        b->setFocusPolicy(b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

QList<std::pair<QWidget*, QString>> Tadd::boundControls() const
{
    return {
        {ui->DBEdit1, QStringLiteral("姓名")},       {ui->DBEdit8, QStringLiteral("性别")},
        {ui->DBComboBoxEh2, QStringLiteral("生月")}, {ui->DBComboBoxEh3, QStringLiteral("生日")},
        {ui->DBComboBoxEh1, QStringLiteral("关系")}, {ui->DBEdit2, QStringLiteral("电话")},
        {ui->DBEdit7, QStringLiteral("手机")},       {ui->DBEdit3, QStringLiteral("小灵通")},
        {ui->DBEdit4, QStringLiteral("住址")},       {ui->DBEdit5, QStringLiteral("备注")},
        {ui->DBEdit9, QStringLiteral("照片")},       {ui->DBEdit6, QStringLiteral("登记时间")},
    };
}

void Tadd::loadRow()
{
    for (const auto& [control, field] : boundControls())
        setControlText(control, ajo.field(field));
}

void Tadd::writeRow()
{
    for (const auto& [control, field] : boundControls())
        ajo.setField(field, controlText(control));
}

void Tadd::setBirthdayShown(bool shown)
{
    ui->DBComboBoxEh1->resize(shown ? 52 : 80, ui->DBComboBoxEh1->height());
    ui->Label9->move(shown ? 117 : 144, ui->Label9->y());
    const QList<QWidget*> birthday = {ui->DBComboBoxEh2, ui->Label10, ui->DBComboBoxEh3, ui->Label11};
    const QList<QWidget*> choice = {ui->RadioButton3, ui->RadioButton4};
    const QList<QWidget*>& appearing = shown ? birthday : choice;
    const QList<QWidget*>& leaving = shown ? choice : birthday;
    for (QWidget* w : appearing)
        w->show();
    // A focus on a control that goes away would wander down the tab order: it moves to the first new control.
    QWidget* focus = focusWidget();
    for (QWidget* w : leaving) {
        if (focus && (focus == w || w->isAncestorOf(focus))) {
            appearing.first()->setFocus();
            break;
        }
    }
    for (QWidget* w : leaving)
        w->hide();
}

void Tadd::RadioButton4Enter()
{
    ui->DBComboBoxEh2->setEditText(QStringLiteral("1"));
    setBirthdayShown(true);
    ui->DBComboBoxEh2->setFocus();
    // The user types the month over the proposed "1", as in a field reached by Tab.
    ui->DBComboBoxEh2->lineEdit()->selectAll();
}

void Tadd::Label9Click()
{
    ui->DBComboBoxEh2->setEditText(QStringLiteral("0"));
    ui->DBComboBoxEh3->setEditText(QStringLiteral("1"));
    ui->RadioButton3->setChecked(true);
    setBirthdayShown(false);
}

void Tadd::refuse(const QString& text, QWidget* focus)
{
    platform::Prompt::information(this, text);
    if (focus)
        focus->setFocus();
}

void Tadd::Button2Click()
{
    if (!ui->Panel2->isHidden()) {
        platform::Prompt::information(this, QStringLiteral("请选择照片!"));
        return;
    }
    const QString name = ui->DBEdit1->text();
    if (const FieldRules::Check check = FieldRules::checkName(name); !check.passed())
        return refuse(check.text, ui->DBEdit1);
    // The name is compared as it will be stored, so "张三 " is refused when 张三 exists.
    if (m_main.NameExists(FieldRules::clean(name)))
        return refuse(QStringLiteral("这个人的记录已经有了！"), ui->DBEdit1);
    if (ui->DBEdit2->text().isEmpty() && ui->DBEdit7->text().isEmpty() && ui->DBEdit3->text().isEmpty())
        return refuse(QStringLiteral("电话、手机、小灵通至少要写一个吧！"), ui->DBEdit2);
    int month = 0;
    int day = 0;
    const FieldRules::Check birthday =
        FieldRules::checkBirthday(ui->DBComboBoxEh2->currentText(), ui->DBComboBoxEh3->currentText(), &month, &day);
    if (birthday.error)
        return platform::Prompt::error(this, FieldRules::numberLead(), birthday.text);
    if (!birthday.passed())
        return refuse(birthday.text, birthday.field == FieldRules::Check::Month ? ui->DBComboBoxEh2 : ui->DBComboBoxEh3);

    if (ui->CheckBox1->isChecked()) {
        const QString extension = Photos::extensionOf(ui->Edit1->text());
        if (Photos::isReservedPhotoName(name, extension)) {
            platform::Prompt::information(this, Photos::reservedNameMessage(name + extension));
            ui->DBEdit9->setText(kNoPhoto);
        } else if (!Photos::commit(name, extension)) {
            // A record naming a photo file that was never written would show the wrong picture or none.
            platform::Prompt::warning(this, QStringLiteral("照片文件“") + name + extension +
                                                QStringLiteral("”无法写入photo目录，这条记录将不带照片保存。"));
            ui->DBEdit9->setText(kNoPhoto);
        } else {
            ui->DBEdit9->setText(name + extension);
        }
    } else {
        ui->DBEdit9->setText(kNoPhoto);
    }

    if (month == 0 || day == 0)
        month = day = 0;
    ui->DBComboBoxEh2->setEditText(QString::number(month));
    ui->DBComboBoxEh3->setEditText(QString::number(day));

    for (QLineEdit* edit : {ui->DBEdit1, ui->DBEdit2, ui->DBEdit7, ui->DBEdit3, ui->DBEdit4, ui->DBEdit5})
        edit->setText(FieldRules::clean(edit->text()));
    const QString relation = ui->DBComboBoxEh1->currentText().trimmed();
    if (relation.isEmpty()) {
        ui->DBComboBoxEh1->setEditText(QStringLiteral(" "));
    } else {
        ui->DBComboBoxEh1->setEditText(relation);
        ui->Edit2->setText(relation);
    }

    writeRow();
    // The record and its photo's bytes go into the book in one transaction, or nothing does and the window keeps
    // every value for the next try (a server out of reach, say).
    store::Connection& db = *ajo.connection();
    QString error;
    if (!db.beginTransaction(&error))
        return platform::Prompt::error(this, platform::ErrorLead::writeDatabase(), error);
    if (!ajo.post()) {
        db.rollback();
        // Another desktop or running copy may have stored the name meanwhile: the unique index refuses it.
        if (ajo.uniqueViolation())
            return refuse(QStringLiteral("这个人的记录已经有了！"), ui->DBEdit1);
        return platform::Prompt::error(this, platform::ErrorLead::writeDatabase(), ajo.errorText());
    }
    const QString photo = ui->DBEdit9->text();
    if ((photo != kNoPhoto && !store::PhotoStore::put(db, photo, &error)) || !db.commit(&error)) {
        db.rollback();
        ajo.unpost();
        return platform::Prompt::error(this, platform::ErrorLead::writeDatabase(), error);
    }

    RecordRow row;
    row.cells = {ui->DBEdit1->text(), ui->DBComboBoxEh1->currentText(),
                 ui->DBEdit2->text(), ui->DBEdit7->text(),
                 ui->DBEdit3->text(), ui->DBEdit4->text()};
    m_main.recordList()->model()->appendRow(row);
    m_main.setWholeTable(true);
    m_main.RequestSummary();
    accept();
}

void Tadd::Button1Click()
{
    reject();
}

void Tadd::CheckBox1Click(bool checked)
{
    ui->Panel2->setVisible(checked);
    if (checked)
        ui->Panel2->raise();
}

void Tadd::showPreview(const QImage& image)
{
    ui->Image1->setPixmap(QPixmap::fromImage(image));
}

void Tadd::Button3Click()
{
    const QString path = platform::Pickers::pictureFile(this, Picture::dialogFilter());
    if (path.isEmpty())
        return;
    // A picture the program cannot show is not taken, as in the modify window: it would be stored and never shown.
    QString error;
    const QImage image = Picture::load(path, ui->Image1->size(), &error);
    if (image.isNull()) {
        platform::Prompt::error(this, platform::ErrorLead::picture(Photos::pictureName(path)), error);
        return;
    }
    ui->DBEdit9->setText(path);
    ui->Edit1->setText(QFileInfo(path).fileName());
    showPreview(image);
}

void Tadd::Button4Click()
{
    ui->CheckBox1->setChecked(false);
    ui->DBEdit9->setText(kNoPhoto);
    showPreview(Photos::placeholder(ui->Image1->size()));
    ui->Panel2->hide();
}

void Tadd::Button5Click()
{
    if (ui->DBEdit9->text() == kNoPhoto) {
        ui->Panel2->hide();
        ui->CheckBox1->setChecked(false);
        return;
    }
    const QString extension = Photos::extensionOf(ui->Edit1->text());
    if (!Photos::isAcceptedExtension(extension)) {
        platform::Prompt::plain(this, Photos::extensionMessage(ui->Edit1->text()));
        return;
    }
    // The file may have changed since it was picked.
    QString error;
    if (Picture::load(ui->DBEdit9->text(), ui->Image1->size(), &error).isNull()) {
        platform::Prompt::error(this, platform::ErrorLead::picture(ui->Edit1->text()), error);
        return;
    }
    // A failed staging copy would leave an older photo/yes file behind, which the save would give this contact.
    if (!Photos::stage(ui->DBEdit9->text(), extension)) {
        platform::Prompt::warning(this, QStringLiteral("照片文件“") + ui->Edit1->text() +
                                            QStringLiteral("”无法复制到photo目录，请重新添加！"));
        return;
    }
    ui->Panel2->hide();
}

QLineEdit* Tadd::focusedEdit() const
{
    QWidget* w = focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->lineEdit();
    return nullptr;
}

void Tadd::runEditCommand(EditCommand command)
{
    QLineEdit* edit = focusedEdit();
    if (!edit || !edit->isVisible())
        return;
    switch (command) {
    case EditCommand::Copy:
        edit->copy();
        break;
    case EditCommand::Cut:
        edit->cut();
        break;
    case EditCommand::Paste:
        edit->paste();
        break;
    case EditCommand::Delete:
        if (edit->hasSelectedText())
            edit->del();
        break;
    case EditCommand::SelectAll:
        edit->selectAll();
        break;
    case EditCommand::Undo:
        edit->undo();
        break;
    }
}

bool Tadd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui->x1)
            ui->DBEdit8->setText(QStringLiteral("男"));
        else if (watched == ui->x2)
            ui->DBEdit8->setText(QStringLiteral("女"));
        else if (watched == ui->RadioButton4)
            // After the focus change has finished: the handler hides the button that is taking the focus.
            QMetaObject::invokeMethod(this, &Tadd::RadioButton4Enter, Qt::QueuedConnection);
    } else if (watched == ui->Label9 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui->Label9->rect().contains(mouse->position().toPoint()))
            Label9Click();
    }
    return QDialog::eventFilter(watched, event);
}
