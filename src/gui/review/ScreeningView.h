#pragma once

#include "review/Review.h"
#include "review/ReviewRecord.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QTextBrowser;

// One record at a time for a screener: its title, authors, journal, year and
// abstract (the review's words highlighted), the full text at the full-text
// stage, and keys scoped to the view: I include, 1–9 exclude for that reason,
// E asks for the reason, M maybe, U undo, N or → next, P or ← previous.
// Shows state and says what the screener asked for; decides nothing itself.
class ScreeningView : public QWidget
{
    Q_OBJECT

public:
    explicit ScreeningView(QWidget *parent = nullptr);

    void setReasons(const QStringList &reasons);
    // The filters offered: undecided, maybe, all, then each reason.
    enum Filter { Undecided, Maybes, All, FirstReason };
    void setRecord(const ReviewRecord *record, const QStringList &highlights, const QString &decision,
                   const QStringList &foundIn, const std::optional<QString> &fullText);
    void setProgress(qsizetype decided, qsizetype total);
    void setAgreement(const QString &text);
    ScreeningStage stage() const;
    int filter() const;
    bool byRelevance() const;

signals:
    void decided(ScreeningChoice choice, const QString &reason);
    void undoRequested();
    void stepRequested(int step);
    // The stage, the filter or the order changed.
    void viewChanged();

private:
    void excludeWithReason(int number);
    void askReason();

    QComboBox *m_stage;
    QComboBox *m_filter;
    QComboBox *m_order;
    QLabel *m_progress;
    QLabel *m_agreement;
    QTextBrowser *m_text;
    QStringList m_reasons;
};

// `text` as HTML with every word of `words` marked, whatever case it is in.
QString highlighted(const QString &text, const QStringList &words);
