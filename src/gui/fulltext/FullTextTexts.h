#pragma once

#include <QString>

// What the full-text actions and the reader say.
namespace FullTextTexts {
inline const QString GetFullText = QStringLiteral("Get &Full Text");
inline const QString ReadFullText = QStringLiteral("Read Full Te&xt");
inline const QString Getting = QStringLiteral("Looking for the legal full text…");
inline const QString GettingTitle = QStringLiteral("Get Full Text");
inline const QString Cancel = QStringLiteral("Cancel");
inline const QString ReaderTitle = QStringLiteral("Full Text");
inline const QString ReferencesOfArticle = QStringLiteral("References of This &Article");
inline const QString ReferencesTitle = QStringLiteral("References of PMID %1");
inline const QString NotKept = QStringLiteral("No full text of PMID %1 is kept: use Articles > Get Full Text first.");
inline const QString NoLibrary = QStringLiteral("Full texts are kept in the library, which could not be opened.");
inline const QString CollectionAskTitle = QStringLiteral("Keep the Full Texts");
inline const QString CollectionAsk = QStringLiteral("Full texts are kept with library articles. Add the articles to the collection:");
inline const QString NeedEmailTitle = QStringLiteral("Contact Address");
inline const QString NeedEmail = QStringLiteral("Unpaywall, which finds open-access PDFs, asks for an e-mail address. It is kept as the NCBI contact address of the preferences:");
inline const QString Previous = QStringLiteral("Previous Page");
inline const QString Next = QStringLiteral("Next Page");
inline const QString Page = QStringLiteral("Page");
inline const QString ZoomIn = QStringLiteral("Zoom In");
inline const QString ZoomOut = QStringLiteral("Zoom Out");
inline const QString Find = QStringLiteral("Find in the PDF");
inline const QString Copy = QStringLiteral("Copy");
inline const QString CopyTip = QStringLiteral("Copy the text selected with the mouse, or the page's text when none is");
inline const QString SelectPage = QStringLiteral("Select the Page's Text");
inline const QString TextView = QStringLiteral("Full text");
inline const QString PdfView = QStringLiteral("PDF");
inline const QString UnavailableTitle = QStringLiteral("Full Text Not Available");
inline const QString PublisherPage = QStringLiteral("Publisher's page");
} // namespace FullTextTexts
