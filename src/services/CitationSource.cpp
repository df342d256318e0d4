#include "services/CitationSource.h"

QList<CitationSource> CitationSources::all()
{
    return {CitationSource::Icite, CitationSource::Pmc};
}

QString CitationSources::name(CitationSource source)
{
    return source == CitationSource::Pmc ? QStringLiteral("pmc") : QStringLiteral("icite");
}

std::optional<CitationSource> CitationSources::named(const QString &name)
{
    for (const CitationSource source : all()) {
        if (name.compare(CitationSources::name(source), Qt::CaseInsensitive) == 0)
            return source;
    }
    return std::nullopt;
}

QStringList CitationSources::names()
{
    QStringList names;
    for (const CitationSource source : all())
        names.append(name(source));
    return names;
}

QString CitationSources::title(CitationSource source)
{
    return source == CitationSource::Pmc ? QStringLiteral("PubMed Central")
                                         : QStringLiteral("NIH Open Citation Collection (iCite)");
}

QString CitationSources::coverage(CitationSource source)
{
    return source == CitationSource::Pmc
               ? QStringLiteral("Only citing articles in PubMed Central count: a lower bound.")
               : QStringLiteral("Citations between PubMed articles from the NIH Open Citation Collection; the RCR "
                                "compares an article with others of its field (1.0 is the NIH-funded median).");
}
