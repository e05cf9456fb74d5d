#pragma once

#include "search/PinyinCache.h"
#include "search/SearchRules.h"
#include "store/Dataset.h"

#include <QDialog>
#include <QList>
#include <atomic>
#include <memory>

class QLineEdit;

namespace hub {
class MainHub;
}

namespace Ui {
class Tfind;
}

// The search window: finds records whose columns contain the typed text and puts them into the main list.
class Tfind : public QDialog {
    Q_OBJECT
public:
    // The window reaches the main window through `main` only.
    explicit Tfind(hub::MainHub& main, QWidget* parent = nullptr);
    ~Tfind() override;

    // Full scan of table main: each search attaches it to the data module's connection and sets its statement; the
    // rows are read by the main window's reader, so afo itself is never left open.
    store::Dataset afo;

    std::unique_ptr<Ui::Tfind> ui;

    // Page 1, no result line, no view button, the focus on Edit1; everything else keeps its state.
    void FormShow();
    // One of 姓名, 电话, 手机, 小灵通 containing text (already trimmed, never empty).
    void SingleSearch(const QString& column, const QString& text, bool countOnly);
    // Every filled input contained in its column (关系, 电话, 手机, 住址); the inputs arrive untrimmed.
    void CompoundSearch(const QString& relation, const QString& phone, const QString& mobile, const QString& address,
                        bool countOnly);
    void Button1Click(); // search; counts only while CheckBox1 is not ticked
    void Button2Click(); // view: the search again from the inputs as they are now, always listing
    void Button3Click(); // close
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    // A mouse click into an input empties it and withdraws the last result.
    void EditClick(QLineEdit* edit);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    hub::MainHub& m_main;
    // The pinyin of every name, read once for all searches: ahead of the first, while the reader is idle, or by the
    // searches themselves. Used in the reader's thread only; shared with the reader's idle work, which the flag ends.
    std::shared_ptr<search::PinyinCache> m_pinyin;
    std::shared_ptr<std::atomic<bool>> m_closing;
    using Condition = SearchRules::Condition;

    // Search and view share everything but the count-only flag and the empty page-1 input.
    void Search(bool countOnly, bool view);
    void ChooseField(const QString& prompt, const QString& hint);
    void ShowResult(const QString& text);
    // Reads table main once, tests every row against all conditions, reports the count and, unless countOnly,
    // puts the matches into the main list and closes the window.
    void Run(const QList<Condition>& conditions, bool countOnly, bool compound);
};
