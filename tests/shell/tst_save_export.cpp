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
#include <sys/resource.h>

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

        // A folder where the picture should go: no question, only the failure.
        QVERIFY(QDir(dir.path()).mkdir("chart.jpg"));
        {
            TDialogDriver dialog(dir.filePath("chart"), 2);
            f.Form->actFileSaveAs->trigger();
        }
        expectFailure(1);
        {
            TDialogDriver dialog(dir.filePath("missing/data.csv"));
            f.Form->actFileExport->trigger();
        }
        expectFailure(2);
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
        QCOMPARE(boxes.Texts.value(3), QStringLiteral("文件保存失败。"));
        expectFailure(6);
        QCOMPARE(Read(dir.filePath("data.csv")), QByteArray("earlier csv"));
        QCOMPARE(Read(dir.filePath("chart.bmp")), QByteArray("earlier bmp"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"chart.bmp", "data.csv"}));
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
