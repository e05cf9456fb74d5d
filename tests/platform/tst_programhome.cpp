// Which directory a started program uses, and how an installed program lays out a person's own: created where
// missing, the area codes kept current, everything else of the person's left exactly as it was.
#include "platform/ProgramDir.h"
#include "platform/ProgramHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void put(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QStringList kTemplate = {"call.mdb", "qh.mdb", "set.ini", "zzz", "modal/set.ini", "photo/no.bmp"};

// An installed layout under root/PREFIX: the program in lib/velloran, the template in share/velloran.
QString install(const QString& root, const QString& prefix)
{
    const QString share = root + prefix + "/share/velloran/template/";
    for (const QString& name : kTemplate)
        put(share + name, "installed " + name.toUtf8());
    put(root + prefix + "/lib/velloran/velloran", "program");
    return root + prefix + "/lib/velloran/velloran";
}

} // namespace

class TestProgramHome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosesByTheInstalledLayout()
    {
        QTemporaryDir root;
        // A portable program directory: everything beside the executable, whatever HOME is.
        const platform::ProgramHome portable =
            platform::ProgramHome::choose("/media/usb/Velloran/velloran", "/home/li");
        QCOMPARE(portable.dir, QString("/media/usb/Velloran"));
        QCOMPARE(portable.programs, portable.dir);
        QCOMPARE(portable.manual, portable.dir);
        QVERIFY(!portable.installed());

        // The package under /usr: the person's own directory, the programs and manual where they were installed,
        // the administrator's defaults in /etc.
        const QString usr = install(root.path(), "/usr");
        const platform::ProgramHome home = platform::ProgramHome::choose(usr, "/home/li/");
        QVERIFY(home.installed());
        QCOMPARE(home.dir, QString("/home/li/Velloran"));
        QCOMPARE(home.programs, root.path() + "/usr/lib/velloran");
        QCOMPARE(home.manual, root.path() + "/usr/share/velloran");
        QCOMPARE(home.templates, root.path() + "/usr/share/velloran/template");
        QCOMPARE(home.defaults, root.path() + "/etc/velloran");
        // Another prefix keeps its configuration inside it.
        const QString opt = install(root.path(), "/opt/velloran");
        QCOMPARE(platform::ProgramHome::choose(opt, "/home/li").defaults, root.path() + "/opt/velloran/etc/velloran");

        // A folder that only looks like lib/velloran, with no installed template beside it, is a portable one.
        put(root.path() + "/copy/lib/velloran/velloran", "program");
        QVERIFY(!platform::ProgramHome::choose(root.path() + "/copy/lib/velloran/velloran", "/home/li").installed());
    }

    void layOutCreatesWhatIsMissingAndKeepsTheRest()
    {
        QTemporaryDir root;
        QTemporaryDir people;
        const QString exe = install(root.path(), "/usr");
        const platform::ProgramHome home = platform::ProgramHome::choose(exe, people.path());
        const QString share = home.templates + '/';
        // Installed files are read-only; the person's copies must still take their writes.
        for (const QString& name : kTemplate)
            QFile::setPermissions(share + name, QFileDevice::ReadOwner | QFileDevice::ReadOther);

        QString error;
        QVERIFY2(home.layOut(&error), qPrintable(error));
        for (const QString& name : kTemplate) {
            QCOMPARE(bytes(home.dir + '/' + name), bytes(share + name));
            QVERIFY(QFileInfo(home.dir + '/' + name).permissions() & QFileDevice::WriteOwner);
        }
        QCOMPARE(QFileInfo(home.dir).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());

        // The person's data; a new version's area codes; a lost file; the log of a call.mdb that vanished.
        const QStringList data = {"set.ini", "zzz", "photo/no.bmp", "photo/张三.jpg", "王五/set.ini"};
        for (const QString& name : data)
            put(home.dir + '/' + name, "mine " + name.toUtf8());
        QFile::setPermissions(share + "qh.mdb", QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        put(share + "qh.mdb", "installed qh.mdb, new version");
        QVERIFY(QFile::remove(home.dir + "/modal/set.ini"));
        QVERIFY(QFile::remove(home.dir + "/call.mdb"));
        put(home.dir + "/call.mdb-wal", "last changes");

        QVERIFY2(home.layOut(&error), qPrintable(error));
        for (const QString& name : data)
            QCOMPARE(bytes(home.dir + '/' + name), "mine " + name.toUtf8());
        QCOMPARE(bytes(home.dir + "/qh.mdb"), QByteArray("installed qh.mdb, new version"));
        QCOMPARE(bytes(home.dir + "/modal/set.ini"), bytes(share + "modal/set.ini"));
        QCOMPARE(bytes(home.dir + "/call.mdb"), bytes(share + "call.mdb"));
        QVERIFY(!QFileInfo::exists(home.dir + "/call.mdb-wal"));
        const QStringList aside = QDir(home.dir).entryList({"call.mdb-wal.orphan-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(bytes(home.dir + '/' + aside.first()), QByteArray("last changes"));

        // Links are never written through, and a file where the directory belongs is refused.
        put(people.path() + "/elsewhere.mdb", "not mine to replace");
        QVERIFY(QFile::remove(home.dir + "/qh.mdb"));
        QVERIFY(QFile::link(people.path() + "/elsewhere.mdb", home.dir + "/qh.mdb"));
        QVERIFY(QDir(home.dir + "/photo").removeRecursively());
        QVERIFY(QDir().mkdir(people.path() + "/pictures"));
        QVERIFY(QFile::link(people.path() + "/pictures", home.dir + "/photo"));
        QVERIFY2(home.layOut(&error), qPrintable(error));
        QCOMPARE(bytes(people.path() + "/elsewhere.mdb"), QByteArray("not mine to replace"));
        QVERIFY(QDir(people.path() + "/pictures").isEmpty());
        platform::ProgramHome blocked = home;
        blocked.dir = people.path() + "/elsewhere.mdb";
        QVERIFY(!blocked.layOut(&error));
        QVERIFY(error.contains("elsewhere.mdb"));
    }

    void installedFoldersAndAdministratorDefaults()
    {
        QTemporaryDir dir;
        platform::ProgramDir::set(dir.path());
        // Portable: the programs and the manual lie in the program directory.
        QCOMPARE(platform::ProgramDir::programFile("data"), dir.path() + "/data");
        QCOMPARE(platform::ProgramDir::manualFile("help.html"), dir.path() + "/help.html");
        QCOMPARE(platform::ProgramDir::fileOrDefault("server.ini"), dir.path() + "/server.ini");

        platform::ProgramDir::setInstalled("/usr/lib/velloran", "/usr/share/velloran", dir.path() + "/etc");
        QCOMPARE(platform::ProgramDir::programFile("data"), QString("/usr/lib/velloran/data"));
        QCOMPARE(platform::ProgramDir::manualFile("help.html"), QString("/usr/share/velloran/help.html"));
        // The administrator's file serves everybody who has none of their own.
        QCOMPARE(platform::ProgramDir::fileOrDefault("server.ini"), dir.path() + "/server.ini");
        put(dir.path() + "/etc/server.ini", "[server]\r\n");
        QCOMPARE(platform::ProgramDir::fileOrDefault("server.ini"), dir.path() + "/etc/server.ini");
        put(dir.path() + "/server.ini", "");
        QCOMPARE(platform::ProgramDir::fileOrDefault("server.ini"), dir.path() + "/server.ini");
        platform::ProgramDir::setInstalled({}, {}, {});
    }
};

QTEST_GUILESS_MAIN(TestProgramHome)
#include "tst_programhome.moc"
