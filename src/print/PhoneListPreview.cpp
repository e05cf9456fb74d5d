#include "print/PhoneListPreview.h"

#include "platform/Pickers.h"
#include "platform/Prompt.h"
#include "print/BookPainter.h"
#include "print/OutputFile.h"
#include "print/PdfFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace print {

namespace {

QPrinter* a4Printer()
{
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageLayout(pageLayout(false));
    printer->setDocName(QStringLiteral("通讯录"));
    return printer;
}

// The preview's buttons carry their names under their icons: the program shows hints in the main window's status
// bar, not as tooltips, so an icon alone would say nothing. Paging, zooming and the page views keep their icons
// only (arrows, magnifiers, pages), or the print button would not fit a 1024-pixel screen.
void nameTheButtons(QToolBar* tools)
{
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const char* const iconOnly[] = {"First page",       "Previous page",     "Next page",
                                    "Last page",        "Zoom in",           "Zoom out",
                                    "Show single page", "Show facing pages", "Show overview of all pages"};
    for (QAction* action : tools->actions()) {
        action->setStatusTip(action->text());
        for (const char* source : iconOnly) {
            if (action->text() != QCoreApplication::translate("QPrintPreviewDialog", source))
                continue;
            if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(action)))
                button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
    }
}

} // namespace

PhoneListPreview::PhoneListPreview(Book book, const QString& programDir, QWidget* parent)
    : QPrintPreviewDialog(a4Printer(), parent), m_printer(printer()), m_book(std::move(book)), m_programDir(programDir)
{
    setObjectName(QStringLiteral("PhoneListPreview"));
    setWindowTitle(QStringLiteral("打印通讯录"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_preview = findChild<QPrintPreviewWidget*>();

    QToolBar* tools = findChild<QToolBar*>();
    if (tools)
        nameTheButtons(tools);
    QWidget* options = buildOptions();
    if (auto* inner = findChild<QMainWindow*>(); inner && tools) {
        auto* bar = new QToolBar(inner);
        bar->setObjectName(QStringLiteral("PrintOptions"));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->addWidget(options);
        inner->addToolBarBreak();
        inner->addToolBar(bar);
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout())) {
        box->insertWidget(0, options);
    }
    connect(this, &QPrintPreviewDialog::paintRequested, this, &PhoneListPreview::paintBook);
    resize(1000, 720);
}

PhoneListPreview::~PhoneListPreview()
{
    delete m_printer;
}

QWidget* PhoneListPreview::buildOptions()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 2, 6, 2);
    auto* label = new QLabel(QStringLiteral("分组(&G)："));
    layout->addWidget(label);
    Grouping = new QComboBox;
    Grouping->setObjectName(QStringLiteral("Grouping"));
    Grouping->addItems({QStringLiteral("不分组"), QStringLiteral("按关系"), QStringLiteral("按姓氏拼音首字母")});
    Grouping->setStatusTip(QStringLiteral("按关系（朋友、同事……）或按姓氏拼音的首字母分组，组内按拼音排序"));
    label->setBuddy(Grouping);
    layout->addWidget(Grouping);
    layout->addSpacing(18);
    layout->addWidget(new QLabel(QStringLiteral("打印的列：")));
    for (int c = 0; c < kColumnCount; ++c) {
        Columns[c] = new QCheckBox(columnCaption(Column(c)));
        Columns[c]->setObjectName(QStringLiteral("Column%1").arg(c + 1));
        Columns[c]->setChecked(m_options.columns[c]);
        layout->addWidget(Columns[c]);
        connect(Columns[c], &QCheckBox::toggled, this, &PhoneListPreview::optionsChanged);
    }
    // Names are always printed: a list without them says nothing.
    Columns[int(Column::Name)]->setChecked(true);
    Columns[int(Column::Name)]->setEnabled(false);
    layout->addSpacing(18);
    SavePdf = new QPushButton(QStringLiteral("保存为PDF(&S)..."));
    SavePdf->setObjectName(QStringLiteral("SavePdf"));
    SavePdf->setAutoDefault(false);
    SavePdf->setStatusTip(QStringLiteral("把通讯录保存为PDF文件，可以发给同事或以后再打印"));
    layout->addWidget(SavePdf);
    layout->addStretch();
    connect(Grouping, &QComboBox::currentIndexChanged, this, &PhoneListPreview::optionsChanged);
    connect(SavePdf, &QPushButton::clicked, this, &PhoneListPreview::SavePdfClick);
    return row;
}

int PhoneListPreview::pageCount() const
{
    return m_preview ? m_preview->pageCount() : 0;
}

void PhoneListPreview::optionsChanged()
{
    m_options.grouping = print::Grouping(Grouping->currentIndex());
    for (int c = 0; c < kColumnCount; ++c)
        m_options.columns[c] = Columns[c]->isChecked();
    if (m_preview)
        m_preview->updatePreview();
}

void PhoneListPreview::paintBook(QPrinter* printer)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_options.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    const bool range = printer->printRange() == QPrinter::PageRange;
    BookPainter painter(m_book, m_options);
    QString error;
    const bool painted = painter.paint(printer, range ? printer->fromPage() : 0, range ? printer->toPage() : 0, &error);
    QApplication::restoreOverrideCursor();
    if (!painted)
        platform::Prompt::warning(this, error);
}

void PhoneListPreview::SavePdfClick()
{
    QString path = platform::Pickers::saveFile(this, QStringLiteral("保存为PDF"),
                                               QDir::home().filePath(QStringLiteral("通讯录.pdf")),
                                               QStringLiteral("PDF文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    path = OutputFile::withExtension(path, QStringLiteral(".pdf"));
    QString error;
    int pages = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written =
        OutputFile::mayWrite(m_programDir, path, &error) && writePdf(m_book, m_options, path, &pages, &error);
    QApplication::restoreOverrideCursor();
    if (!written) {
        platform::Prompt::warning(this, error);
        return;
    }
    platform::Prompt::information(
        this, QStringLiteral("通讯录已保存为PDF文件（共%1页）：\n%2").arg(pages).arg(QDir::toNativeSeparators(path)));
}

} // namespace print
