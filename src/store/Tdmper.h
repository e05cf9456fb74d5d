#pragma once

#include "store/Connection.h"

#include <QObject>

namespace store {

// The data module: holds the shared connection that the editing, search, duplicate-name and delete statements
// use. It opens with its first statement and stays open until the program ends.
class Tdmper : public QObject {
    Q_OBJECT
public:
    explicit Tdmper(QObject* parent = nullptr);

    Connection acper;
};

} // namespace store
