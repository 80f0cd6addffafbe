// A second process for the store's tests: one that opens the store and says how it went,
// writes until it is killed, writes beside another copy, or writes with a file size limit.
//   recording_child open DB
//   recording_child write DB SEED FRAMES_PER_TICK TICKS [FILE_SIZE_LIMIT]   (TICKS 0: until killed)
// As root it first becomes nobody, so that file modes bind it as they bind a user.
#include "MadeFrames.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int Open(const QString &Path)
{
    TRecordingStore store;
    const TStoreOpening opening = store.Open(Path);
    std::printf("status=%d\nmoved=%s\nreason=%s\n", int(opening.Status), qPrintable(opening.MovedAsideTo),
                qPrintable(opening.Reason));
    return 0;
}

int Write(const QStringList &Args)
{
    const QString path = Args[2];
    const int seed = Args[3].toInt();
    const int perTick = Args[4].toInt();
    const int ticks = Args[5].toInt();
    if (Args.size() > 6) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = Args[6].toULongLong();
        const struct rlimit size = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
    }
    TRecordingStore store;
    if (!store.Open(path).CanRecord()) {
        std::printf("unavailable %s\n", qPrintable(store.Opening().Reason));
        return 2;
    }
    TRecorder recorder(path);
    int failures = 0;
    recorder.OnWriteFailure = [&failures](const TWriteFailure &Failure) {
        ++failures;
        std::printf("failure %d %s\n", int(Failure.Kind), qPrintable(Failure.Reason));
        std::fflush(stdout);
    };
    recorder.Begin({QDateTime::currentMSecsSinceEpoch(),
                    std::uint16_t(seed),
                    QStringLiteral("/dev/pts/%1").arg(seed),
                    1,
                    {QStringLiteral("copy %1").arg(seed)}});
    std::uint32_t pushed = 0;
    qint64 longestPushNs = 0;
    int tick = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (int i = 0; i < perTick; ++i) {
            const TRecordedFrame frame = MadeFrame(seed, pushed, QDateTime::currentMSecsSinceEpoch());
            QElapsedTimer clock;
            clock.start();
            recorder.Push(frame);
            longestPushNs = std::max(longestPushNs, clock.nsecsElapsed());
            std::printf("pushed %u %lld\n", pushed, static_cast<long long>(frame.WallMs));
            ++pushed;
        }
        std::fflush(stdout);
        if (ticks > 0 && ++tick >= ticks) {
            timer.stop();
            recorder.End();
            recorder.Flush();
            // Failures reported by the last commit are queued: let them come.
            QCoreApplication::processEvents();
            std::printf("done %u failures=%d longest_push_us=%lld\n", pushed, failures, longestPushNs / 1000);
            std::fflush(stdout);
            QCoreApplication::quit();
        }
    });
    timer.start(10);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        return 3;
    // Changing the user makes the process undumpable, which would keep the leak checker of a
    // sanitizer build from looking at its own threads.
    prctl(PR_SET_DUMPABLE, 1);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("open"))
        return Open(args[2]);
    if (args.size() >= 6 && args[1] == QLatin1String("write"))
        return Write(args);
    std::fprintf(stderr, "usage: recording_child open DB | write DB SEED FRAMES_PER_TICK TICKS [LIMIT]\n");
    return 2;
}
