// Saving the chart as a picture and exporting the recorded lines, through the real main
// window, the real save dialog and real files read back with the decoders.
#include "MainFixture.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/SaveDialogDriver.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <png.h>
#include <turbojpeg.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// While it lives no file of this process may grow past Bytes, as on a full disk.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit limit = FOld;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &FOld); }

private:
    rlimit FOld{};
};

QByteArray Read(const QString &FileName)
{
    QFile file(FileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void Write(const QString &FileName, const QByteArray &Bytes)
{
    QFile file(FileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

QImage DecodeJpeg(const QByteArray &Bytes, int &Subsampling, int &Colorspace)
{
    tjhandle decoder = tjInitDecompress();
    const auto *data = reinterpret_cast<const unsigned char *>(Bytes.constData());
    int width = 0, height = 0;
    QImage image;
    if (tjDecompressHeader3(decoder, data, Bytes.size(), &width, &height, &Subsampling, &Colorspace) == 0) {
        image = QImage(width, height, QImage::Format_RGB888);
        if (tjDecompress2(decoder, data, Bytes.size(), image.bits(), width, int(image.bytesPerLine()), height, TJPF_RGB,
                          0) != 0)
            image = QImage();
    }
    tjDestroy(decoder);
    return image;
}

QImage DecodePng(const QByteArray &Bytes)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, Bytes.constData(), size_t(Bytes.size())))
        return {};
    png.format = PNG_FORMAT_RGB;
    QImage image(int(png.width), int(png.height), QImage::Format_RGB888);
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
        return {};
    return image;
}

// The largest difference of one colour component, and the share of pixels where a component
// differs by more than Tolerance; 256 and 1 for pictures of different sizes.
int MaxDifference(const QImage &A, const QImage &B, double *Share = nullptr, int Tolerance = 0)
{
    if (Share)
        *Share = 1;
    if (A.size() != B.size() || A.isNull())
        return 256;
    const QImage a = A.convertToFormat(QImage::Format_RGB888), b = B.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            int pixel = 0;
            for (int c = 0; c < 3; ++c)
                pixel =
                    std::max(pixel, std::abs(int(a.constScanLine(y)[3 * x + c]) - int(b.constScanLine(y)[3 * x + c])));
            worst = std::max(worst, pixel);
            differing += pixel > Tolerance;
        }
    if (Share)
        *Share = double(differing) / (double(a.width()) * a.height());
    return worst;
}

// What stands at a path, without following a link: kind, owner, group, mode, links.
QString Describe(const QString &Path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(Path).constData(), &info) != 0)
        return QStringLiteral("missing");
    const char *kind = S_ISREG(info.st_mode)    ? "file"
                       : S_ISDIR(info.st_mode)  ? "folder"
                       : S_ISFIFO(info.st_mode) ? "fifo"
                       : S_ISCHR(info.st_mode)  ? "device"
                       : S_ISSOCK(info.st_mode) ? "socket"
                       : S_ISLNK(info.st_mode)  ? "link"
                                                : "other";
    return QStringLiteral("%1 %2:%3 %4 x%5")
        .arg(QLatin1String(kind))
        .arg(info.st_uid)
        .arg(info.st_gid)
        .arg(info.st_mode & 07777, 0, 8)
        .arg(info.st_nlink);
}

// Sets up what the row names at Path; false when this machine cannot make it.
bool MakeTarget(const QString &Kind, const QString &Path)
{
    const QByteArray path = QFile::encodeName(Path);
    if (Kind == "fifo")
        return ::mkfifo(path.constData(), 0644) == 0;
    if (Kind == "device")
        return ::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (Kind == "folder")
        return ::mkdir(path.constData(), 0755) == 0;
    if (Kind == "dangling link")
        return ::symlink("nowhere.csv", path.constData()) == 0;
    if (Kind == "socket") {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (path.size() >= qsizetype(sizeof address.sun_path))
            return false;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound = ::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(socket);
        return bound;
    }
    Write(Path, "earlier content");
    if (QTest::currentTestFailed() || ::chmod(path.constData(), 0640) != 0)
        return false;
    if (Kind == "hard-linked file")
        return ::link(path.constData(), QFile::encodeName(Path + ".link").constData()) == 0;
    if (Kind == "file of another user")
        return ::chown(path.constData(), 65534, 65534) == 0;
    if (Kind == "link to a file") {
        const QString target = Path + ".target";
        return QFile::rename(Path, target) && QFile::link(target, Path);
    }
    return Kind == "file";
}

// Moves the window off the work area, where only the show handler puts it back.
void Displace(TfrmMain &Form)
{
    Form.setMinimumSize(0, 0);
    Form.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Form.setGeometry(40, 50, 500, 400);
}

