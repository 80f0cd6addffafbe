// The shared tables, message boxes, picture loaders and version text, as the windows meet them:
// texts filled the way callers fill them, real message boxes answered by a person, pictures
// read from the resource system and the version read back from a program file.
#include "resources/Texts.h"
#include "resources/Version.h"
#include "settings/Constant.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QResource>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <turbojpeg.h>

#include <functional>
#include <map>
#include <vector>

namespace {

QString Fill(TTextId Id, auto... Args) { return QString::asprintf(LoadStr(Id).toUtf8().constData(), Args...); }

// What a message box showed, and whether it went away after the answer.
struct TSeenBox {
    bool Shown = false;
    bool StuckAfterAnswer = false;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Caption;
    QString Text;
    QStringList ButtonTexts;
    QString DefaultButtonText;
};

// Once the next modal message box is up, records it and answers it with Answer.
void AnswerNextBox(TSeenBox &Seen, std::function<void(QMessageBox *)> Answer)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, &Seen, Answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        Seen.Shown = true;
        Seen.Icon = box->icon();
        Seen.Caption = box->windowTitle();
        Seen.Text = box->text();
        for (QAbstractButton *button : box->buttons())
            Seen.ButtonTexts << button->text();
        Seen.ButtonTexts.sort();
        if (box->defaultButton() != nullptr)
            Seen.DefaultButtonText = box->defaultButton()->text();
        Answer(box);
        // A box that ignores its answer would hang the test; close it and say so.
        QTimer::singleShot(3000, [&Seen, guard = QPointer<QMessageBox>(box)] {
            if (guard && guard->isVisible()) {
                Seen.StuckAfterAnswer = true;
                guard->done(0);
            }
        });
    });
    poll->start();
}

// The compiled-resource format, written by hand, so that the test can offer pictures it made
// itself under ":/data/<Id>", where the loaders look for the program's own.
QByteArray BuildDataBundle(int Id, const QByteArray &Bytes)
{
    const auto bigEndian = [](auto Value) {
        QByteArray bytes(sizeof(Value), '\0');
        qToBigEndian(Value, bytes.data());
        return bytes;
    };
    // A name: length, hash, UTF-16 code units.
    const auto name = [&](const QString &Text) {
        uint hash = 0;
        QByteArray units;
        for (QChar c : Text) {
            hash = (hash << 4) + c.unicode();
            hash = (hash ^ ((hash & 0xf0000000) >> 23)) & 0x0fffffff;
            units += bigEndian(quint16(c.unicode()));
        }
        return bigEndian(quint16(Text.size())) + bigEndian(quint32(hash)) + units;
    };
    const QByteArray folderName = name(QStringLiteral("data"));
    const QByteArray names = folderName + name(QString::number(Id));
    // Nodes of 14 bytes, name offset and flags first: the root and the folder "data" with their
    // child count and first child, then the one file with its locale and payload offset.
    constexpr quint16 Folder = 2;
    const QByteArray tree = bigEndian(quint32(0)) + bigEndian(Folder) + bigEndian(quint32(1)) + bigEndian(quint32(1)) +
                            bigEndian(quint32(0)) + bigEndian(Folder) + bigEndian(quint32(1)) + bigEndian(quint32(2)) +
                            bigEndian(quint32(folderName.size())) + bigEndian(quint16(0)) +
                            bigEndian(quint16(QLocale::AnyTerritory)) + bigEndian(quint16(QLocale::C)) +
                            bigEndian(quint32(0));
    const QByteArray payload = bigEndian(quint32(Bytes.size())) + Bytes;
    // Header: format version, then where the tree, the payload and the names begin.
    const auto treeAt = quint32(20);
    return "qres" + bigEndian(quint32(1)) + bigEndian(treeAt) +
           bigEndian(quint32(treeAt + tree.size() + names.size())) + bigEndian(quint32(treeAt + tree.size())) + tree +
           names + payload;
}

