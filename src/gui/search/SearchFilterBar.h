#pragma once

#include "search/SearchFilters.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// The filters under the search field: publication years, article types,
// free full text, has abstract, English, humans, a clinical study category
// of PubMed's Clinical Queries (broad or narrow), systematic reviews. They stay set from search
// to search until "Clear filters", and the query syntax they add is always
// shown, selectable, beside them.
class SearchFilterBar : public QWidget
{
    Q_OBJECT

public:
    explicit SearchFilterBar(QWidget *parent = nullptr);

    SearchFilters filters() const;
    void clear();
    // Narrows to the publication years `fromYear` to `toYear` (0: open).
    void setYears(int fromYear, int toYear);

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
    QComboBox *m_clinical;
    QComboBox *m_clinicalScope;
    QCheckBox *m_systematic;
    QLabel *m_syntax;
};
