#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// A modal alert: the first button is the default one.
struct Alert
{
    enum class Style { Warning, Informational, Question };
    Style style = Style::Warning;
    QString title;           // window title
    QString message;         // the bold message text
    QString informativeText; // the smaller text below it
    QStringList buttons;     // in order; the first is the default

    // "There is no active internet connection", before a search or a version check.
    static Alert networkError();
};

// Shows alerts. The window uses message boxes; tests answer them instead.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert modally and returns the index of the button chosen
    // (0 for the first), or -1 when it was dismissed without a button.
    virtual int run(const Alert &alert, QWidget *parent) = 0;
};

class MessageBoxAlertPresenter : public AlertPresenter
{
public:
    int run(const Alert &alert, QWidget *parent) override;
};
