#include "WorkedArticle.h"

#include "entrez/ArticleExtractor.h"
#include "export/CitationStyle.h"
#include "export/RisWriter.h"
#include "export/TitleCase.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QList<ReferenceAuthor> sevenAuthors()
{
    return {kOkafor,
            kLindqvist,
            person("Marsh", "Peter J", "PJ"),
            person("Abara", "Chidi", "C"),
            person("Brandt", "Hanne", "H"),
            person("Cho", "Yuna", "Y"),
            person("Duarte", "Rui", "R")};
}

// Twenty-one authors known by initials only: Name1 A … Name21 A.
QList<ReferenceAuthor> twentyOneAuthors()
{
    QList<ReferenceAuthor> authors;
    for (int i = 1; i <= 21; ++i)
        authors.append({QStringLiteral("Name%1").arg(i), QString(), QStringLiteral("A"), false});
    return authors;
}

Reference bookChapter()
{
    Reference r;
    r.kind = Reference::Kind::BookChapter;
    r.authors = {kOkafor};
    r.title = QStringLiteral("Crabs of the intertidal zone.");
    r.containerTitle = QStringLiteral("Shore Life of the North Atlantic");
    r.publisher = QStringLiteral("Tidewater Press");
    r.date = QStringLiteral("2010");
    r.pages = QStringLiteral("45-67");
    r.pmid = QStringLiteral("20301234");
    return r;
}

Reference wholeBook()
{
    Reference r = bookChapter();
    r.kind = Reference::Kind::Book;
    r.title = QStringLiteral("Shore Life of the North Atlantic");
    r.containerTitle.clear();
    r.pages.clear();
    r.pmid = QStringLiteral("20301200");
    return r;
}

const QString kDoiUrl = QStringLiteral("https://doi.org/10.5555/jce_2004.0211");
} // namespace

Q_DECLARE_METATYPE(Reference)

