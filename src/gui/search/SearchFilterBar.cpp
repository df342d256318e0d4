#include "gui/search/SearchFilterBar.h"

#include "gui/widgets/ElidedLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

namespace {
constexpr int kLatestYear = 2100;
const QString kAnyYear = QStringLiteral("any");
} // namespace

SearchFilterBar::SearchFilterBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("searchFilterBar"));
    // The bar never makes the window wider than it was left; a narrow window cuts it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_yearFrom = addYearBox(QStringLiteral("yearFromBox"), QStringLiteral("Years "), QStringLiteral("Publication years from"));
    m_yearTo = addYearBox(QStringLiteral("yearToBox"), QStringLiteral("to "), QStringLiteral("Publication years to"));

    auto *types = new QToolButton(this);
    types->setObjectName(QStringLiteral("articleTypesButton"));
    types->setText(QStringLiteral("Article types"));
    types->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(types);
    for (const SearchFilters::ArticleType type : SearchFilters::allArticleTypes()) {
        QAction *action = menu->addAction(SearchFilters::label(type));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, &SearchFilterBar::showSyntax);
        m_types.append({type, action});
    }
    types->setMenu(menu);
    layout->addWidget(types);

    m_freeFullText = addCheckBox(QStringLiteral("freeFullTextBox"), QStringLiteral("Free full text"));
    m_hasAbstract = addCheckBox(QStringLiteral("hasAbstractBox"), QStringLiteral("Has abstract"));
    m_english = addCheckBox(QStringLiteral("englishBox"), QStringLiteral("English"));
    m_humans = addCheckBox(QStringLiteral("humansBox"), QStringLiteral("Humans"));

    m_clinical = new QComboBox(this);
    m_clinical->setObjectName(QStringLiteral("clinicalStudyBox"));
    m_clinical->setAccessibleName(QStringLiteral("Clinical study category"));
    m_clinical->setToolTip(QStringLiteral("PubMed's Clinical Queries: NLM's filter for studies of this kind"));
    m_clinical->addItem(QStringLiteral("Clinical study: any"));
    for (const ClinicalQuery::Category category : ClinicalQuery::categories())
        m_clinical->addItem(ClinicalQuery::label(category), int(category));
    m_clinicalScope = new QComboBox(this);
    m_clinicalScope->setObjectName(QStringLiteral("clinicalScopeBox"));
    m_clinicalScope->setAccessibleName(QStringLiteral("Clinical study scope"));
    m_clinicalScope->addItem(QStringLiteral("Broad"), int(ClinicalQuery::Scope::Broad));
    m_clinicalScope->addItem(QStringLiteral("Narrow"), int(ClinicalQuery::Scope::Narrow));
    m_clinicalScope->setEnabled(false);
    for (QComboBox *box : {m_clinical, m_clinicalScope}) {
        connect(box, &QComboBox::currentIndexChanged, this, &SearchFilterBar::showSyntax);
        layout->addWidget(box);
    }
    m_systematic = addCheckBox(QStringLiteral("systematicReviewsBox"), QStringLiteral("Systematic reviews"));

    // Plain text: what is added to the query, to read and to copy.
    m_syntax = new ElidedLabel(this);
    m_syntax->setObjectName(QStringLiteral("filterSyntaxLabel"));
    m_syntax->setAccessibleName(QStringLiteral("Query syntax of the filters"));
    m_syntax->setTextFormat(Qt::PlainText);
    m_syntax->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_syntax->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_syntax, 1);

    auto *clearButton = new QPushButton(QStringLiteral("Clear filters"), this);
    clearButton->setObjectName(QStringLiteral("clearFiltersButton"));
    connect(clearButton, &QPushButton::clicked, this, &SearchFilterBar::clear);
    layout->addWidget(clearButton);
}

QSpinBox *SearchFilterBar::addYearBox(const QString &name, const QString &prefix, const QString &accessibleName)
{
    auto *box = new QSpinBox(this);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    // The field inside takes the focus, so it carries the name too.
    if (QLineEdit *field = box->findChild<QLineEdit *>())
        field->setAccessibleName(accessibleName);
    box->setRange(0, kLatestYear);
    box->setSpecialValueText(prefix + kAnyYear);
    box->setPrefix(prefix);
    connect(box, &QSpinBox::valueChanged, this, &SearchFilterBar::showSyntax);
    layout()->addWidget(box);
    return box;
}

QCheckBox *SearchFilterBar::addCheckBox(const QString &name, const QString &text)
{
    auto *box = new QCheckBox(text, this);
    box->setObjectName(name);
    connect(box, &QCheckBox::toggled, this, &SearchFilterBar::showSyntax);
    layout()->addWidget(box);
    return box;
}

SearchFilters SearchFilterBar::filters() const
{
    SearchFilters filters;
    filters.yearFrom = m_yearFrom->value();
    filters.yearTo = m_yearTo->value();
    for (const auto &[type, action] : m_types) {
        if (action->isChecked())
            filters.articleTypes.append(type);
    }
    filters.freeFullText = m_freeFullText->isChecked();
    filters.hasAbstract = m_hasAbstract->isChecked();
    filters.english = m_english->isChecked();
    filters.humans = m_humans->isChecked();
    if (m_clinical->currentIndex() > 0)
        filters.clinical = ClinicalQuery{ClinicalQuery::Category(m_clinical->currentData().toInt()),
                                         ClinicalQuery::Scope(m_clinicalScope->currentData().toInt())};
    filters.systematicReviews = m_systematic->isChecked();
    return filters;
}

void SearchFilterBar::clear()
{
    m_yearFrom->setValue(0);
    m_yearTo->setValue(0);
    for (const auto &[type, action] : m_types)
        action->setChecked(false);
    for (QCheckBox *box : {m_freeFullText, m_hasAbstract, m_english, m_humans, m_systematic})
        box->setChecked(false);
    m_clinical->setCurrentIndex(0);
    m_clinicalScope->setCurrentIndex(0);
}

void SearchFilterBar::setYears(int fromYear, int toYear)
{
    m_yearFrom->setValue(fromYear);
    m_yearTo->setValue(toYear);
}

void SearchFilterBar::showSyntax()
{
    m_clinicalScope->setEnabled(m_clinical->currentIndex() > 0);
    const QString syntax = filters().clauses().join(QLatin1String(" AND "));
    m_syntax->setText(syntax.isEmpty() ? QString() : QStringLiteral("AND ") + syntax);
    m_syntax->setToolTip(syntax);
}
