#pragma once

#include <QObject>
#include <QString>

class QBoxLayout;
class QLabel;
class SearchSession;

// "Did you mean: <corrected query>?" beside the message line, when ESpell
// corrected the current tab's query; the link searches the correction.
class SpellingSuggestion : public QObject
{
    Q_OBJECT

public:
    // Adds its label after the first item of `row`.
    SpellingSuggestion(QBoxLayout &row, QObject *parent = nullptr);

    void show(const SearchSession &session);

signals:
    void chosen(const QString &query);

private:
    QLabel *m_label;
    QString m_shown;
};
