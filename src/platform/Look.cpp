#include "platform/Look.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

void Look::apply()
{
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/velloran.svg")));
    // Lets the desktop match the windows to the menu entry (and its icon) of the installed program.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tarsiwen.velloran"));
}

} // namespace platform
