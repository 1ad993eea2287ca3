#include "logview/logic/ViewTextFile.h"

#include <QFile>

#include <algorithm>

namespace viewlogic {

namespace {
constexpr qsizetype kWriteBufferBytes = 4096;
}

QString ReportedText(const QList<QStringList>& lines) {
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += QStringLiteral("\r\n");
        text += lines[i].join(QStringLiteral("\r\r\n"));
    }
    return text;
}

QByteArray Utf16LeBytes(QStringView text) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        *out++ = static_cast<char>(unit & 0xFF);
        *out++ = static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool WriteUtf16LeFile(const QString& path, QStringView text, QString* error) {
    QFile file(path);
    const auto fail = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail();
    const QByteArray bytes = Utf16LeBytes(text);
    for (qsizetype done = 0; done < bytes.size(); done += kWriteBufferBytes) {
        const qsizetype piece = std::min(kWriteBufferBytes, bytes.size() - done);
        if (file.write(bytes.constData() + done, piece) != piece)
            return fail();
    }
    file.close();
    return file.error() == QFileDevice::NoError || fail();
}

} // namespace viewlogic
