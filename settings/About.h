#pragma once
// The about box: logo, program and link-library versions, a description and the maker's
// home page and e-mail links, opened through the desktop's handlers.
#include <QDialog>
#include <QIcon>
#include <QList>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *Owner);

    // Sets the texts, the logo, the link images and the description.
    void Fill();

    QLabel *imgLogo = nullptr;
    QLabel *lblAppVer = nullptr;
    QLabel *lblKRVChargerVer = nullptr;
    QPlainTextEdit *Memo = nullptr;
    QToolButton *TBXLinkHomePage = nullptr;
    QToolButton *TBXLinkMailToMe = nullptr;
    QFrame *Bevel = nullptr;
    QPushButton *btnOK = nullptr;
    QList<QIcon> TBImageList;

    void TBXLinkHomePageClick(QObject *Sender);
    void TBXLinkMailToMeClick(QObject *Sender);
};

// Creates the about box owned by Owner, fills it, shows it modally and returns the result.
int ShowAboutBox(QWidget *Owner);
