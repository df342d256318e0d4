#pragma once

#include <QDialog>

class QPlainTextEdit;

// Collection ▸ Add PMIDs…: a box for pasted PMIDs, DOIs and PMCIDs.
class AddIdentifiersDialog : public QDialog
{
    Q_OBJECT

public:
    AddIdentifiersDialog(const QString &collection, QWidget *parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit *m_text = nullptr;
};
