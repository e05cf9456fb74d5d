// Neither program loads a Qt plugin from its own directory, which users and restores write, not even while it
// looks for its display; a display it cannot use ends it with its own message, not Qt's abort.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_plugins : public QObject {
    Q_OBJECT
private slots:
    void noPluginFromTheProgramDirectory_data();
    void noPluginFromTheProgramDirectory();
};

void tst_plugins::noPluginFromTheProgramDirectory_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("velloran") << "velloran";
    QTest::newRow("data") << "data";
}

void tst_plugins::noPluginFromTheProgramDirectory()
{
    QFETCH(QString, program);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VELLORAN_PROGRAM_DIR "/") + program, dir.filePath(program)));
    // Where Qt would look beside the program: the platform is the first plugin it loads, pictures come later.
    for (const QString& kind : {QStringLiteral("platforms"), QStringLiteral("imageformats")}) {
        QVERIFY(QDir().mkpath(dir.filePath(kind)));
        QVERIFY(QFile::copy(QStringLiteral(MARKER_PLUGIN), dir.filePath(kind + QStringLiteral("/libmarker.so"))));
    }
    const QString mark = dir.filePath(QStringLiteral("loaded"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("velloran-marker"));
    env.insert(QStringLiteral("VELLORAN_PLUGIN_MARKER"), mark);
    env.insert(QStringLiteral("VELLORAN_DATA_DIR"), dir.path());
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), dir.path()); // a user-writable folder named the usual way
    p.setProcessEnvironment(env);
    p.start(dir.filePath(program), QStringList());
    QVERIFY(p.waitForFinished(120000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(!QFile::exists(mark), qPrintable(err));
    // Qt found no such platform in its own folder: the program says so itself and ends.
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(!err.contains(QLatin1String("Qt platform plugin")), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_plugins)
#include "tst_plugins.moc"
