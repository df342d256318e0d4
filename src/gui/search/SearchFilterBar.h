#pragma once

#include "search/SearchFilters.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QSpinBox;

// The filters under the search field: publication years, article types,
// free full text, has abstract, English, humans. They stay set from search
// to search until "Clear filters", and the query syntax they add is always
// shown, selectable, beside them.
class SearchFilterBar : public QWidget
{
    Q_OBJECT

public:
    explicit SearchFilterBar(QWidget *parent = nullptr);

    SearchFilters filters() const;
    void clear();

private:
    QSpinBox *addYearBox(const QString &name, const QString &prefix, const QString &accessibleName);
    QCheckBox *addCheckBox(const QString &name, const QString &text);
    void showSyntax();

    QSpinBox *m_yearFrom;
    QSpinBox *m_yearTo;
    QList<std::pair<SearchFilters::ArticleType, QAction *>> m_types;
    QCheckBox *m_freeFullText;
    QCheckBox *m_hasAbstract;
    QCheckBox *m_english;
    QCheckBox *m_humans;
    QLabel *m_syntax;
};
