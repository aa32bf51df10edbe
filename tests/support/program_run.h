#pragma once

#include <QString>
#include <QStringList>

// A command a test runs to its end: its exit code (-1 when it crashed or took longer than `timeoutMs`) and
// what it wrote on standard output and error, together.
struct ProgramRun {
    int exitCode = -1;
    QString output;
};

ProgramRun RunProgram(const QString& program, const QStringList& arguments, int timeoutMs = 60000);
