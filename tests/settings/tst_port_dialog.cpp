// The port dialog as a user meets it: pseudo-terminals offered as COM ports through the Ports
// table, the real dialog driven by clicks and keys, its warnings answered as a person would.
#include "resources/Texts.h"
#include "settings/Port.h"
#include "settings/PortTable.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <numeric>

namespace QTest {
template <> char *toString(const TSelectPorts &Ports)
{
    QStringList words;
    for (const std::uint16_t word : Ports)
        words << QString::number(word);
    return qstrdup(qPrintable(QLatin1Char('[') + words.join(QStringLiteral(", ")) + QLatin1Char(']')));
}
} // namespace QTest

namespace {

// Above the fixed ranges: only what a test offers exists there.
constexpr int FirstPort = 201;
constexpr int SecondPort = 203;

QString PortText(int Number) { return QStringLiteral("COM%1").arg(Number); }

void WhenDialogUp(std::function<void(TfrmPort *)> Step) { WhenModalUp<TfrmPort>(std::move(Step)); }

QTreeWidget *PortList(TfrmPort *Dialog) { return Dialog->findChild<QTreeWidget *>("vstPortList"); }
QPushButton *Button(TfrmPort *Dialog, const char *Name) { return Dialog->findChild<QPushButton *>(Name); }

QStringList NodeTexts(TfrmPort *Dialog)
{
    QStringList texts;
    QTreeWidget *list = PortList(Dialog);
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

QTreeWidgetItem *Node(TfrmPort *Dialog, int Number)
{
    const QList<QTreeWidgetItem *> found = PortList(Dialog)->findItems(PortText(Number), Qt::MatchExactly);
    return found.size() == 1 ? found.first() : nullptr;
}

QStringList CheckedTexts(TfrmPort *Dialog)
{
    QStringList checked;
    QTreeWidget *list = PortList(Dialog);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->checkState(0) != Qt::Unchecked)
            checked << list->topLevelItem(i)->text(0);
    }
    return checked;
}

// A left click on the node's radio button, where the style draws it.
void ClickRadio(TfrmPort *Dialog, int Number)
{
    QTreeWidget *list = PortList(Dialog);
    QTreeWidgetItem *node = Node(Dialog, Number);
    QVERIFY2(node != nullptr, qPrintable(PortText(Number)));
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.rect = list->visualItemRect(node);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                      QStyleOptionViewItem::HasDecoration;
    option.decorationSize = list->iconSize().isValid() ? list->iconSize() : QSize(16, 16);
    option.text = node->text(0);
    const QRect radio = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, radio.center());
}

void Offer(int Number, const QString &Device) { QVERIFY(PortTable::WritePortDevice(Number, Device)); }

} // namespace

class TPortDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void choosingAPortReturnsOnlyThatPort();
    void okWithoutChoiceWarnsAndKeepsTheDialog();
    void noPortFoundWarnsAndCancels();
    void everyNumberUpTo256IsAsked();
    void cancelReturnsTheCancelledResult_data();
    void cancelReturnsTheCancelledResult();
    void refreshListsANewPortAndDropsTheCheck();
    void largeSettingsFileIsReadOncePerRefresh();
};

void TPortDialogTest::initTestCase()
{
    UseTemporaryConfig();
    PortTable::InstallPortLookup();
}

void TPortDialogTest::init()
{
    for (int number = FirstPort; number <= SecondPort; ++number)
        QVERIFY(PortTable::RemovePortDevice(number));
}

