#pragma once

#include "backup/ArchiveSummary.h"

#include <QDialog>

#include <functional>
#include <memory>

class QThread;
class ServerForm;

namespace Ui {
class Tdata;
}

// The window of the backup and restore program: backup to a chosen file, restore from a chosen archive or from
// one of the archives in backup/. The work runs on a worker thread; the window shows its progress and cannot be
// closed until it ends.
class Tdata : public QDialog {
    Q_OBJECT
public:
    explicit Tdata(const QString& programDir, QWidget* parent = nullptr);
    ~Tdata() override;

    void Button1Click(); // backup to a file
    void Button2Click(); // restore the archive selected in the list
    void Button3Click(); // restore from a file
    // Lists the archives of backup/ with their dates and contact counts.
    void FillList();
    bool isBusy() const { return m_worker != nullptr; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    using Work = std::function<bool(const backup::Progress& progress, QString* error)>;
    void startWork(const QString& label, Work work, std::function<void(bool ok, const QString& error)> done);
    void restoreFrom(const QString& archive);
    void setBusy(bool busy);

    std::unique_ptr<Ui::Tdata> ui;
    QString m_dir;
    QThread* m_worker = nullptr;
    ServerForm* m_server = nullptr;
};