class CitationStyleTest : public QObject
{
    Q_OBJECT

private slots:
    // Worked examples written by hand from each guide's rules.
    void workedExamples_data()
    {
        QTest::addColumn<Reference>("reference");
        QTest::addColumn<QString>("nlm");
        QTest::addColumn<QString>("ama");
        QTest::addColumn<QString>("apa");
        QTest::addColumn<QString>("mla");
        // What each style sets in italics (NLM, AMA, APA, MLA), runs joined by "|".
        QTest::addColumn<QStringList>("italic");
        const QStringList journalItalics{"", "J Coast Ecol", "Journal of Coastal Ecology|12", "Journal of Coastal Ecology"};
        const QString book = QStringLiteral("Shore Life of the North Atlantic");
        const QStringList bookItalics{"", book, book, book};

        const QString title = QStringLiteral("Tidal rhythms in the foraging of shore crabs.");
        const QString mlaTitle = QStringLiteral("Tidal Rhythms in the Foraging of Shore Crabs.");
        QTest::newRow("one author")
            << workedArticle({kOkafor})
            << "Okafor NT. " + title + " J Coast Ecol. 2004 Mar;12(3):211-9. doi: 10.5555/jce_2004.0211. PMID: 99999999; PMCID: PMC1234567."
            << "Okafor NT. " + title + " J Coast Ecol. 2004;12(3):211-219. doi:10.5555/jce_2004.0211"
            << "Okafor, N. T. (2004). " + title + " Journal of Coastal Ecology, 12(3), 211–219. " + kDoiUrl
            << "Okafor, Nkem T. “" + mlaTitle + "” Journal of Coastal Ecology, vol. 12, no. 3, Mar. 2004, pp. 211–19, "
                   + kDoiUrl + "."
            << journalItalics;

        const QString tail = QStringLiteral(" J Coast Ecol. 2004;12(3):211-219. doi:10.5555/jce_2004.0211");
        const QString apaTail = QStringLiteral(" Journal of Coastal Ecology, 12(3), 211–219. ") + kDoiUrl;
        const QString mlaTail = QStringLiteral(" Journal of Coastal Ecology, vol. 12, no. 3, Mar. 2004, pp. 211–19, ") + kDoiUrl + ".";
        const QString nlmTail = QStringLiteral(" J Coast Ecol. 2004 Mar;12(3):211-9. doi: 10.5555/jce_2004.0211. PMID: 99999999; PMCID: PMC1234567.");
        QTest::newRow("two authors, hyphenated fore name")
            << workedArticle({kOkafor, person("Dupont", "Jean-Pierre", "JP")})
            << "Okafor NT, Dupont JP. " + title + nlmTail
            << "Okafor NT, Dupont JP. " + title + tail
            << "Okafor, N. T., & Dupont, J.-P. (2004). " + title + apaTail
            << "Okafor, Nkem T., and Jean-Pierre Dupont. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        ReferenceAuthor dupontJr = person("Dupont", "Jean-Pierre", "JP");
        dupontJr.suffix = QStringLiteral("Jr");
        QTest::newRow("a suffix")
            << workedArticle({kOkafor, dupontJr})
            << "Okafor NT, Dupont JP Jr. " + title + nlmTail
            << "Okafor NT, Dupont JP Jr. " + title + tail
            << "Okafor, N. T., & Dupont, J.-P., Jr. (2004). " + title + apaTail
            << "Okafor, Nkem T., and Jean-Pierre Dupont, Jr. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        QTest::newRow("six authors")
            << workedArticle(sevenAuthors().mid(0, 6))
            << "Okafor NT, Lindqvist E, Marsh PJ, Abara C, Brandt H, Cho Y. " + title + nlmTail
            << "Okafor NT, Lindqvist E, Marsh PJ, Abara C, Brandt H, Cho Y. " + title + tail
            << "Okafor, N. T., Lindqvist, E., Marsh, P. J., Abara, C., Brandt, H., & Cho, Y. (2004). " + title + apaTail
            << "Okafor, Nkem T., et al. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        QTest::newRow("seven authors")
            << workedArticle(sevenAuthors())
            << "Okafor NT, Lindqvist E, Marsh PJ, Abara C, Brandt H, Cho Y, Duarte R. " + title + nlmTail
            << "Okafor NT, Lindqvist E, Marsh PJ, et al. " + title + tail
            << "Okafor, N. T., Lindqvist, E., Marsh, P. J., Abara, C., Brandt, H., Cho, Y., & Duarte, R. (2004). " + title
                   + apaTail
            << "Okafor, Nkem T., et al. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        QStringList vancouver21, apa21;
        for (int i = 1; i <= 21; ++i) {
            vancouver21 << QStringLiteral("Name%1 A").arg(i);
            apa21 << QStringLiteral("Name%1, A.").arg(i);
        }
        QTest::newRow("twenty-one authors")
            << workedArticle(twentyOneAuthors())
            << vancouver21.join(", ") + ". " + title + nlmTail
            << "Name1 A, Name2 A, Name3 A, et al. " + title + tail
            << apa21.mid(0, 19).join(", ") + ", . . . Name21, A. (2004). " + title + apaTail
            << "Name1, A., et al. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        Reference question = workedArticle({kGroup});
        question.title = QStringLiteral("Do shore crabs follow the tide?");
        QTest::newRow("collective author, title ending in a question mark")
            << question
            << "Shore Crab Study Group. Do shore crabs follow the tide?" + nlmTail
            << "Shore Crab Study Group. Do shore crabs follow the tide?" + tail
            << "Shore Crab Study Group. (2004). Do shore crabs follow the tide?" + apaTail
            << "Shore Crab Study Group. “Do Shore Crabs Follow the Tide?”" + mlaTail
            << journalItalics;

        QTest::newRow("persons and a group")
            << workedArticle({kOkafor, kLindqvist, kGroup})
            << "Okafor NT, Lindqvist E; Shore Crab Study Group. " + title + nlmTail
            << "Okafor NT, Lindqvist E; Shore Crab Study Group. " + title + tail
            << "Okafor, N. T., Lindqvist, E., & Shore Crab Study Group. (2004). " + title + apaTail
            << "Okafor, Nkem T., et al. “" + mlaTitle + "”" + mlaTail
            << journalItalics;

        Reference ahead = workedArticle({kOkafor});
        ahead.volume.clear();
        ahead.issue.clear();
        ahead.pages.clear();
        QTest::newRow("no volume, issue or pages")
            << ahead << "Okafor NT. " + title + " J Coast Ecol. 2004 Mar. doi: 10.5555/jce_2004.0211. PMID: 99999999; PMCID: PMC1234567."
            << "Okafor NT. " + title + " J Coast Ecol. 2004. doi:10.5555/jce_2004.0211"
            << "Okafor, N. T. (2004). " + title + " Journal of Coastal Ecology. " + kDoiUrl
            << "Okafor, Nkem T. “" + mlaTitle + "” Journal of Coastal Ecology, Mar. 2004, " + kDoiUrl + "."
            << QStringList{"", "J Coast Ecol", "Journal of Coastal Ecology", "Journal of Coastal Ecology"};

        Reference articleNumber = workedArticle({kOkafor});
        articleNumber.issue.clear();
        articleNumber.pages = QStringLiteral("e0693");
        QTest::newRow("article number")
            << articleNumber
            << "Okafor NT. " + title + " J Coast Ecol. 2004 Mar;12:e0693. doi: 10.5555/jce_2004.0211. PMID: 99999999; PMCID: PMC1234567."
            << "Okafor NT. " + title + " J Coast Ecol. 2004;12:e0693. doi:10.5555/jce_2004.0211"
            << "Okafor, N. T. (2004). " + title + " Journal of Coastal Ecology, 12, Article e0693. " + kDoiUrl
            << "Okafor, Nkem T. “" + mlaTitle + "” Journal of Coastal Ecology, vol. 12, Mar. 2004, e0693, " + kDoiUrl + "."
            << journalItalics;

        Reference medlineDate = workedArticle({kOkafor});
        medlineDate.date = QStringLiteral("1998 Dec-1999 Jan");
        medlineDate.month = QStringLiteral("Dec"); // as the record gives it; a MedlineDate gets no month added
        medlineDate.doi.clear();
        medlineDate.elocationIds.clear();
        QTest::newRow("MedlineDate, no DOI")
            << medlineDate << "Okafor NT. " + title + " J Coast Ecol. 1998 Dec-1999 Jan;12(3):211-9. PMID: 99999999; PMCID: PMC1234567."
            << "Okafor NT. " + title + " J Coast Ecol. 1998;12(3):211-219."
            << "Okafor, N. T. (1998). " + title + " Journal of Coastal Ecology, 12(3), 211–219."
            << "Okafor, Nkem T. “" + mlaTitle + "” Journal of Coastal Ecology, vol. 12, no. 3, 1998, pp. 211–19."
            << journalItalics;

        QTest::newRow("book chapter")
            << bookChapter()
            << "Okafor NT. Crabs of the intertidal zone. In: Shore Life of the North Atlantic. Tidewater Press; 2010. "
               "p. 45-67. PMID: 20301234."
            << "Okafor NT. Crabs of the intertidal zone. In: Shore Life of the North Atlantic. Tidewater Press; 2010:45-67."
            << "Okafor, N. T. (2010). Crabs of the intertidal zone. In Shore Life of the North Atlantic (pp. 45–67). "
               "Tidewater Press."
            << "Okafor, Nkem T. “Crabs of the Intertidal Zone.” Shore Life of the North Atlantic, Tidewater Press, 2010, "
               "pp. 45–67."
            << bookItalics;

        QTest::newRow("whole book")
            << wholeBook() << "Okafor NT. Shore Life of the North Atlantic. Tidewater Press; 2010. PMID: 20301200."
            << "Okafor NT. Shore Life of the North Atlantic. Tidewater Press; 2010."
            << "Okafor, N. T. (2010). Shore Life of the North Atlantic. Tidewater Press."
            << "Okafor, Nkem T. Shore Life of the North Atlantic. Tidewater Press, 2010."
            << bookItalics;
    }
    void workedExamples()
    {
        QFETCH(Reference, reference);
        QFETCH(QString, nlm);
        QFETCH(QString, ama);
        QFETCH(QString, apa);
        QFETCH(QString, mla);
        QFETCH(QStringList, italic);
        const std::pair<CitationStyle, QString> styles[] = {
            {CitationStyle::Nlm, nlm}, {CitationStyle::Ama, ama}, {CitationStyle::Apa, apa}, {CitationStyle::Mla, mla}};
        for (int s = 0; s < 4; ++s) {
            const RichText citation = CitationStyles::cite(styles[s].first, reference);
            QCOMPARE(citation.toPlainText(), styles[s].second);
            QStringList italics;
            for (const RichTextRun &run : citation.runs()) {
                // The DOI is a link to its resolver, whatever text shows it.
                if (run.isLink())
                    QCOMPARE(run.link, QLatin1String("https://doi.org/") + reference.doi);
                if (run.style.testFlag(TextStyle::Italic))
                    italics.append(run.text);
            }
            QCOMPARE(italics.join(u'|'), italic.value(s));
        }
    }

