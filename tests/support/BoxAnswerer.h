#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up while it lives, as a user would click: records
// each box's text, caption, icon and default button, then presses Answer (Escape with
// QMessageBox::Escape).
class TBoxAnswerer : public QObject
{
public:
    static constexpr int Escape = -1;
    explicit TBoxAnswerer(int Answer);

    void SetAnswer(int Answer) { FAnswer = Answer; }
    QStringList Texts;
    QStringList Captions;
    QList<QMessageBox::Icon> Icons;
    QList<QMessageBox::StandardButton> Defaults;
    int Count() const { return static_cast<int>(Texts.size()); }
    // Runs with the box on screen, before it is answered.
    std::function<void()> WhileShown;

private:
    void Poll();
    int FAnswer;
    QTimer FTimer;
};
