#pragma once

#include "entrez/MeshHeading.h"
#include "search/QueryBuilder.h"

#include <QDockWidget>
#include <QHash>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTimer;

// The MeSH browser dock, keyboard-first: a word typed (or Return) asks for
// the matching headings; Down goes to them; the one selected shows its scope
// note, entry terms, subheadings, its place in the tree (the headings above
// and below it, Return or a click opens one) and its count of articles. AND,
// OR and NOT add it to the search field with the tag and subheading chosen.
class MeshBrowserPanel : public QDockWidget
{
    Q_OBJECT

public:
    // A pause in typing this long asks for the word.
    static constexpr int kTypingPauseMs = 400;

    explicit MeshBrowserPanel(QWidget *parent = nullptr);

    void showHeadings(const QString &words, const QList<MeshHeading> &headings);
    // The heading selected, with the names of its neighbours and headings it is mapped to.
    void showHeading(const MeshHeading &heading, const QHash<QString, QString> &names);
    void showCount(const QString &uid, qint64 count);
    void showFailure(const QString &reason);
    // The clause the buttons would add now; empty without a heading.
    QString clause() const;
    QLineEdit *wordField() const { return m_word; }

signals:
    void findRequested(const QString &words);
    void headingRequested(const QString &uid);
    void clauseChosen(const QString &clause, QueryBuilder::Operator op);

private:
    void openItem(QListWidgetItem *item);

    QLineEdit *m_word;
    QTimer *m_typing;
    QListWidget *m_results;
    QLabel *m_name;
    QLabel *m_scopeNote;
    QLabel *m_entryTerms;
    QLabel *m_count;
    QListWidget *m_tree;
    QComboBox *m_tag;
    QComboBox *m_subheading;
    QString m_words;
    std::optional<MeshHeading> m_heading;
};
