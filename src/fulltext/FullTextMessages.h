#pragma once

#include <QString>

// What the search for full texts tells the user.
namespace FullTextMessages {

inline QString signInRequired()
{
    return QStringLiteral("not available without signing in");
}
inline QString notPdf()
{
    return QStringLiteral("the address gave no PDF");
}
inline QString pmcText()
{
    return QStringLiteral("Free full text (PMC)");
}
inline QString openPdf(const QString &host, const QString &licence)
{
    return QStringLiteral("Open-access PDF (%1)").arg(licence.isEmpty() ? host : host + QStringLiteral(", ") + licence);
}
inline QString openPage(const QString &host, const QString &licence)
{
    return QStringLiteral("Open access (%1)").arg(licence.isEmpty() ? host : host + QStringLiteral(", ") + licence);
}
inline QString publisher()
{
    return QStringLiteral("Publisher (through the DOI)");
}
inline QString tooLarge()
{
    return QStringLiteral("the PDF is larger than the 100 MB kept");
}
inline QString notHttps()
{
    return QStringLiteral("the PDF's address is not https, and is not fetched");
}
inline QString notOpenAccess()
{
    return QStringLiteral("not open access");
}
inline QString noAddress()
{
    return QStringLiteral("Unpaywall needs an e-mail address: set the NCBI e-mail in the preferences");
}
inline QString landingPageOnly()
{
    return QStringLiteral("open access only on the publisher's page, to be read in the browser");
}
inline QString notInUnpaywall()
{
    return QStringLiteral("not open access (Unpaywall does not know the DOI)");
}
inline QString noDoi()
{
    return QStringLiteral("not in PMC's open-access subset, and no DOI to look up elsewhere");
}

// "full text for 14 of 20 articles (9 PMC text, 5 PDF); 6 not open access"
inline QString summary(qsizetype got, qsizetype total, qsizetype texts, qsizetype pdfs, qsizetype notOpen, qsizetype failed)
{
    QString line = QStringLiteral("full text for %1 of %2 articles (%3 PMC text, %4 PDF); %5 not open access")
                       .arg(got).arg(total).arg(texts).arg(pdfs).arg(notOpen);
    if (failed > 0)
        line += QStringLiteral("; %1 could not be fetched").arg(failed);
    return line;
}

} // namespace FullTextMessages
