// Display settings (list colour, views, alternate rows, the information panel and its slide, the birthday reminder
// switch) as the menus change them and as set.ini applies them at start-up.
#include "mainwin/Tmain.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/BirthdayReminder.h"
#include "platform/ErrorLead.h"
#include "platform/Pickers.h"
#include "platform/ProgramDir.h"
#include "store/Ini.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kSetIni = QStringLiteral("set.ini");

} // namespace

bool Tmain::WriteSetting(const QString& section, const QString& key, const QString& value)
{
    return WriteSettings(section, {{key, value}});
}

bool Tmain::WriteSettings(const QString& section, const QList<QPair<QString, QString>>& values)
{
    QString error;
    if (store::Ini::write(platform::ProgramDir::file(kSetIni), section, values, &error))
        return true;
    ReportError(platform::ErrorLead::writeFile(kSetIni), QStringLiteral("Unable to write to %1").arg(kSetIni));
    return false;
}

void Tmain::SetColumnWidths(bool panelShown)
{
    static const int shown[RecordModel::ColumnCount] = {65, 40, 85, 80, 85, 48};
    static const int hidden[RecordModel::ColumnCount] = {70, 48, 90, 80, 90, 156};
    for (int c = 0; c < RecordModel::ColumnCount; ++c)
        ListView1->setColumnWidth(c, panelShown ? shown[c] : hidden[c]);
}

void Tmain::ApplySettings()
{
    const QString file = platform::ProgramDir::file(kSetIni);
    auto value = [&file](const char* section, const char* key) {
        return store::Ini::read(file, QString::fromLatin1(section), QString::fromLatin1(key)).trimmed();
    };

    // 1. Birthday reminder: armed now, shown only after the first fill has filled the list.
    const bool reminder = value("birth", "ok") == QLatin1String("1");
    B1->setChecked(reminder);
    m_reminder->setArmed(reminder);

    // 2. Title.
    const QString title = store::Ini::read(file, QStringLiteral("main"), QStringLiteral("title"));
    if (!title.trimmed().isEmpty())
        setWindowTitle(title);

    // 3. Information panel.
    if (value("info", "yes") == QLatin1String("0")) {
        N23->setChecked(false);
        PageControl1->hide();
        PanelHolder->hide();
        Panel1->hide();
        SetColumnWidths(false);
    }

    // 4. List colour. A custom colour whose parts are missing or not numbers keeps the system window colour.
    const QString color = value("list", "color");
    if (color == QLatin1String("1")) {
        ListView1->setBackground(QColor(166, 202, 240));
    } else if (color == QLatin1String("2")) {
        ListView1->setBackground(QColor(255, 251, 240));
    } else if (color == QLatin1String("3")) {
        bool okR = false;
        bool okG = false;
        bool okB = false;
        const int r = value("list", "cr").toInt(&okR);
        const int g = value("list", "cg").toInt(&okG);
        const int b = value("list", "cb").toInt(&okB);
        if (okR && okG && okB)
            ListView1->setBackground(QColor(r & 0xFF, g & 0xFF, b & 0xFF));
    }

    // 5. Alternate rows.
    if (value("list", "line") == QLatin1String("0")) {
        can->setText(QStringLiteral("1"));
        N29->setChecked(false);
    } else {
        can->setText(QStringLiteral("0"));
    }
}

void Tmain::SetFixedColor(const QString& stored, const QColor& color)
{
    if (!WriteSetting(QStringLiteral("list"), QStringLiteral("color"), stored))
        return;
    ListView1->setBackground(color);
}

void Tmain::K1Click()
{
    SetFixedColor(QStringLiteral("1"), QColor(166, 202, 240));
}

void Tmain::Y1Click()
{
    SetFixedColor(QStringLiteral("2"), QColor(255, 251, 240));
}

void Tmain::R1Click()
{
    // An invalid colour is the system's window colour.
    SetFixedColor(QStringLiteral("0"), QColor());
}