    // A title's italics, sub- and superscripts survive in every style, on one
    // line; the characters are those of the plain title (but for MLA's title
    // case), and an italic title's own full stop stays upright.
    void titlesKeepTheirInlineStyles_data()
    {
        QTest::addColumn<Reference>("reference");
        QTest::addColumn<QStringList>("styled"); // NLM, AMA, APA, MLA: "text/flags" of each styled run, joined by "|"
        Reference r = workedArticle({kOkafor});
        r.title = QStringLiteral("CO2 levels\n in  E. coli.");
        r.styledTitle.append(QStringLiteral("CO"));
        r.styledTitle.append(QStringLiteral("2"), TextStyle::Subscript);
        r.styledTitle.append(QStringLiteral(" levels\n in  "));
        r.styledTitle.append(QStringLiteral("E. coli"), TextStyle::Italic);
        r.styledTitle.append(QStringLiteral("."));
        const QString journal = QStringLiteral("2/8|E. coli/1");
        QTest::newRow("article") << r
                                 << QStringList{journal, journal + "|J Coast Ecol/1",
                                                journal + "|Journal of Coastal Ecology/1|12/1",
                                                journal + "|Journal of Coastal Ecology/1"};
        Reference book = wholeBook();
        book.title = r.title;
        book.styledTitle = r.styledTitle;
        const QString italicTitle = QStringLiteral("CO/1|2/9| levels in /1|E. coli/1");
        QTest::newRow("book") << book
                              << QStringList{journal, italicTitle, italicTitle, QString(italicTitle).replace("levels", "Levels")};
        // Styles that do not fit the title's characters are not used.
        Reference stale = r;
        stale.title = QStringLiteral("CO2 levels in E. coli, revised.");
        QTest::newRow("styles of another title") << stale
                                                 << QStringList{"", "J Coast Ecol/1", "Journal of Coastal Ecology/1|12/1",
                                                                "Journal of Coastal Ecology/1"};
    }
    void titlesKeepTheirInlineStyles()
    {
        QFETCH(Reference, reference);
        QFETCH(QStringList, styled);
        Reference unstyled = reference;
        unstyled.styledTitle = RichText();
        const CitationStyle styles[] = {CitationStyle::Nlm, CitationStyle::Ama, CitationStyle::Apa, CitationStyle::Mla};
        for (int s = 0; s < 4; ++s) {
            const RichText citation = CitationStyles::cite(styles[s], reference);
            // MLA's title case leaves an italic name ("E. coli") as it is.
            if (styles[s] != CitationStyle::Mla)
                QCOMPARE(citation.toPlainText(), CitationStyles::cite(styles[s], unstyled).toPlainText());
            QStringList runs;
            for (const RichTextRun &run : citation.runs()) {
                if (run.style)
                    runs.append(run.text + QLatin1Char('/') + QString::number(run.style.toInt()));
            }
            QCOMPARE(runs.join(u'|'), styled.value(s));
        }
    }

