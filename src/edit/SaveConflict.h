#pragma once

#include "store/Dataset.h"

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>

// What the modify window tells when another desktop changed or deleted the record after the window read it, and the
// choices it offers. Plain texts, tested without a window.
namespace SaveConflict {

// The fields another desktop changed too: each with the other's value and this window's.
QString changedText(const QString& name, const QList<store::Dataset::Clash>& clashes);
// Yes: overwrite with this window's values; No: keep the other's; Cancel: back to the window.
QList<QPair<QMessageBox::StandardButton, QString>> changedChoices();

QString deletedText(const QString& name);
// Yes: store the record again with this window's values; No: let it go and close the window; Cancel: back.
QList<QPair<QMessageBox::StandardButton, QString>> deletedChoices();

} // namespace SaveConflict
