#pragma once

#include <QString>
#include <QStringList>

// The dynamic symbols of a program or a shared library as `nm -D` lists them, for the tests that keep
// what a library exports to what is meant. Fails the calling test when nm cannot read the file.
enum class SymbolSide { Defined, Undefined };
QStringList DynamicSymbols(const QString& file, SymbolSide side, bool demangled = false);
