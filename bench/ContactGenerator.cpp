#include "ContactGenerator.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <random>

namespace bench {

namespace {

const QString kSurnames = QStringLiteral(
    "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢"
    "姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
// Two-character surnames, so the sorted list also meets names whose surname is longer than one character.
const QStringList kCompoundSurnames = {QStringLiteral("欧阳"), QStringLiteral("司马"), QStringLiteral("诸葛"),
                                       QStringLiteral("上官"), QStringLiteral("东方")};
const QString kGivenCharacters = QStringLiteral(
    "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀英华慧巧美霞平刚桂兰玉萍红娥玲芬燕彩春菊凤洁梅琳素云莲真环雪荣爱妹香"
    "月莺媛瑞凡佳嘉琼勤珍贞莉娣叶璧璐娅琦晶妍茜秋珊莎锦黛青倩婷姣婉娴瑾颖露瑶怡婵雁蓓仪荷丹蓉眉君琴蕊薇菁梦岚"
    "苑婕馨瑗琰韵融园艺咏卿聪澜纯毓悦昭冰爽琬茗羽希宁欣飘育滢馥筠柔竹霭凝晓欢霄枫芸菲寒伊亚宜可姬舒影荔枝思淑"
    "惠珠翠雅芝毅俊峰保东文辉力永健世广志义兴良海山仁波贵福生龙元全国胜学祥才发武新利清飞彬富顺信子昌成康星光"
    "天达安岩中茂进林有坚和彪博诚先敬震振壮会群豪心邦承乐绍功松善厚庆民友裕河哲江浩亮政谦亨奇固之轮翰朗伯宏言"
    "若鸣朋斌梁栋维启克伦翔旭鹏泽晨辰士以建家致树炎德行时泰盛雄琛钧冠策腾楠榕风航弘");
const QStringList kRelations = {QStringLiteral("朋友"), QStringLiteral("同事"), QStringLiteral("领导"),
                                QStringLiteral("同学"), QStringLiteral("老师"), QStringLiteral("亲戚"),
                                QStringLiteral("家庭")};
const QStringList kAreaCodes = {QStringLiteral("0351"), QStringLiteral("0352"), QStringLiteral("0355"),
                                QStringLiteral("0354"), QStringLiteral("010"),  QStringLiteral("021"),
                                QStringLiteral("0371"), QStringLiteral("029")};
const QStringList kCities = {QStringLiteral("太原市"), QStringLiteral("大同市"), QStringLiteral("长治市"),
                             QStringLiteral("晋中市"), QStringLiteral("运城市"), QStringLiteral("临汾市"),
                             QStringLiteral("忻州市"), QStringLiteral("阳泉市")};
const QStringList kRoads = {QStringLiteral("迎泽"), QStringLiteral("解放"), QStringLiteral("五一"),
                            QStringLiteral("府西"), QStringLiteral("并州"), QStringLiteral("建设"),
                            QStringLiteral("胜利"), QStringLiteral("长风"), QStringLiteral("学府"),
                            QStringLiteral("平阳"), QStringLiteral("新建"), QStringLiteral("和平")};
const QStringList kMobilePrefixes = {QStringLiteral("130"), QStringLiteral("133"), QStringLiteral("135"),
                                     QStringLiteral("138"), QStringLiteral("139"), QStringLiteral("150"),
                                     QStringLiteral("158"), QStringLiteral("186"), QStringLiteral("189")};
const QString kBlank = QStringLiteral(" ");

// std::mt19937's output is fixed by the standard, unlike the standard distributions, so the contacts are the
// same with every standard library.
class Dice {
public:
    explicit Dice(quint32 seed) : m_engine(seed) {}
    int below(int n) { return int(m_engine() % quint32(n)); }
    bool percent(int p) { return below(100) < p; }
    template <typename List> const auto& pick(const List& list) { return list.at(below(int(list.size()))); }
    QString digits(int n)
    {
        QString s;
        s.reserve(n);
        for (int k = 0; k < n; ++k)
            s.append(QChar(u'0' + below(10)));
        return s;
    }
    // A local telephone number: it never begins with 0 or 1, which would dial a trunk or service prefix.
    QString localNumber(int n)
    {
        QString s(QChar(u'2' + below(7)));
        s += digits(n - 1);
        return s;
    }

private:
    std::mt19937 m_engine;
};

// The operands of + are unsequenced: each draw is its own statement, so every compiler draws in one order.
QString areaNumber(Dice& dice)
{
    QString s = dice.pick(kAreaCodes);
    s += QLatin1Char('-');
    s += dice.localNumber(7);
    return s;
}

QString mobileNumber(Dice& dice)
{
    QString s = dice.pick(kMobilePrefixes);
    s += dice.digits(8);
    return s;
}

QString streetAddress(Dice& dice)
{
    QString s = QStringLiteral("山西省");
    s += dice.pick(kCities);
    s += dice.pick(kRoads);
    s += QStringLiteral("路%1号").arg(1 + dice.below(300));
    return s;
}

QStringList uniqueCharacters(const QString& text)
{
    QStringList out;
    QSet<QChar> seen;
    for (const QChar c : text) {
        if (!seen.contains(c)) {
            seen.insert(c);
            out.append(QString(c));
        }
    }
    return out;
}

// Invents distinct names: a surname (now and then a compound one) and one or two given characters; a name drawn
// again gets a number, as people number their second 张伟.
class NameMaker {
public:
    explicit NameMaker(int count) : m_surnames(uniqueCharacters(kSurnames)), m_given(uniqueCharacters(kGivenCharacters))
    {
        m_used.reserve(count);
    }
    QString next(Dice& dice)
    {
        QString name = dice.percent(2) ? dice.pick(kCompoundSurnames) : dice.pick(m_surnames);
        const int givenLength = dice.percent(60) ? 2 : 1;
        for (int k = 0; k < givenLength; ++k)
            name += dice.pick(m_given);
        if (m_used.contains(name)) {
            int& suffix = m_nextSuffix[name];
            if (suffix < 2)
                suffix = 2;
            QString candidate;
            do
                candidate = name + QString::number(suffix++);
            while (m_used.contains(candidate));
            name = candidate;
        }
        m_used.insert(name);
        return name;
    }

private:
    const QStringList m_surnames;
    const QStringList m_given;
    QSet<QString> m_used;
    QHash<QString, int> m_nextSuffix;
};

} // namespace

bool copyProgramDir(const QString& from, const QString& to, QString* error)
{
    const QDir source(from);
    if (!source.exists(QStringLiteral("call.mdb"))) {
        *error = QStringLiteral("%1 holds no call.mdb; build the program_dir target first").arg(from);
        return false;
    }
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = source.relativeFilePath(path);
        if (rel == QLatin1String("velloran"))
            continue;
        const QString target = to + QLatin1Char('/') + rel;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(path, target)) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(path, target);
            return false;
        }
        // Copies of read-only files stay read-only; the program must be able to write its settings and notes.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    }
    QDir().mkpath(to + QStringLiteral("/photo"));
    return true;
}