// A 69 x 123 colour picture, red above and blue below, encoded at full quality.
QByteArray MakeJpeg()
{
    constexpr int width = 69;
    constexpr int height = 123;
    std::vector<unsigned char> rgb(width * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char *p = &rgb[(y * width + x) * 3];
            p[0] = y < height / 2 ? 230 : 20;
            p[1] = 20;
            p[2] = y < height / 2 ? 20 : 230;
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0);
    QByteArray result =
        status == 0 ? QByteArray(reinterpret_cast<const char *>(jpeg), static_cast<qsizetype>(size)) : QByteArray();
    tjFree(jpeg);
    tjDestroy(encoder);
    return result;
}

// The smallest GIF there is: one white pixel.
const QByteArray TinyGif = QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c000000000100"
                                               "01000002024401003b");

bool NearColor(QRgb Pixel, int Red, int Green, int Blue)
{
    return qAbs(qRed(Pixel) - Red) < 24 && qAbs(qGreen(Pixel) - Green) < 24 && qAbs(qBlue(Pixel) - Blue) < 24;
}

enum TDataId { JpegId = 901, TruncatedJpegId, GarbageId, GifId, MissingId = 999 };

} // namespace

class TConstantTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyTextIsThereAndWellFormed();
    void textsFillAsTheCallersFillThem();
    void valueKindTablesLoadAndFree();
    void messageBoxesShowAndAnswer_data();
    void messageBoxesShowAndAnswer();
    void picturesDecodeOrReportMissing();
    void programPicturesAndIconsLoad();
    void versionIsReadFromTheFile();

private:
    std::vector<QByteArray> FBundles;
};

void TConstantTest::initTestCase()
{
    const QByteArray jpeg = MakeJpeg();
    QVERIFY(!jpeg.isEmpty());
    FBundles = {BuildDataBundle(JpegId, jpeg), BuildDataBundle(TruncatedJpegId, jpeg.left(jpeg.size() / 2)),
                BuildDataBundle(GarbageId, "not a picture at all, just bytes"), BuildDataBundle(GifId, TinyGif)};
    for (const QByteArray &bundle : FBundles)
        QVERIFY(QResource::registerResource(reinterpret_cast<const uchar *>(bundle.constData())));
    for (const int id : {JpegId, TruncatedJpegId, GarbageId, GifId})
        QVERIFY(QFile::exists(QStringLiteral(":/data/%1").arg(id)));
}

void TConstantTest::cleanupTestCase()
{
    for (const QByteArray &bundle : FBundles)
        QResource::unregisterResource(reinterpret_cast<const uchar *>(bundle.constData()));
}

void TConstantTest::everyTextIsThereAndWellFormed()
{
    // Only the directives the callers fill, and accelerators on a letter.
    const QRegularExpression directive(QStringLiteral("%(?!d|s|f|\\.3f)"));
    const QRegularExpression accelerator(QStringLiteral("&(?![A-Z]\\))"));
    for (int id = 0; id < static_cast<int>(TTextId::Count); ++id) {
        const QString text = LoadStr(static_cast<TTextId>(id));
        QVERIFY2(!text.isEmpty(), qPrintable(QString::number(id)));
        QVERIFY2(!directive.match(text).hasMatch(), qPrintable(text));
        QVERIFY2(!accelerator.match(text).hasMatch(), qPrintable(text));
    }
    QCOMPARE(LoadStr(TTextId::Count), QString());
    QCOMPARE(LoadStr(static_cast<TTextId>(-1)), QString());
}

