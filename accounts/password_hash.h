#pragma once

#include <QString>

namespace kpv::accounts {

// Passwords are kept as Argon2id hashes made by libsodium's crypto_pwhash_str, which carry their own salt
// and cost, so that a cost chosen later still checks the hashes made before. The cost is libsodium's for
// interactive sign-ins, 2 passes over 64 MiB: about 85 ms of one core on a two-core office server, so that a
// sign-in stays within 300 ms while the other clerks keep that server busy.
inline constexpr int kMinPasswordLength = 8;

// Throws std::runtime_error when the machine cannot spare the memory.
QString HashPassword(const QString& password);
// Whether `password` is the one `hash` was made of; false for a hash that is no such hash.
bool VerifyPassword(const QString& hash, const QString& password);

}  // namespace kpv::accounts
