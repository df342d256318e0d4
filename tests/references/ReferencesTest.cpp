// A pasted reference list cut into references, each read into its parts and
// matched against the fake server in the order that asks least.
#include "FakeEutilsServer.h"

#include "references/ReferenceMatcher.h"
#include "references/ReferenceMessages.h"
#include "references/ReferenceQuery.h"
#include "references/ReferenceSplitter.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

class ReferencesTest : public QObject
{
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("references");
        QTest::newRow("numbered, a line continued, a heading")
            << "References\n1. Zhu N, Zhang D. A novel coronavirus.\n   N Engl J Med. 2020;382:727-33.\n2) Mann BJ. Title. Cell. 1991;1:1."
            << QStringList{"Zhu N, Zhang D. A novel coronavirus. N Engl J Med. 2020;382:727-33.", "Mann BJ. Title. Cell. 1991;1:1."};
        QTest::newRow("bracketed, a year that is no number of the list")
            << "[1] Lee C. One. J. 2001;2:3.\n2020. A line of the first.\n[2] Kim D. Two. J. 2002;3:4."
            << QStringList{"Lee C. One. J. 2001;2:3. 2020. A line of the first.", "Kim D. Two. J. 2002;3:4."};
        QTest::newRow("one numbered") << "[12] Lee C. One. J. 2001;2:3." << QStringList{"Lee C. One. J. 2001;2:3."};
        QTest::newRow("blocks, wrapped at capitals")
            << "Lee C. One.\nJ Biol. 2001;2:3.\n\nKim D. Two.\nJ Chem. 2002;3:4.\n"
            << QStringList{"Lee C. One. J Biol. 2001;2:3.", "Kim D. Two. J Chem. 2002;3:4."};
        QTest::newRow("one a line, hanging indent, cut mid-sentence, a particle")
            << "Lee, C. (2001). One.\n    J, 2(1), 3.\nKim, D., &\nPark, E. (2002). Two words\nand more. J, 3, 4.\nde Souza, A. (2003). Three. J, 4, 5."
            << QStringList{"Lee, C. (2001). One. J, 2(1), 3.", "Kim, D., & Park, E. (2002). Two words and more. J, 3, 4.",
                           "de Souza, A. (2003). Three. J, 4, 5."};
    }
    void split()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, references);
        QCOMPARE(splitReferences(text), references);
    }

    // "surname initials | title | journal | year volume(issue):page | doi pmid pmcid | book? reference?"
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parts");
        QTest::newRow("Vancouver, et al., DOI")
            << "Zhu N, Zhang D, Wang W, et al. A Novel Coronavirus from Patients with Pneumonia in China, 2019. N Engl J Med. "
               "2020;382(8):727-733. doi:10.1056/NEJMoa2001017."
            << "Zhu N | A Novel Coronavirus from Patients with Pneumonia in China, 2019 | N Engl J Med | 2020 382(8):727 | "
               "10.1056/NEJMoa2001017 - - | 0 1";
        QTest::newRow("Lancet, periods in initials")
            << "Mann B. J., Smith J. Amoebic lectins: a new look? Proc Natl Acad Sci U S A 1991; 88: 3248–52."
            << "Mann BJ | Amoebic lectins: a new look? | Proc Natl Acad Sci U S A | 1991 88():3248 | - - - | 0 1";
        QTest::newRow("APA, DOI link, article number")
            << "Hutchins, B. I., Yuan, X., & Santangelo, G. M. (2016). Relative Citation Ratio (RCR): A new metric. PLoS Biology, "
               "14(9), e1002541. https://doi.org/10.1371/journal.pbio.1002541"
            << "Hutchins BI | Relative Citation Ratio (RCR): A new metric | PLoS Biology | 2016 14(9):e1002541 | "
               "10.1371/journal.pbio.1002541 - - | 0 1";
        QTest::newRow("NLM, accents, Epub, PMID")
            << "Sharma A, Méndez E. Hospital volume and survival. Cancer. 2013 May 15;119(10):1845-52. Epub 2013 Feb 25. PMID: 23456789."
            << "Sharma A | Hospital volume and survival | Cancer | 2013 119(10):1845 | - 23456789 - | 0 1";
        QTest::newRow("another article cited in the title")
            << "Henderson R. Comment on a case (Eur Spine J 2016; doi:10.1007/s00586-016-4695-x). Eur Spine J. 2017;26(12):3206."
            << "Henderson R | Comment on a case (Eur Spine J 2016; ) | Eur Spine J | 2017 26(12):3206 | 10.1007/s00586-016-4695-x - - | 0 1";
        QTest::newRow("a group author, a dotted journal")
            << "Guideline Development Panel for Depressive Disorders. Summary of the guideline. Am. Psychol. 2022;77(6):770-780."
            << " | Summary of the guideline | Am. Psychol | 2022 77(6):770 | - - - | 0 1";
        QTest::newRow("APA, no author, a supplement")
            << "[Kyphoplasty and vertebroplasty]. (2011). Der Unfallchirurg, 114 Suppl 1, S5."
            << " | [Kyphoplasty and vertebroplasty] | Der Unfallchirurg | 2011 114():S5 | - - - | 0 1";
        QTest::newRow("APA, a particle, a bracketed title")
            << "de Polo, A., & Luo, Z. (2017). [AXL signalling. A translation]. J Mol Cell Biol, 9, 154–165."
            << "de Polo A | [AXL signalling. A translation] | J Mol Cell Biol | 2017 9():154 | - - - | 0 1";
        QTest::newRow("a book chapter")
            << "Pagon RA, Bird TD. Alport syndrome. In: Adam MP, editor. GeneReviews. Seattle (WA): University of Washington; 2019."
            << "Pagon RA | Alport syndrome |  | 2019 ():- | - - - | 1 1";
        QTest::newRow("no reference") << "Table 2 shows the baseline characteristics of the patients."
                                      << " | Table 2 shows the baseline characteristics of the patients |  |  (): | - - - | 0 0";
        QTest::newRow("a PMCID alone") << "PMCID: PMC5886502" << " |  |  |  (): | - - PMC5886502 | 0 1";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, parts);
        const ParsedReference r = parseReference(text);
        const auto dash = [](const QString &part) { return part.isEmpty() ? QStringLiteral("-") : part; };
        const QString read = QStringLiteral("%1 %2 | %3 | %4 | %5 %6(%7):%8 | %9 %10 %11 | %12 %13")
                                 .arg(r.surname, r.initials, r.title, r.journal, r.year, r.volume, r.issue,
                                      r.inBook ? dash(r.firstPage) : r.firstPage, dash(r.doi))
                                 .arg(dash(r.pmid), dash(r.pmcid))
                                 .arg(int(r.inBook))
                                 .arg(int(r.looksLikeReference()));
        QCOMPARE(read.trimmed(), parts.trimmed());
    }

    // The search for what the other steps left: either half of the title
    // words finds it, or its volume and page, within a year of the year given.
    void searchTerm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::newRow("author, year, title, volume, page")
            << "Zhu N. A novel coronavirus from patients with pneumonia in Wuhan, China, 2019. N Engl J Med. 2020;382:727."
            << "(((coronavirus[ti] AND patients[ti] AND wuhan[ti]) OR (pneumonia[ti] AND novel[ti] AND china[ti]) OR (382[vi] "
               "AND 727[pg])) AND \"zhu n\"[1au] AND 2019:2021[dp]) NOT \"published erratum\"[pt]";
        QTest::newRow("no author: every word")
            << "Renal outcomes of early dialysis in adults. Kidney Int. 2015."
            << "((outcomes[ti] AND dialysis[ti] AND adults[ti] AND renal[ti] AND early[ti]) AND 2014:2016[dp]) NOT \"published erratum\"[pt]";
        QTest::newRow("too little") << "Smith J. Letter. 2001." << "";
    }
    void searchTerm()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QCOMPARE(searchTermOf(parseReference(text)), term);
    }

    // A PMID is taken as written; the converter, then ECitMatch, then
    // ESearch each get only what the step before left, each in as few
    // requests as it takes; a failed step leaves its references to the next.
    void matchingOrder_data()
    {
        QTest::addColumn<bool>("citationMatchFails");
        QTest::addColumn<QStringList>("hows");
        QTest::addColumn<QStringList>("requests"); // paths in order
        const QString converter = QLatin1String(Paths::IdConverter);
        const QString ecitmatch = QLatin1String(Paths::ECitMatch);
        const QString esearch = QLatin1String(Paths::ESearch);
        QTest::newRow("every way") << false
                                   << QStringList{"identifier 111", "identifier 222", "citation match 333", "search 444",
                                                  "ambiguous  5 6", "not a reference ", "not found "}
                                   << QStringList{converter, ecitmatch, esearch, esearch, esearch};
        QTest::newRow("ECitMatch fails") << true
                                         << QStringList{"identifier 111", "identifier 222", "search 333", "search 444",
                                                        "ambiguous  5 6", "not a reference ", "not found "}
                                         << QStringList{converter, ecitmatch, esearch, esearch, esearch, esearch};
    }
    void matchingOrder()
    {
        QFETCH(bool, citationMatchFails);
        QFETCH(QStringList, hows);
        QFETCH(QStringList, requests);
        FakeEutilsServer server;
        server.setHandler(QLatin1String(Paths::IdConverter), [](const QUrl &) {
            return FakeResponse::xml(R"({"records": [{"requested-id": "10.1000/known", "pmid": "222"},
                                         {"requested-id": "10.1000/other", "status": "error"}]})");
        });
        server.setHandler(QLatin1String(Paths::ECitMatch), [citationMatchFails](const QUrl &) {
            return citationMatchFails ? FakeResponse::serverError(500)
                                      : FakeResponse::xml("cell|2001|7|11|lee c|2|333\ncell|2002|8|12|kim d|3|NOT_FOUND\n");
        });
        // One article for each title word asked about, several for "common".
        server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &url) {
            const QString term = QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
            const QList<std::pair<const char *, QStringList>> known{
                {"lectins", {"333"}}, {"amoebic", {"444"}}, {"common", {"5", "6"}}};
            QStringList pmids;
            for (const auto &[word, found] : known) {
                if (term.contains(QLatin1String(word)))
                    pmids = found;
            }
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(int(pmids.size()), 0, 5, [&](int i) { return pmids.at(i); }));
        });
        ReferenceMatcher matcher(server.endpoints());
        QSignalSpy finished(&matcher, &ReferenceMatcher::finished);
        QVERIFY(matcher.start({"Ito K. Any title at all. Cell. 2000;1:2. PMID: 111",
                               "Ng A. Another title. Cell. 2000;1:3. doi:10.1000/known",
                               "Lee C. Lectins revisited today at length. Cell. 2001;7:11. doi:10.1000/other",
                               "Kim D. Amoebic lectins of amoebae, without lectins. Cell. 2002;8:12.",
                               "Lim E. Common findings in common patients with common things. 2003.",
                               "See the text above.",
                               "Oh F. Nothing anywhere matches this title. 2004."}));
        QVERIFY(finished.wait(20000));
        const ReferenceMatching outcome = finished.at(0).at(0).value<ReferenceMatching>();
        QStringList read;
        for (const ReferenceMatch &match : outcome.matches)
            read.append(ReferenceMessages::how(match.how) + u' ' + match.pmid
                        + (match.candidates.isEmpty() ? QString() : u' ' + match.candidates.join(u' ')));
        QCOMPARE(read, hows);
        QStringList paths;
        for (const QUrl &url : server.requestUrls())
            paths.append(url.path());
        QCOMPARE(paths, requests);
        QCOMPARE(outcome.errors.size(), citationMatchFails ? 1 : 0);
        // The ECitMatch request asked for the two with a journal, volume and page, by their places.
        QVERIFY(server.requestUrls().at(1).query(QUrl::FullyDecoded).contains(QStringLiteral("|2|\r")));
    }
};

QTEST_GUILESS_MAIN(ReferencesTest)
#include "ReferencesTest.moc"