void TPortDialogTest::choosingAPortReturnsOnlyThatPort()
{
    TPseudoTerminal first;
    TPseudoTerminal second;
    QVERIFY(first.IsValid() && second.IsValid());
    Offer(FirstPort, first.SlavePath());
    Offer(FirstPort + 1, QStringLiteral("/dev/no-such-serial-device"));
    Offer(SecondPort, second.SlavePath());
    // Another program holds the second port: it is listed and can be chosen all the same.
    QSerialPort holder(second.SlavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));

    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    owner.show();
    WhenDialogUp([&](TfrmPort *Dialog) {
        QCOMPARE(Dialog->parentWidget(), &owner);
        QCOMPARE(Dialog->windowTitle(), QStringLiteral("打开"));
        QCOMPARE(Dialog->size(), QSize(319, 286));
        const auto *desc = Dialog->findChild<QLabel *>("lblDesc");
        QTextDocument shown;
        shown.setHtml(desc->text());
        QCOMPARE(shown.toPlainText(),
                 QStringLiteral("请选择一个连接到充电器的串口。\n如果找不到串口，请先接上充电器，再单击“刷新”。"));
        // Both sentences fit; none is cut off at the label's foot.
        QVERIFY2(desc->heightForWidth(desc->width()) <= desc->height(),
                 qPrintable(QString::number(desc->heightForWidth(desc->width()))));
        QVERIFY(!Dialog->findChild<QLabel *>("imgLogo")->pixmap().isNull());
        QCOMPARE(Button(Dialog, "btnRefresh")->text(), QStringLiteral("刷新(&R)"));
        QCOMPARE(Button(Dialog, "btnOK")->text(), QStringLiteral("确定(&O)"));
        QCOMPARE(Button(Dialog, "btnCancel")->text(), QStringLiteral("取消(&C)"));

        const QStringList texts = NodeTexts(Dialog);
        QVERIFY(texts.contains(PortText(FirstPort)));
        QVERIFY(texts.contains(PortText(SecondPort)));
        QVERIFY(!texts.contains(PortText(FirstPort + 1)));
        for (qsizetype i = 1; i < texts.size(); ++i)
            QVERIFY2(texts[i - 1].mid(3).toInt() < texts[i].mid(3).toInt(), qPrintable(texts.join(' ')));
        QTreeWidgetItem *node = Node(Dialog, SecondPort);
        QCOMPARE(node->toolTip(0).section('\n', 0, 0), second.SlavePath());
        QVERIFY(!node->icon(0).isNull());
        QCOMPARE(CheckedTexts(Dialog), QStringList());

        ClickRadio(Dialog, FirstPort);
        QCOMPARE(CheckedTexts(Dialog), QStringList{PortText(FirstPort)});
        ClickRadio(Dialog, SecondPort);
        QCOMPARE(CheckedTexts(Dialog), QStringList{PortText(SecondPort)});
        // A radio button is not unchosen by clicking it again.
        ClickRadio(Dialog, SecondPort);
        QCOMPARE(CheckedTexts(Dialog), QStringList{PortText(SecondPort)});
        // Enter in the list presses the default button, OK.
        QTest::keyClick(PortList(Dialog), Qt::Key_Return);
    });
    TBoxAnswerer boxes(QMessageBox::Ok);
    const TSelectPorts chosen = ShowPortDialog(&owner);
    QCOMPARE(boxes.Count(), 0);
    QCOMPARE(chosen, (TSelectPorts{1, 1, SecondPort}));
}

