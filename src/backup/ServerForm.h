#pragma once

#include "store/ServerSettings.h"

#include <QGroupBox>

#include <functional>
#include <memory>

class QThread;

namespace Ui {
class ServerForm;
}

// The data window's form for the [server] keys of server.ini, with the server commands: test the connection
// (data server status), save the keys, create the book (init) and copy this desktop's book into it (push). The
// password typed here is used for this run only and never saved.
class ServerForm : public QGroupBox {
    Q_OBJECT
public:
    explicit ServerForm(const QString& programDir, QWidget* parent = nullptr);
    ~ServerForm() override;

    void ServerTestClick();
    void ServerSaveClick();
    void ServerInitClick();
    void ServerPushClick();
    // Fills the boxes from server.ini.
    void Load();
    bool isBusy() const { return m_worker != nullptr; }

signals:
    // A command runs or has ended: the window keeps its other work out meanwhile.
    void busyChanged(bool busy);

private:
    // The form's values, checked; false with the reason shown.
    bool read(store::ServerSettings* settings);
    using Work = std::function<bool(QString* done, QString* error)>;
    void startWork(const QString& label, Work work);
    void showResult(bool ok, const QString& text);

    std::unique_ptr<Ui::ServerForm> ui;
    QString m_dir;
    QThread* m_worker = nullptr;
};
