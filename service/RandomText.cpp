#include "service/RandomText.h"

#include <QByteArray>
#include <QRandomGenerator>

namespace logd {

QString RandomHex(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(raw.data()), bytes / 4);
    return QString::fromLatin1(raw.toHex());
}

} // namespace logd