QStringList inventNames(int count)
{
    Dice dice(20240305u);
    NameMaker names(count);
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(names.next(dice));
    return out;
}

int fillContacts(const QString& databaseFile, int count, QString* error)
{
    Dice dice(20240305u);
    const QDate firstRegistration(2003, 1, 1);
    const int registrationDays = int(firstRegistration.daysTo(QDate(2024, 12, 31)));

    const QString connection = QStringLiteral("bench.generator");
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databaseFile);
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            // A lost generator run is simply repeated, so the generator needs no durability.
            q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
            db.transaction();
            q.prepare(
                QStringLiteral("insert into main (姓名, 性别, 生月, 生日, 关系, 电话, 手机, 小灵通, 住址, 备注, 照片, "
                               "登记时间) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            NameMaker names(count);
            bool ok = true;
            for (int i = 0; i < count && ok; ++i) {
                const QString name = names.next(dice);

                const int sexRoll = dice.below(100);
                const QString sex = sexRoll < 46 ? QStringLiteral("男") : sexRoll < 92 ? QStringLiteral("女") : kBlank;
                int month = 0;
                int day = 0;
                if (!dice.percent(25)) {
                    month = 1 + dice.below(12);
                    day = 1 + dice.below(QDate(2000, month, 1).daysInMonth());
                }
                const QString phone = dice.percent(40) ? areaNumber(dice) : kBlank;
                const QString mobile = dice.percent(90) ? mobileNumber(dice) : kBlank;
                const QString phs = dice.percent(10) ? QStringLiteral("0351-") + dice.localNumber(7) : kBlank;
                const QString address = dice.percent(85) ? streetAddress(dice) : kBlank;
                const QString note = dice.percent(5) ? QStringLiteral("老家在") + dice.pick(kCities) : kBlank;
                const QString relation = dice.pick(kRelations);
                // Registration dates rise with the id, as records entered over the years would.
                const QDate registered = firstRegistration.addDays(qint64(i) * registrationDays / qMax(count, 1));

                q.addBindValue(name);
                q.addBindValue(sex);
                q.addBindValue(month);
                q.addBindValue(day);
                q.addBindValue(relation);
                q.addBindValue(phone);
                q.addBindValue(mobile);
                q.addBindValue(phs);
                q.addBindValue(address);
                q.addBindValue(note);
                q.addBindValue(QStringLiteral("no.bmp"));
                q.addBindValue(registered.toString(QStringLiteral("yyyy年MM月dd日")));
                if (!q.exec()) {
                    *error = QStringLiteral("row %1 (%2): %3").arg(i).arg(name, q.lastError().text());
                    ok = false;
                }
            }
            q.finish();
            if (ok && !db.commit()) {
                *error = db.lastError().text();
                ok = false;
            }
            if (!ok)
                db.rollback();
            if (ok && q.exec(QStringLiteral("select count(*) from main")) && q.next())
                rows = q.value(0).toInt();
            else if (ok)
                *error = q.lastError().text();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

} // namespace bench