void Tmain::N26Click()
{
    const QColor chosen = platform::Pickers::color(this, ListView1->background());
    if (!chosen.isValid())
        return;
    ListView1->setBackground(chosen);
    // The four keys in one replacement of the file: a crash never leaves a colour nobody chose.
    WriteSettings(QStringLiteral("list"), {{QStringLiteral("color"), QStringLiteral("3")},
                                           {QStringLiteral("cr"), QString::number(chosen.red())},
                                           {QStringLiteral("cg"), QString::number(chosen.green())},
                                           {QStringLiteral("cb"), QString::number(chosen.blue())}});
}

void Tmain::N17Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::Report);
    ListView1->setGridLines(true);
}

void Tmain::N20Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::Report);
    ListView1->setGridLines(false);
}

void Tmain::N13Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::List);
}

void Tmain::N14Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::LargeIcon);
}

void Tmain::N15Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::SmallIcon);
}

void Tmain::SpeedButton3Click()
{
    if (ListView1->viewStyle() == RecordListView::ViewStyle::Report)
        ListView1->setGridLines(!ListView1->gridLines());
    else
        N17Click();
}

void Tmain::SpeedButton4Click()
{
    N13Click();
}

void Tmain::SpeedButton5Click()
{
    N14Click();
}

void Tmain::SpeedButton6Click()
{
    N15Click();
}

void Tmain::SpeedButton1Click()
{
    // A press while a slide runs turns it round: the narrowing and the widening never run together.
    if (Timer3->isActive()) {
        Timer3->stop();
        Timer4->start();
    } else if (Timer4->isActive()) {
        Timer4->stop();
        Timer3->start();
    } else if (InfoPanelWidth() == 145) {
        Timer3->start();
    } else {
        Timer4->start();
    }
}

int Tmain::InfoPanelWidth() const
{
    return PanelHolder->width();
}

void Tmain::SpeedButton2Click()
{
    SpeedButton1Click();
}

void Tmain::Timer3Timer()
{
    if (InfoPanelWidth() <= 21) {
        SpeedButton1->hide();
        SpeedButton2->show();
        Timer3->stop();
        return;
    }
    ListView1->setColumnWidth(5, 156);
    PanelHolder->setFixedWidth(InfoPanelWidth() - 4);
    Panel1->move(Panel1->x() - 4, Panel1->y());
}

void Tmain::Timer4Timer()
{
    if (InfoPanelWidth() >= 145) {
        SpeedButton2->hide();
        SpeedButton1->show();
        Timer4->stop();
        return;
    }
    ListView1->setColumnWidth(5, 48);
    PanelHolder->setFixedWidth(InfoPanelWidth() + 4);
    Panel1->move(Panel1->x() + 4, Panel1->y());
}

void Tmain::N23Click()
{
    const bool shown = !N23->isChecked();
    N23->setChecked(shown);
    PageControl1->setVisible(shown);
    PanelHolder->setVisible(shown);
    Panel1->setVisible(shown);
    SetColumnWidths(shown);
    WriteSetting(QStringLiteral("info"), QStringLiteral("yes"), shown ? QStringLiteral("1") : QStringLiteral("0"));
}

void Tmain::N29Click()
{
    const bool on = !N29->isChecked();
    N29->setChecked(on);
    can->setText(on ? QStringLiteral("0") : QStringLiteral("1"));
    if (!WriteSetting(QStringLiteral("list"), QStringLiteral("line"), on ? QStringLiteral("1") : QStringLiteral("0")))
        return;
    N18Click();
}

void Tmain::B1Click()
{
    const bool on = !B1->isChecked();
    B1->setChecked(on);
    if (!on)
        m_reminder->hide();
    if (!WriteSetting(QStringLiteral("birth"), QStringLiteral("ok"), on ? QStringLiteral("1") : QStringLiteral("0")))
        return;
    if (on)
        m_reminder->announce();
}

void Tmain::SetCaption(const QString& caption)
{
    // The caption only: the application's name, which message boxes carry, stays as it is.
    setWindowTitle(caption);
}
