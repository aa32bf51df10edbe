#pragma once

#include "test_database.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One run of the build's kpv-accounts over a test's database, as an administrator's script runs it.
struct AccountsRun {
    int exitCode = -1;  // -1 when it crashed or did not end within a minute
    QString output;     // standard output
    QString errors;     // standard error
};

// `input` is its standard input: the password, as a script gives it.
AccountsRun RunAccountsTool(const TestDatabase& database, const QStringList& arguments,
                            const QByteArray& input = {});

// An active account made with kpv-accounts add; false with the tool's words in `error`.
bool AddAccount(const TestDatabase& database, const QString& login, const QString& rights,
                const QString& password, QString* error);