void TConstantTest::textsFillAsTheCallersFillThem()
{
    const QByteArray title = LoadStr(TTextId::AppTitle).toUtf8();
    QCOMPARE(LoadStr(TTextId::AppTitle), QStringLiteral("Korvane 联机应用程序"));
    QCOMPARE(Fill(TTextId::QuitQuestion, title.constData(), "2.0.3 (Build 41)"),
             QStringLiteral("确定要退出 Korvane 联机应用程序 2.0.3 (Build 41) 吗 ?"));
    // Without a version the two blanks stay side by side.
    QCOMPARE(Fill(TTextId::QuitQuestion, title.constData(), ""),
             QStringLiteral("确定要退出 Korvane 联机应用程序  吗 ?"));
    QCOMPARE(Fill(TTextId::SeriesTitle, 1, "电压"), QStringLiteral("通道 1 - 电压"));
    QCOMPARE(Fill(TTextId::CurveAccessError, 3, "容量"), QStringLiteral("曲线访问错误 - 通道 3: 容量。"));
    QCOMPARE(Fill(TTextId::PortOpenFailed, 9), QStringLiteral("端口打开失败。请确认端口: COM9 没有被占用。"));
    QCOMPARE(Fill(TTextId::AppTitleWithPort, 5), QStringLiteral("Korvane 联机应用程序 - COM5"));
    QCOMPARE(Fill(TTextId::AppVersionFormat, 2, 0, 3, 41), QStringLiteral("2.0.3 (Build 41)"));
    QCOMPARE(Fill(TTextId::LibraryVersionLine, 2, 0), QStringLiteral("Korvane 支持库: 2.0"));

    // The replace question is joined first and filled as a whole.
    const QString joined =
        LoadStr(TTextId::ReplaceConnectionQuestion) + "\r\r" + LoadStr(TTextId::ReplaceConnectionNote);
    QCOMPARE(QString::asprintf(joined.toUtf8().constData(), 4, title.constData()),
             QStringLiteral("连接到 COM4 的充电器已经打开，需要打开其他的充电器吗？\r\rKorvane 联机应用程序 "
                            "一次只能连接到一个充电器。"));
    QCOMPARE(Fill(TTextId::MailToFormat, LoadStr(TTextId::MailAddress).toUtf8().constData()),
             QStringLiteral("mailto:support@korvane.example"));
    QCOMPARE(LoadStr(TTextId::SaveImageDialogFilter).split('|').size(), 6);
}

void TConstantTest::valueKindTablesLoadAndFree()
{
    const auto allEmpty = [](const std::array<QString, ValueTokenCount> &Table) {
        return std::all_of(Table.begin(), Table.end(), [](const QString &Cell) { return Cell.isEmpty(); });
    };
    FreeConstantTables();
    LoadConstantTables();
    QCOMPARE(QStringList(ValueTokenNames.begin(), ValueTokenNames.end()),
             QStringList({"通道编号", "电压", "负载电压", "未知", "电流", "温度", "时间", "容量", "内阻"}));
    QCOMPARE(QStringList(ValueTokenUnits.begin(), ValueTokenUnits.end()),
             QStringList({"#", "V", "V", "", "mA", "C", "min", "mAh", "mOhm"}));
    // A show-line command is captioned with its kind's name; the channel index has none.
    QVERIFY(ValueTokenCaptions[0].isEmpty());
    for (int kind = 1; kind < ValueTokenCount; ++kind) {
        QCOMPARE(ValueTokenCaptions[kind], ValueTokenNames[kind]);
        QCOMPARE(ValueTokenImages[kind], 10 + kind);
    }
    QCOMPARE(ValueTokenImages[0], -1);
    // The shortcut texts become the page keys; Shift+F4 exists though no page uses it.
    const std::map<TValueToken, QKeySequence> keys = {{vtUnLoadVoltage, QKeySequence(Qt::SHIFT | Qt::Key_F2)},
                                                      {vtCurrent, QKeySequence(Qt::SHIFT | Qt::Key_F3)},
                                                      {vtTemperature, QKeySequence(Qt::SHIFT | Qt::Key_F4)},
                                                      {vtCapacity, QKeySequence(Qt::SHIFT | Qt::Key_F5)}};
    for (int kind = 0; kind < ValueTokenCount; ++kind) {
        const auto key = keys.find(static_cast<TValueToken>(kind));
        QCOMPARE(QKeySequence(ValueTokenShortcuts[kind]), key == keys.end() ? QKeySequence() : key->second);
    }
    QCOMPARE(ValueTokenHints[ValueTokenIndex(vtCapacity)], QStringLiteral("显示容量曲线"));
    QCOMPARE(ValueTokenHints[ValueTokenIndex(vtLoadVoltage)], QStringLiteral("显示负载电压曲线"));
    QVERIFY(ValueTokenHints[ValueTokenIndex(vtWorkingTime)].isEmpty());

    FreeConstantTables();
    QVERIFY(allEmpty(ValueTokenNames) && allEmpty(ValueTokenUnits) && allEmpty(ValueTokenCaptions) &&
            allEmpty(ValueTokenShortcuts) && allEmpty(ValueTokenHints));
    LoadConstantTables();
}

