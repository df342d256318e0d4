#pragma once

#include "review/Review.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// Asks for a new review's name, question, criteria, exclusion reasons and highlight words.
class NewReviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NewReviewDialog(QWidget *parent = nullptr);
    Review review() const;

private:
    QLineEdit *m_name;
    QPlainTextEdit *m_question, *m_inclusion, *m_exclusion, *m_reasons, *m_highlights;
};
