#include "store/Tdmper.h"

namespace store {

Tdmper::Tdmper(QObject* parent)
    : QObject(parent), acper(QStringLiteral("dmper.acper"), QStringLiteral("call.mdb"))
{
    setObjectName(QStringLiteral("dmper"));
}

} // namespace store
