#pragma once

#include <QList>
#include <QString>

#include <optional>

// PubMed's Clinical Queries: validated search filters of five kinds of
// clinical study, each in a sensitive (broad) and a specific (narrow) form,
// and the filter of systematic reviews.
struct ClinicalQuery
{
    enum class Category { Therapy, Diagnosis, Etiology, Prognosis, PredictionGuides };
    enum class Scope { Broad, Narrow };

    Category category = Category::Therapy;
    Scope scope = Scope::Broad;

    // The filter as NLM publishes it, in parentheses.
    QString filter() const;
    // "therapy/broad": how the command line and the library write it.
    QString name() const;
    // "Therapy (broad)": how the window shows it.
    QString label() const;

    static QList<Category> categories();
    // "Therapy", "Clinical Prediction Guides", ...
    static QString label(Category category);
    // "therapy", "prediction-guides", ...
    static QString name(Category category);
    // A category's name, optionally followed by "/broad" or "/narrow" (broad
    // when left out), in any case; nothing for anything else.
    static std::optional<ClinicalQuery> named(const QString &text);

    friend bool operator==(const ClinicalQuery &, const ClinicalQuery &) = default;
};

// The Systematic Reviews filter of the Clinical Queries and of PubMed's
// article types, which also finds reviews not yet indexed as such.
inline constexpr char kSystematicReviewsFilter[] = "systematic[sb]";
