#pragma once
// Drives the program's save dialog from a timer, as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QObject>
#include <QTimer>

// Answers the next save dialog, once, as a user would: picks the file type (from 1; 0 keeps the one
// offered), types the name and saves; with an empty name it cancels. Records what it offered.
class TDialogDriver : public QObject
{
public:
    explicit TDialogDriver(QString FileName, int FilterIndex = 0) : FFileName(FileName), FFilterIndex(FilterIndex)
    {
        connect(&FTimer, &QTimer::timeout, this, [this] { Poll(); });
        FTimer.start(10);
    }
    int Count = 0;
    QString Title, Proposed, Suffix;
    QStringList Filters;
    int OfferedFilter = 0;

private:
    void Poll()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
            return;
        dialog->setProperty("answered", true);
        // One dialog each: a driver still alive must not answer the next command's dialog.
        FTimer.stop();
        ++Count;
        Title = dialog->windowTitle();
        Filters = dialog->nameFilters();
        Suffix = dialog->defaultSuffix();
        OfferedFilter = int(Filters.indexOf(dialog->selectedNameFilter())) + 1;
        Proposed = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        const auto role = FFileName.isEmpty() ? QDialogButtonBox::RejectRole : QDialogButtonBox::AcceptRole;
        if (FFilterIndex > 0)
            dialog->selectNameFilter(Filters.value(FFilterIndex - 1));
        if (!FFileName.isEmpty()) {
            // Typing into the name box, which has the focus, as a person's typing would.
            QLineEdit *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QApplication::setActiveWindow(dialog);
            edit->setFocus();
            edit->setText(FFileName);
        }
        for (QAbstractButton *button : dialog->findChild<QDialogButtonBox *>()->buttons())
            if (dialog->findChild<QDialogButtonBox *>()->buttonRole(button) == role && button->isEnabled())
                return button->click();
        dialog->reject();
        Title = QStringLiteral("(no button)");
    }
    QString FFileName;
    int FFilterIndex;
    QTimer FTimer;
};