void TConstantTest::messageBoxesShowAndAnswer_data()
{
    QTest::addColumn<QString>("helper");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("result");

    struct TRow {
        const char *Name;
        const char *Helper;
        const char *Answer;
        int Result;
    };
    for (const TRow &row :
         {TRow{"question answered OK", "ask", "ok", IdOk}, TRow{"question answered Cancel", "ask", "cancel", IdCancel},
          TRow{"question answered Escape", "ask", "escape", IdCancel},
          TRow{"question closed by its close box", "ask", "close", IdCancel},
          TRow{"question answered Enter picks the default Cancel", "ask", "enter", IdCancel},
          TRow{"warning answered OK", "warning", "ok", 0}, TRow{"warning answered Escape", "warning", "escape", 0},
          TRow{"error answered Enter", "error", "enter", 0},
          TRow{"error closed by its close box", "error", "close", 0}})
        QTest::newRow(row.Name) << QString(row.Helper) << QString(row.Answer) << row.Result;
}

void TConstantTest::messageBoxesShowAndAnswer()
{
    QFETCH(QString, helper);
    QFETCH(QString, answer);
    QFETCH(int, result);

    QWidget owner;
    owner.show();
    TSeenBox seen;
    AnswerNextBox(seen, [answer](QMessageBox *Box) {
        // Keys go where a person's keys go: to the button that has the focus.
        QWidget *focus = Box->focusWidget() != nullptr ? Box->focusWidget() : Box;
        if (answer == "ok" || answer == "cancel")
            Box->button(answer == "ok" ? QMessageBox::Ok : QMessageBox::Cancel)->click();
        else if (answer == "escape" || answer == "enter")
            QTest::keyClick(focus, answer == "escape" ? Qt::Key_Escape : Qt::Key_Return);
        else
            Box->close();
    });

    const QString text = QStringLiteral("文件 a.csv 已经存在，是否覆盖？");
    const QString ok = LoadStr(TTextId::MessageBoxOkCaption);
    const QString cancel = LoadStr(TTextId::MessageBoxCancelCaption);
    if (helper == "ask") {
        // The caption given is used; the callers' one is the application title.
        QCOMPARE(AskOkCancel(&owner, text, QStringLiteral("另一个标题")), result);
        QCOMPARE(seen.Icon, QMessageBox::Question);
        QCOMPARE(seen.Caption, QStringLiteral("另一个标题"));
        QCOMPARE(seen.ButtonTexts, QStringList({cancel, ok}));
        QCOMPARE(seen.DefaultButtonText, cancel);
    } else {
        if (helper == "warning")
            ShowWarning(&owner, text);
        else
            ShowError(&owner, text);
        QCOMPARE(seen.Icon, helper == "warning" ? QMessageBox::Warning : QMessageBox::Critical);
        QCOMPARE(seen.Caption, LoadStr(TTextId::AppTitle));
        QCOMPARE(seen.ButtonTexts, QStringList({ok}));
        QCOMPARE(seen.DefaultButtonText, ok);
    }
    QVERIFY(seen.Shown);
    QVERIFY(!seen.StuckAfterAnswer);
    QCOMPARE(seen.Text, text);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TConstantTest::picturesDecodeOrReportMissing()
{
    const std::unique_ptr<QImage> jpeg = LoadResourceJpeg(JpegId);
    QVERIFY(jpeg != nullptr);
    QCOMPARE(jpeg->size(), QSize(69, 123));
    // Colour, not grey, and rows in the right order.
    QVERIFY(NearColor(jpeg->pixel(30, 10), 230, 20, 20));
    QVERIFY(NearColor(jpeg->pixel(30, 110), 20, 20, 230));

    QCOMPARE(LoadResourceJpeg(TruncatedJpegId), nullptr);
    QCOMPARE(LoadResourceJpeg(GarbageId), nullptr);
    QCOMPARE(LoadResourceJpeg(GifId), nullptr);

    const std::unique_ptr<QImage> gif = LoadResourceGif(GifId);
    QVERIFY(gif != nullptr);
    QCOMPARE(gif->size(), QSize(1, 1));
    QCOMPARE(LoadResourceGif(JpegId), nullptr);
    QCOMPARE(LoadResourceGif(GarbageId), nullptr);

    QVERIFY_THROWS_EXCEPTION(TResourceError, LoadResourceJpeg(MissingId));
    QVERIFY_THROWS_EXCEPTION(TResourceError, LoadResourceGif(MissingId));
}

void TConstantTest::programPicturesAndIconsLoad()
{
    QVERIFY(LoadAppIcon(999).isNull());

    int icons = 0;
    for (int index = 0; index <= 28; ++index) {
        if (!QFile::exists(QStringLiteral(":/icons/%1.svg").arg(index)))
            continue;
        ++icons;
        const QIcon icon = LoadAppIcon(index);
        QVERIFY2(!icon.isNull() && !icon.pixmap(16, 16).isNull(), qPrintable(QString::number(index)));
    }
    if (!QFile::exists(QStringLiteral(":/data/0")) || icons == 0)
        QSKIP("the program's artwork is not compiled in");

    const std::unique_ptr<QImage> logo = LoadResourceGif(0);
    QVERIFY(logo != nullptr);
    QCOMPARE(logo->size(), QSize(300, 73));
    // The logo is a GIF, so the JPEG loader gives nothing.
    QCOMPARE(LoadResourceJpeg(0), nullptr);
    for (const int battery : {1, 2}) {
        const std::unique_ptr<QImage> picture = LoadResourceJpeg(battery);
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->size(), QSize(69, 123));
    }
}