bool OnWorkArea(const TfrmMain &Form)
{
    return Form.frameGeometry() == QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

class TestSaveExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void ExportWritesTheRecordedLines()
    {
        QTemporaryDir dir;
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        TBoxAnswerer boxes(QMessageBox::Ok);

        // Before any data: an empty file, no question, no warning.
        {
            TDialogDriver dialog(dir.filePath("before.csv"));
            f.Form->actFileExport->trigger();
            QCOMPARE(dialog.Count, 1);
            QCOMPARE(dialog.Title, QStringLiteral("导出数据"));
            QCOMPARE(dialog.Filters, QStringList{QStringLiteral("CSV - CSV文件(*.csv)")});
            QCOMPARE(dialog.Suffix, QStringLiteral("csv"));
        }
        QCOMPARE(Read(dir.filePath("before.csv")), QByteArray());

        f.OpenIn(fmSingle);
        f.Feed(MakeFrame(0, 4199, 1200, 75, 300));
        f.Feed(MakeFrame(1, 1300, 500, 10, 50));
        f.Feed(MakeFrame(0, 4200, 1210, 76, 302));
        const QByteArray expected = "Idx,#,V,mA,C,min,mAh\r\n"
                                    "1,1,4.20,1200,0,75,300\r\n"
                                    "1,2,1.30,500,0,10,50\r\n"
                                    "2,1,4.20,1210,0,76,302\r\n";
        Displace(*f.Form);
        {
            TDialogDriver dialog(dir.filePath("data.csv"));
            f.Form->actFileExport->trigger();
            QCOMPARE(dialog.Proposed, QStringLiteral("before.csv"));
        }
        QCOMPARE(Read(dir.filePath("data.csv")), expected);
        QVERIFY(OnWorkArea(*f.Form));
        // Exporting again gives the same bytes and keeps the list.
        {
            TDialogDriver dialog(dir.filePath("again.csv"));
            f.Form->actFileExport->trigger();
        }
        QCOMPARE(Read(dir.filePath("again.csv")), expected);
        QCOMPARE(f.Form->FExportLines->Count(), 4u);
        QCOMPARE(boxes.Count(), 0);

        // Cleared data exports as an empty file, over the earlier one when allowed.
        f.Form->actClearData->trigger();
        {
            TDialogDriver dialog(dir.filePath("data.csv"));
            f.Form->actFileExport->trigger();
        }
        QCOMPARE(boxes.Count(), 2);
        QCOMPARE(boxes.Texts[1], QStringLiteral("文件 %1 已经存在，是否覆盖？").arg(dir.filePath("data.csv")));
        QCOMPARE(Read(dir.filePath("data.csv")), QByteArray());
    }

    void PicturesShowTheChartAsDrawn()
    {
        QTemporaryDir dir;
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        f.OpenIn(fmSingle);
        for (int step = 0; step < 30; ++step)
            f.FeedStep(std::uint16_t(1300 + 5 * step), std::uint16_t(400 + 20 * step), std::uint16_t(step), 10);
        // The queued repaint runs; the grab is what the user sees.
        QCoreApplication::processEvents();
        const QImage shown = f.Form->Chart->grab().toImage();
        QCOMPARE(shown.size(), f.Form->Chart->size());
        TBoxAnswerer boxes(QMessageBox::Ok);
        const QStringList names = {"chart.bmp", "chart.jpg", "chart.png"};
        for (int type = 1; type <= 3; ++type) {
            TDialogDriver dialog(dir.filePath("chart"), type);
            f.Form->actFileSaveAs->trigger();
            QCOMPARE(dialog.Title, QStringLiteral("另存为"));
            QCOMPARE(dialog.Filters,
                     QStringList({"BMP - Window位图(*.bmp)", "JPG - JPEG 图像(*.jpg)", "PNG - 便携式网络图形(*.png)"}));
            QCOMPARE(dialog.Suffix, QStringLiteral("bmp"));
            // The dialog offers the type chosen last.
            QCOMPARE(dialog.OfferedFilter, std::max(1, type - 1));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), names);
        // The lossless pictures agree to the pixel and with what is on screen up to the odd
        // glyph edge; the JPEG keeps every component within a few steps.
        const QImage bmp = QImage::fromData(Read(dir.filePath("chart.bmp")), "BMP");
        QCOMPARE(bmp.size(), f.Form->Chart->size());
        QCOMPARE(MaxDifference(DecodePng(Read(dir.filePath("chart.png"))), bmp), 0);
        double share = 1;
        MaxDifference(bmp, shown, &share, 16);
        QVERIFY2(share < 0.01, qPrintable(QString::number(share)));
        int subsampling = -1, colorspace = -1;
        const QImage jpeg = DecodeJpeg(Read(dir.filePath("chart.jpg")), subsampling, colorspace);
        QCOMPARE(colorspace, int(TJCS_YCbCr));
        QCOMPARE(subsampling, int(TJSAMP_444));
        QVERIFY(MaxDifference(jpeg, bmp) <= 12);
        QCOMPARE(boxes.Count(), 0);
    }

    void TheTypeDecidesTheExtension()
    {
        QTemporaryDir dir;
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        const QString jpg = dir.filePath("chart.jpg");
        TBoxAnswerer boxes(QMessageBox::Cancel);
        Write(jpg, "earlier");
        {
            TDialogDriver dialog(dir.filePath("chart.bmp"), 2);
            f.Form->actFileSaveAs->trigger();
        }
        QCOMPARE(boxes.Count(), 1);
        QCOMPARE(boxes.Texts[0], QStringLiteral("文件 %1 已经存在，是否覆盖？").arg(jpg));
        QCOMPARE(boxes.Captions[0], QStringLiteral("Korvane 联机应用程序"));
        QCOMPARE(boxes.Defaults[0], QMessageBox::Cancel);
        QCOMPARE(Read(jpg), QByteArray("earlier"));
        QVERIFY(!QFile::exists(dir.filePath("chart.bmp")));

        boxes.SetAnswer(QMessageBox::Ok);
        {
            // The name proposed next is the one confirmed, as a file of the type on offer.
            TDialogDriver dialog{QString()};
            f.Form->actFileSaveAs->trigger();
            QCOMPARE(dialog.OfferedFilter, 2);
            QCOMPARE(dialog.Proposed, QStringLiteral("chart.jpg"));
        }
        // A dot in a folder name is no extension.
        QVERIFY(QDir(dir.path()).mkdir("v1.2"));
        {
            TDialogDriver dialog(dir.filePath("v1.2/chart.bmp"), 2);
            f.Form->actFileSaveAs->trigger();
        }
        QVERIFY(Read(dir.filePath("v1.2/chart.jpg")).startsWith("\xFF\xD8\xFF"));
        QCOMPARE(QDir(dir.filePath("v1.2")).entryList(QDir::Files), QStringList{"chart.jpg"});

        // The export right after a picture proposes its name as a CSV file; confirmed as
        // proposed, it leaves the picture alone.
        {
            TDialogDriver dialog(dir.filePath("chart.png"), 3);
            f.Form->actFileSaveAs->trigger();
        }
        {
            TDialogDriver dialog(QStringLiteral("chart.csv"));
            f.Form->actFileExport->trigger();
            QCOMPARE(dialog.Proposed, QStringLiteral("chart.csv"));
        }
        QCOMPARE(boxes.Count(), 1);
        QVERIFY(Read(dir.filePath("chart.png")).startsWith("\x89PNG"));
        QCOMPARE(Read(dir.filePath("chart.csv")), QByteArray());
        // The picture after the export offers the first type again, with its extension.
        {
            TDialogDriver dialog{QString()};
            f.Form->actFileSaveAs->trigger();
            QCOMPARE(dialog.OfferedFilter, 1);
            QCOMPARE(dialog.Proposed, QStringLiteral("chart.bmp"));
        }
    }

    void FailedWritesKeepEarlierFiles()
    {
        QTemporaryDir dir;
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        f.OpenIn(fmSingle);
        for (int step = 0; step < 200; ++step)
            f.FeedStep(1400, 500, std::uint16_t(step), 20);
        TBoxAnswerer boxes(QMessageBox::Ok);
        const auto expectFailure = [&](int Boxes) {
            QCOMPARE(boxes.Count(), Boxes);
            QCOMPARE(boxes.Texts.last(), QStringLiteral("文件保存失败。"));
            QCOMPARE(boxes.Icons.last(), QMessageBox::Critical);
            QCOMPARE(boxes.Captions.last(), QStringLiteral("Korvane 联机应用程序"));
            QVERIFY(!OnWorkArea(*f.Form));
        };
        Displace(*f.Form);

        {
            TDialogDriver dialog(dir.filePath("missing/data.csv"));
            f.Form->actFileExport->trigger();
        }
        expectFailure(1);
        QVERIFY(!QFileInfo::exists(dir.filePath("missing")));

        // A full disk while writing over earlier files.
        Write(dir.filePath("data.csv"), "earlier csv");
        Write(dir.filePath("chart.bmp"), "earlier bmp");
        {
            TFileSizeLimit full(4096);
            TDialogDriver csv(dir.filePath("data.csv"));
            f.Form->actFileExport->trigger();
            TDialogDriver bmp(dir.filePath("chart.bmp"), 1);
            f.Form->actFileSaveAs->trigger();
        }
        QCOMPARE(boxes.Texts.value(2), QStringLiteral("文件保存失败。"));
        expectFailure(5);
        QCOMPARE(Read(dir.filePath("data.csv")), QByteArray("earlier csv"));
        QCOMPARE(Read(dir.filePath("chart.bmp")), QByteArray("earlier bmp"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"chart.bmp", "data.csv"}));
    }

    void ExistingTargetsAreAskedForAndOnlyFilesReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("fifo") << "fifo" << false;
        QTest::newRow("device node") << "device" << false;
        QTest::newRow("socket") << "socket" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("dangling link") << "dangling link" << false;
        QTest::newRow("file") << "file" << true;
        QTest::newRow("hard-linked file") << "hard-linked file" << true;
        QTest::newRow("file of another user") << "file of another user" << true;
        QTest::newRow("link to a file") << "link to a file" << true;
    }

    void ExistingTargetsAreAskedForAndOnlyFilesReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString target = dir.filePath(kind == "folder" ? "target.jpg" : "target.csv");
        if (!MakeTarget(kind, target))
            QSKIP("this machine cannot make such a target (not run as root?)");
        const QString before = Describe(target);
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        f.OpenIn(fmSingle);
        for (int step = 0; step < 50; ++step)
            f.FeedStep(1400, 500, std::uint16_t(step), 20);
        TBoxAnswerer boxes(QMessageBox::Ok);
        {
            TDialogDriver reference(dir.filePath("reference.csv"));
            f.Form->actFileExport->trigger();
        }
        {
            // A folder's name typed into the dialog opens the folder: the extension of the JPEG
            // type leads there instead.
            TDialogDriver dialog(kind == "folder" ? dir.filePath("target") : target, kind == "folder" ? 2 : 0);
            (kind == "folder" ? f.Form->actFileSaveAs : f.Form->actFileExport)->trigger();
        }
        QCOMPARE(boxes.Texts.value(0), QStringLiteral("文件 %1 已经存在，是否覆盖？").arg(target));
        QCOMPARE(boxes.Count(), replaced ? 1 : 2);
        if (!replaced) {
            QCOMPARE(boxes.Texts.value(1), QStringLiteral("文件保存失败。"));
            QCOMPARE(Describe(target), before);
            return;
        }
        // The same lines as a fresh export, under the earlier file's owner, group, mode and links.
        QCOMPARE(Read(target), Read(dir.filePath("reference.csv")));
        QCOMPARE(Describe(target), before);
        if (kind == "hard-linked file")
            QCOMPARE(Read(target + ".link"), Read(target));
        if (kind == "link to a file")
            QCOMPARE(Read(target + ".target"), Read(target));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".korvane"), QStringList());
    }

    // The toolkit's save dialog speaks Chinese like the rest of the program.
    void SaveDialogIsInChinese()
    {
        TMainFixture f;
        f.Form->show();
        QStringList texts;
        WhenModalUp<QFileDialog>([&](QFileDialog *Dialog) {
            for (const char *name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
                texts << Dialog->findChild<QLabel *>(name)->text();
            const QDialogButtonBox *buttons = Dialog->findChild<QDialogButtonBox *>();
            for (const QAbstractButton *button : buttons->buttons())
                texts << button->text();
            Dialog->reject();
        });
        f.Form->actFileExport->trigger();
        QCOMPARE(texts.size(), 5);
        const auto chinese = [](const QString &Text) {
            return std::any_of(Text.begin(), Text.end(),
                               [](QChar C) { return C.unicode() >= 0x4E00 && C.unicode() <= 0x9FFF; });
        };
        for (const QString &text : texts)
            QVERIFY2(chinese(text) && !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))),
                     qPrintable(text));
    }

    void CancelledDialogWritesNothing()
    {
        QTemporaryDir dir;
        TMainFixture f;
        f.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.Form.get()));
        TBoxAnswerer boxes(QMessageBox::Ok);
        {
            TDialogDriver dialog(dir.filePath("kept.csv"));
            f.Form->actFileExport->trigger();
        }
        QVERIFY(QFile::remove(dir.filePath("kept.csv")));
        Displace(*f.Form);
        for (auto [command, proposed] :
             {std::pair{f.Form->actFileSaveAs, "kept.bmp"}, std::pair{f.Form->actFileExport, "kept.csv"}}) {
            TDialogDriver dialog(QString(), 1);
            command->trigger();
            QCOMPARE(dialog.Count, 1);
            QCOMPARE(dialog.Proposed, QString::fromLatin1(proposed));
        }
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(boxes.Count(), 0);
        QVERIFY(!OnWorkArea(*f.Form));
    }
};

QTEST_MAIN(TestSaveExport)
#include "tst_save_export.moc"
