#pragma once

#include "store/Connection.h"
#include "tools/AreaCodeRules.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TForm9;
}

// The area-code lookup: the cities of a province, the code of a city, or the cities of a code, from table call of
// qh.mdb. The mode and the inputs keep their state between showings; the result list starts afresh each time.
class TForm9 : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);
    ~TForm9() override;

    // The window's own connection to qh.mdb: open while the window is shown.
    store::Connection acper;

    std::unique_ptr<Ui::TForm9> ui;

    void FormShow();
    void RadioButton1Click(); // province
    void RadioButton2Click(); // city
    void RadioButton3Click(); // area code
    void Button1Click();      // look up
    void Button2Click();      // close

    AreaCodeRules::Mode mode() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateModeTabStops();
    // Shows the input of city or code mode under this prompt.
    void ChooseInput(const QString& prompt);
};
