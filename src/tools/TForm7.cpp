#include "tools/TForm7.h"

#include "hub/MainHub.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "tools/ChartRules.h"
#include "ui_TForm7.h"

#include <QKeyEvent>
#include <QShowEvent>

TForm7::TForm7(hub::MainHub& main, QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm7>()), m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form7"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(390, 204);

    // A black chart with white value labels; the bars and legend squares carry their colours in the form.
    QPalette chart = ui->Panel1->palette();
    chart.setColor(QPalette::Window, Qt::black);
    chart.setColor(QPalette::WindowText, Qt::white);
    ui->Panel1->setPalette(chart);
    ui->Panel1->setAutoFillBackground(true);

    // Esc must close the window whatever has the focus.
    platform::KeyPreview::install(this, this);
}

TForm7::~TForm7() = default;

void TForm7::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void TForm7::FormShow()
{
    m_main.RequestSummary();
    const RecordModel* rows = m_main.recordList()->model();
    QStringList relations;
    relations.reserve(rows->count());
    for (int i = rows->count() - 1; i >= 0; --i)
        relations.append(rows->row(i).cells[1]);
    const ChartRules::Chart chart = ChartRules::chart(relations);

    QWidget* const bars[] = {ui->s1, ui->s2, ui->s3, ui->s4, ui->s5};
    QLabel* const values[] = {ui->x1, ui->x2, ui->x3, ui->x4, ui->x5};
    for (int i = 0; i < ChartRules::GroupCount; ++i) {
        const size_t k = size_t(i);
        bars[i]->setGeometry(ChartRules::BarLefts[k], chart.tops[k], ChartRules::BarWidth, chart.heights[k]);
        QLabel* value = values[i];
        value->setText(chart.texts[k]);
        value->adjustSize();
        value->move(ChartRules::labelLeft(i, value->width()), ChartRules::labelTop(chart.tops[k]));
    }

    const std::pair<QLabel*, QString> scale[] = {
        {ui->Label1, chart.scaleTop}, {ui->Label3, chart.scaleMiddle}, {ui->Label2, chart.scaleBottom}};
    for (const auto& [label, text] : scale) {
        label->setText(text);
        label->adjustSize();
        label->move(ChartRules::scaleLeft(label->width()), label->y());
    }
}

bool TForm7::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            if (type == QEvent::KeyPress)
                reject();
            return true;
        }
    } else if (type == QEvent::MouseButtonDblClick && (watched == this || watched == ui->Panel1)) {
        // The bars and labels pass a double click on to the panel, so the whole chart closes the window.
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
