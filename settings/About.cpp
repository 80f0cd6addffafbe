#include "About.h"

#include "Constant.h"
#include "TextFormat.h"
#include "charger/KRVCharger.h"
#include "resources/Texts.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

QToolButton *NewLink(QWidget *Parent, const QRect &Geometry)
{
    auto *link = new QToolButton(Parent);
    link->setGeometry(Geometry);
    link->setAutoRaise(true);
    link->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    link->setIconSize(QSize(16, 16));
    link->setCursor(HandPointCursor());
    link->setFocusPolicy(Qt::TabFocus);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    // The hot-light colour of links.
    link->setStyleSheet(QStringLiteral("QToolButton { color: palette(link); border: none; text-align: left; }"));
    return link;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *Owner) : QDialog(Owner)
{
    QFont dialogFont = DialogFont();
    setFont(dialogFont);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(319, 319);

    imgLogo = new QLabel(this);
    imgLogo->setGeometry(9, 9, 300, 73);
    imgLogo->setAttribute(Qt::WA_TranslucentBackground);
    lblAppVer = new QLabel(this);
    lblAppVer->move(56, 96);
    lblKRVChargerVer = new QLabel(this);
    lblKRVChargerVer->move(56, 112);
    Memo = new QPlainTextEdit(this);
    Memo->setGeometry(56, 128, 257, 97);
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette memo = Memo->palette();
    memo.setColor(QPalette::Base, memo.color(QPalette::Button));
    Memo->setPalette(memo);
    TBXLinkHomePage = NewLink(this, QRect(56, 232, 257, 20));
    TBXLinkMailToMe = NewLink(this, QRect(56, 256, 257, 20));
    Bevel = new QFrame(this);
    Bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel->setGeometry(56, 280, 257, 9);
    btnOK = new QPushButton(this);
    btnOK->setGeometry(240, 288, 75, 23);
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(TBXLinkHomePage, &QToolButton::clicked, this, [this] { TBXLinkHomePageClick(TBXLinkHomePage); });
    connect(TBXLinkMailToMe, &QToolButton::clicked, this, [this] { TBXLinkMailToMeClick(TBXLinkMailToMe); });
}

void TfrmAbout::Fill()
{
    setWindowTitle(LoadStr(TTextId::AboutCaption));
    try {
        const std::unique_ptr<QImage> logo = LoadResourceGif(0);
        if (logo)
            imgLogo->setPixmap(QPixmap::fromImage(*logo));
    } catch (const TResourceError &) {
        imgLogo->clear();
    }
    TBImageList = {LoadAppIcon(4), LoadAppIcon(5)};

    if (AppVersionText.isEmpty()) {
        lblAppVer->hide();
    } else {
        lblAppVer->setText(FormatText(LoadStr(TTextId::AppVersionLine), {AppVersionText}));
        lblAppVer->adjustSize();
    }
    lblKRVChargerVer->setText(
        FormatText(LoadStr(TTextId::LibraryVersionLine), {KRVChargerVersionMajor + 0LL, KRVChargerVersionMinor + 0LL}));
    lblKRVChargerVer->adjustSize();
    TBXLinkHomePage->setText(LoadStr(TTextId::HomePageAddress));
    TBXLinkHomePage->setIcon(TBImageList[0]);
    TBXLinkMailToMe->setText(LoadStr(TTextId::MailAddress));
    TBXLinkMailToMe->setIcon(TBImageList[1]);
    btnOK->setText(LoadStr(TTextId::AboutOkCaption));
    Memo->appendPlainText(LoadStr(TTextId::AboutDescription));
}

void TfrmAbout::TBXLinkHomePageClick(QObject *Sender)
{
    if (auto *link = qobject_cast<QToolButton *>(Sender))
        OpenAddress(this, link->text());
}

void TfrmAbout::TBXLinkMailToMeClick(QObject *Sender)
{
    // The address comes from the string table, not from what the link shows.
    if (qobject_cast<QToolButton *>(Sender))
        OpenAddress(this, FormatText(LoadStr(TTextId::MailToFormat), {LoadStr(TTextId::MailAddress)}));
}

int ShowAboutBox(QWidget *Owner)
{
    TfrmAbout box(Owner);
    box.Fill();
    return box.exec();
}
