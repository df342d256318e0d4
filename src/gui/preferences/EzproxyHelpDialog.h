#pragma once

#include <QDialog>

// How to fill in the proxy address, shown inside the application: what an
// EZproxy login address looks like, what "%@" stands for, an example, and
// where to find one's own institution's prefix. Escape closes it.
class EzproxyHelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit EzproxyHelpDialog(QWidget *parent = nullptr);

    static QString helpText();
};
