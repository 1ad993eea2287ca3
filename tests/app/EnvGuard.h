// Sets or unsets environment variables for one test and puts the old values back afterwards.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QtGlobal>

#include <optional>

class EnvGuard {
public:
    EnvGuard(std::initializer_list<const char*> names) {
        for (const char* n : names)
            saved_.append({n, qEnvironmentVariableIsSet(n) ? std::optional(qgetenv(n)) : std::nullopt});
    }
    ~EnvGuard() {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }
    static void set(const char* name, const QByteArray& value) { qputenv(name, value); }
    static void unset(const char* name) { qunsetenv(name); }

private:
    QList<QPair<QByteArray, std::optional<QByteArray>>> saved_;
};
