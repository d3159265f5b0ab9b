// The icon built into the program: every size drawn at build time, each the
// picture of the organisation rather than an empty square.
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QTest>

#include "data/program_icon.h"

class ProgramIconTest : public QObject {
    Q_OBJECT

  private slots:
    void everySizeIsBuiltIn_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QTest::newRow(qPrintable(QString::number(size))) << size;
        }
    }

    void everySizeIsBuiltIn() {
        QFETCH(int, size);
        const QIcon icon = velmora::ProgramIcon();
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        // The bottom level's men and women in pure colour, where a pixel lies
        // wholly inside them.
        if (size < 24) return;
        const int y = size * 207 / 256;
        QCOMPARE(image.pixelColor(size * 20 / 64, y).rgb(), qRgb(0, 0, 255));
        QCOMPARE(image.pixelColor(size * 44 / 64, y).rgb(), qRgb(255, 0, 0));
    }
};

QTEST_MAIN(ProgramIconTest)
#include "program_icon_test.moc"
