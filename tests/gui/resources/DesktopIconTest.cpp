#include "gui/resources/DialogTemplates.h"
#include "gui/resources/IconResource.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

using namespace quorvel;

// The desktop's scalable icon is drawn by hand after the program's own; at
// 32 px the two must be the same picture, so they cannot drift apart.
class DesktopIconTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theScalableIconAt32PixelsIsTheProgramsIcon() {
        QSvgRenderer renderer(QStringLiteral(QUORVEL_DESKTOP_ICON));
        QVERIFY(renderer.isValid());
        QImage drawn(32, 32, QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();

        const QImage program = LoadIconResource(IDI_MAINFRAME)
                                   .pixmap(32, 32)
                                   .toImage()
                                   .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(program.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                QVERIFY2(drawn.pixel(x, y) == program.pixel(x, y),
                         qPrintable(QStringLiteral("pixel %1,%2: %3 against %4")
                                        .arg(x)
                                        .arg(y)
                                        .arg(drawn.pixel(x, y), 8, 16)
                                        .arg(program.pixel(x, y), 8, 16)));
    }
};

QTEST_MAIN(DesktopIconTest)
#include "DesktopIconTest.moc"