void TPortDialogTest::okWithoutChoiceWarnsAndKeepsTheDialog()
{
    TPseudoTerminal pty;
    QVERIFY(pty.IsValid());
    Offer(FirstPort, pty.SlavePath());
    TBoxAnswerer boxes(QMessageBox::Ok);
    WhenDialogUp([&](TfrmPort *Dialog) {
        // Selecting a row is not choosing it; only the radio button chooses.
        PortList(Dialog)->setCurrentItem(Node(Dialog, FirstPort));
        QTest::mouseClick(Button(Dialog, "btnOK"), Qt::LeftButton);
        QCOMPARE(boxes.Texts, QStringList{QStringLiteral("没有选择端口。")});
        QCOMPARE(boxes.Captions, QStringList{LoadStr(TTextId::AppTitle)});
        QCOMPARE(boxes.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        QVERIFY(Dialog->isVisible());
        ClickRadio(Dialog, FirstPort);
        QTest::mouseClick(Button(Dialog, "btnOK"), Qt::LeftButton);
    });
    QCOMPARE(ShowPortDialog(nullptr), (TSelectPorts{1, 1, FirstPort}));
    QCOMPARE(boxes.Count(), 1);
}

void TPortDialogTest::noPortFoundWarnsAndCancels()
{
    TBoxAnswerer boxes(QMessageBox::Ok);
    WhenDialogUp([&](TfrmPort *Dialog) {
        QCOMPARE(PortList(Dialog)->topLevelItemCount(), 0);
        QTest::mouseClick(Button(Dialog, "btnOK"), Qt::LeftButton);
    });
    QCOMPARE(ShowPortDialog(nullptr, [](int) { return false; }), (TSelectPorts{2, 0}));
    QCOMPARE(boxes.Texts, QStringList{QStringLiteral("没有发现有效端口。")});
    QCOMPARE(boxes.Captions, QStringList{LoadStr(TTextId::AppTitle)});
    QCOMPARE(boxes.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
}

void TPortDialogTest::everyNumberUpTo256IsAsked()
{
    std::vector<int> asked;
    const auto everyPort = [&asked](int Number) {
        asked.push_back(Number);
        return true;
    };
    TPseudoTerminal pty;
    QVERIFY(pty.IsValid());
    Offer(FirstPort, pty.SlavePath());
    WhenDialogUp([&](TfrmPort *Dialog) {
        const QStringList texts = NodeTexts(Dialog);
        QCOMPARE(texts.size(), 256);
        QCOMPARE(texts.first(), QStringLiteral("COM1"));
        QCOMPARE(texts.last(), QStringLiteral("COM256"));
        // Every hint names what that number opens, from the fixed ranges or the Ports table.
        QCOMPARE(Node(Dialog, 1)->toolTip(0), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(Node(Dialog, 33)->toolTip(0).section('\n', 0, 0), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(Node(Dialog, FirstPort)->toolTip(0), pty.SlavePath());
        QCOMPARE(Node(Dialog, SecondPort)->toolTip(0), QString());
        for (int number = 1; number <= 256; ++number) {
            const QString hint = Node(Dialog, number)->toolTip(0);
            QCOMPARE(hint.section('\n', 0, 0), ComPortDevicePath(number));
            QCOMPARE(hint.section('\n', 1), ComPortDescription(number));
        }
        QTest::mouseClick(Button(Dialog, "btnCancel"), Qt::LeftButton);
    });
    QCOMPARE(ShowPortDialog(nullptr, everyPort), (TSelectPorts{2, 0}));
    std::vector<int> expected(256);
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(asked, expected);
}

void TPortDialogTest::cancelReturnsTheCancelledResult_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "button";
    QTest::newRow("escape key") << "escape";
    QTest::newRow("close box") << "close";
}

void TPortDialogTest::cancelReturnsTheCancelledResult()
{
    QFETCH(QString, how);
    TPseudoTerminal pty;
    QVERIFY(pty.IsValid());
    Offer(FirstPort, pty.SlavePath());
    WhenDialogUp([&](TfrmPort *Dialog) {
        // A choice made before cancelling does not count.
        ClickRadio(Dialog, FirstPort);
        QCOMPARE(CheckedTexts(Dialog), QStringList{PortText(FirstPort)});
        if (how == "button")
            QTest::mouseClick(Button(Dialog, "btnCancel"), Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(PortList(Dialog), Qt::Key_Escape);
        else
            Dialog->close();
    });
    TBoxAnswerer boxes(QMessageBox::Ok);
    QCOMPARE(ShowPortDialog(nullptr), (TSelectPorts{2, 0}));
    QCOMPARE(boxes.Count(), 0);
}

void TPortDialogTest::refreshListsANewPortAndDropsTheCheck()
{
    TPseudoTerminal first;
    TPseudoTerminal plugged;
    QVERIFY(first.IsValid() && plugged.IsValid());
    Offer(FirstPort, first.SlavePath());
    TBoxAnswerer boxes(QMessageBox::Ok);
    WhenDialogUp([&](TfrmPort *Dialog) {
        QVERIFY(Node(Dialog, SecondPort) == nullptr);
        ClickRadio(Dialog, FirstPort);
        // The adapter is plugged in while the dialog is open.
        Offer(SecondPort, plugged.SlavePath());
        QVERIFY(Node(Dialog, SecondPort) == nullptr);
        QTest::mouseClick(Button(Dialog, "btnRefresh"), Qt::LeftButton);
        QVERIFY(Node(Dialog, FirstPort) != nullptr);
        QVERIFY(Node(Dialog, SecondPort) != nullptr);
        QCOMPARE(CheckedTexts(Dialog), QStringList());
        // The earlier check is gone for good: OK now has nothing to confirm.
        QTest::mouseClick(Button(Dialog, "btnOK"), Qt::LeftButton);
        QCOMPARE(boxes.Texts, QStringList{QStringLiteral("没有选择端口。")});
        ClickRadio(Dialog, SecondPort);
        QTest::mouseClick(Button(Dialog, "btnOK"), Qt::LeftButton);
    });
    QCOMPARE(ShowPortDialog(nullptr), (TSelectPorts{1, 1, SecondPort}));
}

void TPortDialogTest::largeSettingsFileIsReadOncePerRefresh()
{
    TPseudoTerminal first;
    TPseudoTerminal plugged;
    QVERIFY(first.IsValid() && plugged.IsValid());
    QByteArray text = "[Software]\n";
    for (int key = 0; key < 3000; ++key)
        text += QStringLiteral("Korvane\\Notes\\Note%1=a note of some length\n").arg(key).toLatin1();
    text += QStringLiteral("Korvane\\Ports\\COM%1=%2\n").arg(FirstPort).arg(first.SlavePath()).toLocal8Bit();
    WriteTemporaryConfig(text);
    TConfigFileActivity activity;
    QList<int> opens;
    WhenDialogUp([&](TfrmPort *Dialog) {
        opens << activity.Opens();
        QTest::mouseClick(Button(Dialog, "btnRefresh"), Qt::LeftButton);
        opens << activity.Opens();
        Offer(SecondPort, plugged.SlavePath());
        const int written = activity.Opens();
        QTest::mouseClick(Button(Dialog, "btnRefresh"), Qt::LeftButton);
        opens << activity.Opens() - written;
        QCOMPARE(NodeTexts(Dialog).filter(QRegularExpression("^COM20[13]$")).size(), 2);
        Dialog->reject();
    });
    ShowPortDialog(nullptr);
    // Parsed when the dialog is built, not again while unchanged, at most once after a change.
    QCOMPARE(opens.mid(0, 2), (QList<int>{1, 1}));
    QVERIFY(opens.value(2) <= 1);
}

QTEST_MAIN(TPortDialogTest)
#include "tst_port_dialog.moc"
