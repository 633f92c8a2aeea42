#include "RecordingMessageSink.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::testing::RecordingMessageSink;

namespace {

// The descriptor the next open would get: the lowest free one.
int lowestFreeDescriptor() {
    const int probe = open("/dev/null", O_RDONLY);
    close(probe);
    return probe;
}

// While it lives, no further descriptor can be opened: socket() fails with EMFILE.
class NoMoreDescriptors {
public:
    NoMoreDescriptors() {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit tight = m_saved;
        tight.rlim_cur = static_cast<rlim_t>(lowestFreeDescriptor());
        setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~NoMoreDescriptors() { setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The real start-up with a socket that cannot be opened: the user is told,
    // and the window still opens over a seeded generator.
    void withoutASocketTheWindowStillOpens() {
#ifdef QUORVEL_SANITIZED
        // The sanitizers' runtime opens descriptors of its own to check
        // memory; with none left it reports faults that are not there.
        QSKIP("needs every descriptor taken, which the sanitizers cannot work with");
#endif
        RecordingMessageSink sink;
        QFontMetrics(QApplication::font()).height(); // the font database, loaded beforehand
        CQuorvelApp app;                             // no socket given: InitInstance opens one
        bool windowShown = false;
        QStringList messagesBeforeWindow;
        int drawn = -1;
        const std::time_t before = std::time(nullptr);
        QTimer::singleShot(0, [&] {
            messagesBeforeWindow = sink.texts();
            drawn = std::rand();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<CQuorvelDlg*>(w)) {
                    windowShown = window->isVisible();
                    window->reject();
                }
        });
        // Never hang the suite if the window did not come up.
        QTimer::singleShot(5000, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<CQuorvelDlg*>(w))
                    window->reject();
        });
        int exitCode = -1;
        {
            NoMoreDescriptors limit;
            exitCode = app.InitInstance();
        }
        const std::time_t after = std::time(nullptr);

        QCOMPARE(exitCode, 0);
        QCOMPARE(messagesBeforeWindow, QStringList{"Cannot Open Socket"});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QVERIFY(windowShown);
        QVERIFY(app.dispatch.socket());
        QVERIFY(!app.dispatch.socket()->isOpen());
        // Seeded from the clock in seconds: the first number is that seed's.
        bool seeded = false;
        for (std::time_t t = before; t <= after && !seeded; ++t) {
            std::srand(static_cast<unsigned>(t));
            seeded = std::rand() == drawn;
        }
        QVERIFY(seeded);
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
