#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

// Asked once the file of an import is chosen: what becomes of the contacts the book has already. 跳过 is chosen
// every time the window opens; 补充空白项目 fills the blank fields of those records from the file.
class ImportOptions : public QDialog {
    Q_OBJECT
public:
    ImportOptions(QWidget* parent, const QString& fileName);

    bool fillBlanks() const;

    QLabel* FileLabel;          // the file's name
    QRadioButton* SkipExisting; // 跳过
    QRadioButton* FillBlanks;   // 补充空白项目
    QPushButton* ImportButton;  // 导入
    QPushButton* CancelButton;  // 取消

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
