#include "BoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

TBoxAnswerer::TBoxAnswerer(int Answer) : FAnswer(Answer)
{
    FTimer.setInterval(10);
    connect(&FTimer, &QTimer::timeout, this, [this] { Poll(); });
    FTimer.start();
}

void TBoxAnswerer::Poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);
    Texts << box->text();
    Captions << box->windowTitle();
    Icons << box->icon();
    QAbstractButton *fallback = box->defaultButton();
    Defaults << (fallback ? box->standardButton(fallback) : QMessageBox::NoButton);
    if (WhileShown)
        WhileShown();
    if (FAnswer == Escape) {
        QTest::keyClick(box, Qt::Key_Escape);
        return;
    }
    if (QAbstractButton *button = box->button(static_cast<QMessageBox::StandardButton>(FAnswer)))
        button->click();
    else
        box->reject();
}
