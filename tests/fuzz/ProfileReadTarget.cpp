#include "FuzzTargets.h"

#include "settings/PrivateProfile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <iterator>

namespace {
const char* const kSections[] = {"Kestra", "kestra", " Window ", "", "x]y", "Ünï"};
const char* const kKeys[] = {"Tag1", "TAG1", "AlwaysOnTop", " k ", "", "a=b"};
} // namespace

int FuzzProfileRead(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    if (size < 3)
        return 0;
    const QString section = QString::fromUtf8(kSections[data[0] % std::size(kSections)]);
    const QString key = QString::fromUtf8(kKeys[data[1] % std::size(kKeys)]);
    const int capacity = data[2] - 8; // negative, tiny and ordinary capacities
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data + 3), static_cast<qint64>(size - 3));
    file.close();
    const QString value = profile::GetPrivateProfileString(section, key, QStringLiteral("def"), capacity, path);
    if (capacity > 0 && value.size() > capacity - 1)
        __builtin_trap(); // the capacity counts the terminator
    profile::GetPrivateProfileInt(section, key, -1, path);
    return 0;
}
