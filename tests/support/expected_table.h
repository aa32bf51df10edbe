#pragma once

// The tables of expected values the tests keep as data files beside them (KPV_TEST_DIR is the folder of a
// test's sources): a row a line, its cells apart by tabs. A cell in double quotes is taken without them, so
// that an empty cell and the spaces at a cell's ends show; blank lines and lines that begin with '#' are
// comments.
#include <QList>
#include <QStringList>

// The rows of the file, each of `cells` cells. A file that cannot be read, or a row of another width,
// stops the test program, naming the file and the line.
QList<QStringList> ReadExpectedTable(const QString& file, int cells);