void TConstantTest::versionIsReadFromTheFile()
{
    // This test program links the version block, stamped with the project's version.
    TFileVersion version;
    QVERIFY(ReadFileVersion(QCoreApplication::applicationFilePath(), version));
    QCOMPARE(QList<int>({version.Major, version.Minor, version.Release, version.Build}), QList<int>({2, 0, 0, 1}));
    QCOMPARE(FormatAppVersion(), QStringLiteral("2.0.0 (Build 1)"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto write = [&dir](const QString &Name, const QByteArray &Bytes) {
        QFile file(dir.filePath(Name));
        return file.open(QIODevice::WriteOnly) && file.write(Bytes) == Bytes.size() ? file.fileName() : QString();
    };
    const auto span = ProgramVersionBlock();
    const QByteArray marker(reinterpret_cast<const char *>(span.data()), VersionMarkerSize);
    // 2.0.3.41: most significant word 0x00020000, least 0x00030029, little-endian.
    const QByteArray words = QByteArray::fromHex("0000020029000300");
    const QString stamped = write("stamped.exe", QByteArray(5000, 'x') + marker + words + QByteArray(100, '\0'));
    QVERIFY(ReadFileVersion(stamped, version));
    QCOMPARE(QList<int>({version.Major, version.Minor, version.Release, version.Build}), QList<int>({2, 0, 3, 41}));
    QCOMPARE(FormatFileVersion(stamped), QStringLiteral("2.0.3 (Build 41)"));

    QVERIFY(!ReadFileVersion(write("plain.exe", QByteArray(4096, 'K')), version));
    QCOMPARE(FormatFileVersion(write("plain.txt", "Korvane")), QString());
    // A marker cut off before its numbers is no version.
    QVERIFY(!ReadFileVersion(write("cut.exe", QByteArray(64, 'x') + marker + words.left(5)), version));
    QVERIFY(!ReadFileVersion(write("empty.exe", QByteArray()), version));
    QVERIFY(!ReadFileVersion(dir.filePath("missing.exe"), version));
    QVERIFY(!ReadFileVersion(dir.path(), version));
}

QTEST_MAIN(TConstantTest)
#include "tst_constant.moc"
