// Salted password hashes: "pbkdf2-sha256$<iterations>$<salt base64>$<hash base64>".
#pragma once

#include <QString>

namespace logd {

constexpr int kDefaultKdfIterations = 100000;

// A new hash of `password` with a fresh random salt.
QString makePasswordHash(const QString& password, int iterations = kDefaultKdfIterations);
// True when `password` matches `stored`; false for a malformed or unknown hash format.
bool verifyPassword(const QString& password, const QString& stored);

} // namespace logd
