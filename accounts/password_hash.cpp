#include "accounts/password_hash.h"

#include <sodium.h>

#include <mutex>
#include <stdexcept>

namespace kpv::accounts {

namespace {

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
    });
}

}  // namespace

QString HashPassword(const QString& password) {
    initialiseOnce();
    const QByteArray utf8 = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        throw std::runtime_error("not enough memory to hash the password");
    }
    return QString::fromLatin1(hash);
}

bool VerifyPassword(const QString& hash, const QString& password) {
    initialiseOnce();
    const QByteArray stored = hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size())) == 0;
}

}  // namespace kpv::accounts