    void mlaPageRanges_data()
    {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("mla");
        QTest::newRow("below one hundred in full") << "96-101" << "pp. 96–101";
        QTest::newRow("two digits") << "1003-5" << "pp. 1003–05";
        QTest::newRow("three digits when needed") << "1608-774" << "pp. 1608–774";
        QTest::newRow("crossing a hundred") << "395-401" << "pp. 395–401";
        QTest::newRow("single page") << "211" << "p. 211";
    }
    void mlaPageRanges()
    {
        QFETCH(QString, pages);
        QFETCH(QString, mla);
        Reference r = workedArticle({kOkafor});
        r.pages = pages;
        QVERIFY2(CitationStyles::cite(CitationStyle::Mla, r).toPlainText().contains(", " + mla + ", "),
                 qPrintable(CitationStyles::cite(CitationStyle::Mla, r).toPlainText()));
    }

    void titleCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cased");
        QTest::newRow("minor words, last word")
            << "Is there a place for undergraduate and graduate students in the systematic review process?"
            << "Is There a Place for Undergraduate and Graduate Students in the Systematic Review Process?";
        QTest::newRow("capitals kept, a colon alone")
            << "BMC medical research methodology : the journal" << "BMC Medical Research Methodology : The Journal";
        QTest::newRow("inner capitals, digits, after a colon")
            << "mRNA of p53 at low pH: an atlas of receptor α" << "mRNA of p53 at Low pH: An Atlas of Receptor α";
        QTest::newRow("minor word lowered, hyphens, last word")
            << "(Long-term) follow-up In The clinic of vitamin A to look into"
            << "(Long-Term) Follow-Up in the Clinic of Vitamin A to Look Into";
    }
    void titleCase()
    {
        QFETCH(QString, text);
        QFETCH(QString, cased);
        QCOMPARE(::titleCase(text), cased);
    }

    // Real records through referenceForArticle: the fields each writer and
    // style reads, and the retraction note that ends every citation of a
    // retracted article (and the RIS N1 line).
    void referencesOfRecords_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("texts"); // title to PMCID, in Reference's order
        QTest::addColumn<QString>("author"); // the first: "Last|ForeName|Initials"
        QTest::addColumn<bool>("retracted");
        QTest::addColumn<QString>("note");
        const QString shared = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/");
        const QString handMade = QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/records/retraction-markers.xml");
        QTest::newRow("persons") << shared + "biopython_pubmed4.xml" << 0
            << QStringList{"Leucocyte telomere length, genetic variants at the TERT gene region and risk of pancreatic cancer.",
                           "Gut", "Gut", "2017", "06", "66", "6", "1116-1122", "10.1136/gutjnl-2016-312510", "27797938",
                           "PMC5442267"}
            << "Bao|Ying|Y" << false << QString();
        QTest::newRow("retracted, notice named") << handMade << 1
            << QStringList{"Retracted by a retraction notice only.", "", "", "2020", "", "", "", "", "", "900002", ""}
            << QString() << true << "Retraction in: J Hand Cases. 2021;2:5.";
        QTest::newRow("retracted by type") << handMade << 0
            << QStringList{"Retracted by publication type only.", "Journal of Hand-made Cases", "", "2020", "", "", "", "",
                           "", "900001", ""}
            << QString() << true << "[Retracted].";
    }
    void referencesOfRecords()
    {
        QFETCH(QString, path);
        QFETCH(int, index);
        QFETCH(QStringList, texts);
        QFETCH(QString, author);
        QFETCH(bool, retracted);
        QFETCH(QString, note);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        ArticleList articles;
        QVERIFY(appendArticlesFromBytes(file.readAll(), articles, std::string()) > index);
        const ArticleRecord &article = articles.at(index);
        const Reference r = referenceForArticle(article);
        QCOMPARE((QStringList{r.title, r.containerTitle, r.journalAbbreviation, r.date, r.month, r.volume, r.issue, r.pages,
                              r.doi, r.pmid, r.pmcid}),
                 texts);
        const ReferenceAuthor first = r.authors.value(0);
        QCOMPARE(r.authors.isEmpty() ? QString() : first.last + '|' + first.foreName + '|' + first.initials, author);
        QCOMPARE(r.retracted, retracted);
        for (const CitationStyle style : CitationStyles::all()) {
            const QString text = CitationStyles::citationForArticle(style, article).toPlainText();
            QVERIFY2(note.isEmpty() ? !text.contains("Retract") : text.endsWith(note), qPrintable(text));
        }
        QCOMPARE(RisWriter::record(r).contains("\r\nN1  - " + note + "\r\n"), !note.isEmpty());
    }

    void styleNames()
    {
        for (const CitationStyle style : CitationStyles::all())
            QCOMPARE(CitationStyles::named(CitationStyles::name(style).toLower()), style);
        QCOMPARE(CitationStyles::named(QStringLiteral("Chicago")), std::nullopt);
    }

    // Every style on every shared answer, and on the worked examples with
    // any of their parts missing: some text, and no punctuation or space left
    // behind by a missing part.
    void sharedAnswers()
    {
        const QDir dir(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"));
        const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files);
        QVERIFY(files.size() >= 10);
        QList<Reference> references;
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            ArticleList articles;
            QVERIFY(appendArticlesFromBytes(file.readAll(), articles, std::string()) >= 0);
            for (const ArticleRecord &record : std::as_const(articles))
                references << referenceForArticle(record);
        }
        QVERIFY(references.size() > 150);
        QString Reference::*const parts[] = {&Reference::title, &Reference::containerTitle, &Reference::date,
                                              &Reference::volume, &Reference::issue, &Reference::pages, &Reference::doi};
        for (const Reference &example : {workedArticle(), workedArticle({}), bookChapter(), wholeBook()}) {
            for (unsigned missing = 0; missing < 1U << std::size(parts); ++missing) {
                Reference r = example;
                r.journalAbbreviation.clear(); // the journal goes with its full title
                for (size_t p = 0; p < std::size(parts); ++p)
                    r.*parts[p] = missing & (1U << p) ? QString() : example.*parts[p];
                if (r.date.isEmpty())
                    r.month.clear(); // PubMed gives no month without a year
                references << r;
            }
        }
        const QStringList markers = {"()", ";:", "(:", ", ,", ",.", ";.", ":.", "..", ". .", "“”", " ,", "( ", " )", "  "};
        for (const Reference &reference : std::as_const(references)) {
            for (const CitationStyle style : CitationStyles::all()) {
                if (style == CitationStyle::Vexmoor)
                    continue;
                const QString text = CitationStyles::cite(style, reference).toPlainText();
                // Only a reference without any part a guide cites has nothing to cite.
                const QString cited = reference.title + reference.containerTitle + reference.date + reference.volume
                                      + reference.issue + reference.pages + reference.doi + reference.publisher;
                QVERIFY2(!text.isEmpty() || (cited.isEmpty() && reference.authors.isEmpty()), qPrintable(reference.pmid));
                QVERIFY2(!text.startsWith(u'.') && !text.startsWith(u' ') && !text.startsWith(u','), qPrintable(text));
                QVERIFY2(!text.contains(QLatin1String("In: ")) || !reference.containerTitle.isEmpty(), qPrintable(text));
                for (const QString &marker : markers) {
                    // APA's ellipsis for long author lists is ". . ." on purpose.
                    if (marker == QLatin1String(". .") && text.contains(QLatin1String(", . . . ")))
                        continue;
                    QVERIFY2(!text.contains(marker),
                             qPrintable(QStringLiteral("%1 in %2: %3").arg(marker, CitationStyles::name(style), text)));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(CitationStyleTest)
#include "CitationStyleTest.moc"
