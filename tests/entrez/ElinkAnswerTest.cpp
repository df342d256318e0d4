// ELink answers read into link sets, and the linked articles of each kind in
// the order a reader gets them.
#include "entrez/ElinkAnswer.h"
#include "entrez/LinkKind.h"
#include "TestData.h"

#include <QTest>

namespace {
const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

QByteArray linkSet(const QByteArray &asked, const QByteArray &inside)
{
    return "<LinkSet><DbFrom>pubmed</DbFrom><IdList><Id>" + asked + "</Id></IdList>" + inside + "</LinkSet>";
}

QByteArray linkSetDb(const QByteArray &name, const QList<QByteArray> &links)
{
    QByteArray text = "<LinkSetDb><DbTo>pubmed</DbTo><LinkName>" + name + "</LinkName>";
    for (const QByteArray &link : links)
        text += "<Link>" + link + "</Link>";
    return text + "</LinkSetDb>";
}

QByteArray answer(const QByteArray &inside)
{
    return kDecl + "<eLinkResult>" + inside + "</eLinkResult>";
}
} // namespace

class ElinkAnswerTest : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("pmids"); // all of them, or the first and the last
        QTest::addColumn<int>("count");         // -1: the answer cannot be read
        QTest::addColumn<QString>("error");
        const auto fileRow = [](const char *row, const char *name, LinkKind kind, const QStringList &asked,
                                const QStringList &pmids, int count) {
            if (const auto body = readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/elink/") + QLatin1String(name)))
                QTest::newRow(row) << *body << int(kind) << asked << pmids << count << QString();
        };
        // The similar list starts with the article itself, which is left out.
        fileRow("one id, similar", "biopython_elink1.xml", LinkKind::Similar, {"9298984"}, {"8794856", "17333235"}, 100);
        fileRow("one id, cited by", "biopython_elink1.xml", LinkKind::CitedBy, {"9298984"}, {"38830800", "9700164"}, 39);
        fileRow("one id, references", "biopython_elink1.xml", LinkKind::References, {"9298984"}, {"14732139", "1339459"}, 56);
        fileRow("union, similar", "biopython_elink3.xml", LinkKind::Similar, {"11812492", "11774222"}, {"39386366", "9274032"}, 282);
        fileRow("union, no references set", "biopython_elink3.xml", LinkKind::References, {"11812492", "11774222"}, {}, 0);
        fileRow("cited by", "biopython_elink4.xml", LinkKind::CitedBy, {"12242737"}, {"40900773", "15278705"}, 6);

        const QByteArray scored = answer(
            linkSet("1", linkSetDb("pubmed_pubmed", {"<Id>1</Id><Score>99</Score>", "<Id>5</Id><Score>10</Score>", "<Id>7</Id><Score>30</Score>"}))
            + linkSet("2", linkSetDb("pubmed_pubmed", {"<Id>2</Id><Score>99</Score>", "<Id>1</Id><Score>50</Score>", "<Id>5</Id><Score>40</Score>", "<Id>9</Id><Score>x</Score>"})));
        QTest::newRow("per id, scores: best score of each, highest first, the asked left out")
            << scored << int(LinkKind::Similar) << QStringList{"1", "2"} << QStringList{"5", "7", "9"} << 3 << QString();
        QTest::newRow("per id, cited by: each once, highest first")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_citedin", {"<Id>30</Id>", "<Id>400</Id>"}))
                      + linkSet("2", linkSetDb("pubmed_pubmed_citedin", {"<Id>5000</Id>", "<Id>30</Id>"})))
            << int(LinkKind::CitedBy) << QStringList{"1", "2"} << QStringList{"5000", "400", "30"} << 3 << QString();
        QTest::newRow("per id, references in answer order")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_refs", {"<Id>30</Id>", "<Id>400</Id>"}))
                      + linkSet("2", linkSetDb("pubmed_pubmed_refs", {"<Id>5000</Id>", "<Id>30</Id>"})))
            << int(LinkKind::References) << QStringList{"1", "2"} << QStringList{"30", "400", "5000"} << 3 << QString();
        QTest::newRow("one link name over two LinkSetDb")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_refs", {"<Id>30</Id>"}) + linkSetDb("pubmed_pubmed_refs", {"<Id>400</Id>"})))
            << int(LinkKind::References) << QStringList{"1"} << QStringList{"30", "400"} << 2 << QString();
        QList<QByteArray> many;
        for (int i = 0; i < 10050; ++i)
            many << "<Id>" + QByteArray::number(100000 + i) + "</Id>";
        QTest::newRow("no more links than a search keeps, the first ones")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_citedin", many.mid(0, 5000)) + linkSetDb("pubmed_pubmed_citedin", many.mid(5000))))
            << int(LinkKind::CitedBy) << QStringList{"1"} << QStringList{"109998", "100000"} << 9999 << QString();
        QTest::newRow("empty LinkSetDb, empty ERROR")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_citedin", {}) + "<ERROR/>")) << int(LinkKind::CitedBy)
            << QStringList{"1"} << QStringList{} << 0 << QString();
        QTest::newRow("top-level ERROR")
            << answer("<ERROR>Invalid uid 0 at position=0</ERROR>") << int(LinkKind::CitedBy) << QStringList{"0"}
            << QStringList{} << 0 << "ELink answered: Invalid uid 0 at position=0";
        QTest::newRow("ERROR in the second LinkSet")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_refs", {"<Id>3</Id>"})) + linkSet("99999999", "<ERROR> UID not found </ERROR>"))
            << int(LinkKind::References) << QStringList{"1", "99999999"} << QStringList{"3"} << 1
            << "ELink answered for PMID 99999999: UID not found";
        QTest::newRow("ids that are no PMIDs")
            << answer(linkSet("1", linkSetDb("pubmed_pubmed_refs", {"<Id>1&amp;db=x</Id>", "<Id>12345678901</Id>", "<Id/>", "<Id>8</Id>"})))
            << int(LinkKind::References) << QStringList{"1"} << QStringList{"8"} << 1 << QString();
        QTest::newRow("HTML error page") << QByteArray("<html><body>502 Bad Gateway</body></html>") << int(LinkKind::Similar)
                                         << QStringList{} << QStringList{} << -1 << QString();
        QTest::newRow("other root") << kDecl + "<eSearchResult><Count>1</Count></eSearchResult></eLinkResult>"
                                    << int(LinkKind::Similar) << QStringList{} << QStringList{} << -1 << QString();
    }
    void answers()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, kind);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, pmids);
        QFETCH(int, count);
        QFETCH(QString, error);
        const std::optional<ElinkAnswer> parsed = elinkAnswerFromResponse(body);
        QCOMPARE(parsed.has_value(), count >= 0);
        if (!parsed)
            return;
        QCOMPARE(parsed->errorMessage(), error);
        const QStringList linked = pmidsOf(orderedLinks(*parsed, LinkKind(kind), asked));
        QCOMPARE(linked.size(), count);
        const QStringList seen = count == pmids.size() ? linked : QStringList{linked.constFirst(), linked.constLast()};
        QCOMPARE(seen, pmids);
    }
};

QTEST_GUILESS_MAIN(ElinkAnswerTest)
#include "ElinkAnswerTest.moc"
