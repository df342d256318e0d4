#pragma once

#include "references/ReferenceMatch.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// Takes a pasted reference list and shows each reference with its match and
// how it was found, or "not found"; an ambiguous one offers its candidates.
// Every PMID can be changed before the found articles open as a tab. It only
// shows what it is given and emits what the user asks for.
class ReferenceListDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReferenceListDialog(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    // Matching runs: `step` says what is being done; the list is emptied.
    void showRunning(const QString &step);
    void showMatching(const ReferenceMatching &matching);
    // The matches as the user left them: a PMID typed or picked is "edited",
    // one cleared is not found.
    ReferenceMatching matching() const;

signals:
    void findRequested(const QString &text);
    void stopRequested();
    void openRequested(const ReferenceMatching &matching);

private:
    void showIdle();

    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_find = nullptr;
    QPushButton *m_open = nullptr;
    QLabel *m_status = nullptr;
    QTableWidget *m_results = nullptr;
    ReferenceMatching m_matching;
    bool m_running = false;
};
