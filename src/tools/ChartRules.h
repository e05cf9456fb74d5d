#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The statistics chart: how the list's rows divide among five groups by their relation, and where the bars, their
// value labels and the scale go on the chart panel, whose height is the height of a bar holding every row.
class ChartRules {
public:
    static constexpr int GroupCount = 5;
    static constexpr int PanelHeight = 164;
    static constexpr int BarWidth = 31;
    // Lefts of the bars inside the chart panel, in group order.
    static constexpr std::array<int, GroupCount> BarLefts = {24, 76, 128, 180, 232};
    // Value labels stand this far above their bars.
    static constexpr int LabelGap = 15;

    // 0 朋友; 1 单位 (同事, 领导); 2 学校 (同学, 老师); 3 家族 (家庭, 亲戚); 4 其他: every other relation, " " too.
    // Compared exactly: a relation typed by hand counts as 其他.
    static int group(const QString& relation);

    struct Chart {
        std::array<int, GroupCount> counts{};
        std::array<int, GroupCount> heights{}; // count × 164 / rows, the fraction dropped
        std::array<int, GroupCount> tops{};    // the bars stand on the panel's bottom edge
        std::array<QString, GroupCount> texts; // "3人"
        // The scale from the top: the number of rows, half of it (".5" for an odd number), "0".
        QString scaleTop;
        QString scaleMiddle;
        QString scaleBottom;
    };
    // The chart of these relations, one per list row. No rows give empty bars and a scale of zeros.
    static Chart chart(const QStringList& relations);

    // Left of a value label of that width, centred over bar i (the half difference truncated toward zero).
    static int labelLeft(int i, int labelWidth) { return BarLefts[size_t(i)] + (BarWidth - labelWidth) / 2; }
    static int labelTop(int barTop) { return barTop - LabelGap; }
    // Left of a scale label of that width: 12, or further left when a long number would run under the chart
    // panel (which starts at 39), but never left of the window.
    static int scaleLeft(int labelWidth);
};
