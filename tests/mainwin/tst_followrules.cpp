// How the record list takes in what other desktops changed, without a window: rows changed in place, deleted ones
// gone, new ones first (or at their sorted place), and nothing touched when nothing differs.
#include "hub/RecordModel.h"
#include "mainwin/LiveUpdates.h"

#include <QtTest>

namespace {

store::BookChanges::Row row(const QString& name, const QString& mobile = "130")
{
    return {name, "朋友", " ", mobile, " ", " "};
}

QStringList names(const RecordModel& model)
{
    QStringList out;
    for (int i = 0; i < model.count(); ++i)
        out << model.caption(i);
    return out;
}

} // namespace

class tst_followrules : public QObject {
    Q_OBJECT
private slots:
    // A few changed rows are found one by one, many through an index of the names: both give the same list.
    void changesComeIntoTheList_data()
    {
        QTest::addColumn<int>("changed");
        QTest::newRow("a few") << 2;
        QTest::newRow("many") << 30;
    }
    void changesComeIntoTheList()
    {
        QFETCH(int, changed);
        RecordModel model;
        std::vector<RecordRow> rows;
        for (int i = 0; i < 40; ++i)
            rows.push_back(RecordRow{row(QString("n%1").arg(i))});
        model.setRows(std::move(rows));
        store::BookChanges::Delta delta;
        delta.gone = {"n0", "nobody"};
        for (int i = 1; i <= changed; ++i)
            delta.present.push_back(row(QString("n%1").arg(i), "139"));
        delta.present.push_back(row("new1"));
        delta.present.push_back(row("new2"));
        QVERIFY(LiveUpdates::applyTo(model, delta));
        QCOMPARE(model.count(), 41);
        QCOMPARE(names(model).mid(0, 3), QStringList({"new2", "new1", "n1"}));
        QCOMPARE(model.row(1 + changed).cells[3], QString("139"));
        QCOMPARE(model.row(2 + changed).cells[3], QString("130"));

        // The same changes again: the list already shows them.
        delta.gone.clear();
        delta.present.erase(delta.present.end() - 2, delta.present.end());
        QVERIFY(!LiveUpdates::applyTo(model, delta));
    }

    // While the list is sorted by name, a new row goes to its sorted place.
    void newRowsKeepTheSortOrder()
    {
        RecordModel model;
        model.setRows({RecordRow{row("a")}, RecordRow{row("c")}});
        model.setSortByName(true);
        store::BookChanges::Delta delta;
        delta.present.push_back(row("b"));
        QVERIFY(LiveUpdates::applyTo(model, delta));
        QCOMPARE(names(model), QStringList({"a", "b", "c"}));
    }
};

QTEST_MAIN(tst_followrules)
#include "tst_followrules.moc"
