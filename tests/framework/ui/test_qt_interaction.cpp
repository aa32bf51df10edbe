// The production interaction with its real Qt dialogs, where a test can drive them headless: a preview
// whose painting fails closes by itself, hands the error on from outside Qt's event loop and leaves its
// printer fit to print.
#include "framework/core/errors.h"
#include "framework/core/interaction.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class QtDialogs : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void previewWhosePaintingFailsEndsWithTheError() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("after.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        const std::unique_ptr<kpv::Interaction> dialogs = kpv::MakeQtInteraction();
        int paints = 0;
        try {
            dialogs->PrintPreview(nullptr, &printer, [&paints](QPrinter*) {
                ++paints;
                throw kpv::Error(QStringLiteral("Campo 'NRRPS' inexistente."));
            });
            QFAIL("the painting's error was lost");
        } catch (const kpv::Error& e) {
            QCOMPARE(e.message(), QStringLiteral("Campo 'NRRPS' inexistente."));
        }
        QCOMPARE(paints, 1);
        // The preview has given the printer back: a print on it writes its file.
        QPainter painter;
        QVERIFY(painter.begin(&printer));
        painter.drawText(100, 100, QStringLiteral("RPS"));
        QVERIFY(painter.end());
        QVERIFY(QFileInfo(file).size() > 0);
    }
};

QTEST_MAIN(QtDialogs)
#include "test_qt_interaction.moc"
