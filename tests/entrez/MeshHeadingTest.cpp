// The MeSH answers of ESummary, as the MeSH browser and `vexmoor-cli mesh` read them.
#include "entrez/MeshHeading.h"
#include "TestData.h"

#include <QTest>

namespace {
// A descriptor as the ESummary DTD of db=mesh lays it out (no real answer of
// one was at hand): two places in the tree, subheadings, an entry term.
const QByteArray kDescriptor =
    "<eSummaryResult><DocumentSummarySet status=\"OK\"><DocumentSummary uid=\"68001249\">"
    "<DS_ScopeNote>A form of bronchial disorder.\n</DS_ScopeNote>"
    "<DS_MeshTerms><string>Asthma</string><string>Asthma, Bronchial</string></DS_MeshTerms>"
    "<DS_Subheading><string>drug therapy</string><string>etiology</string></DS_Subheading>"
    "<DS_IdxLinks><LinksType><Parent>68001982</Parent><TreeNum>C08.127.108</TreeNum>"
    "<Children><int>68059366</int><int>68013224</int></Children></LinksType>"
    "<LinksType><Parent>68006969</Parent><TreeNum>C20.543.480.680.095</TreeNum><Children></Children></LinksType>"
    "</DS_IdxLinks><DS_HeadingMappedToList></DS_HeadingMappedToList></DocumentSummary>"
    "<DocumentSummary uid=\"68000001\"><DS_ScopeNote>no terms: left out</DS_ScopeNote></DocumentSummary>"
    "</DocumentSummarySet></eSummaryResult>";
} // namespace

class MeshHeadingTest : public QObject
{
    Q_OBJECT

private slots:
    void realSupplementaryConcept()
    {
        READ_TEST_DATA(body, VEXMOOR_TESTDATA_DIR "/../services/mesh/klortho_esummary_mesh_v2.xml");
        const std::optional<MeshSummaryAnswer> answer = meshSummaryFromResponse(body);
        QVERIFY(answer && answer->headings.size() == 1 && answer->error.isEmpty());
        const MeshHeading &heading = answer->headings.constFirst();
        QCOMPARE(heading.uid, QStringLiteral("67414177"));
        QCOMPARE(heading.name, QStringLiteral("SLC7A2 protein, human"));
        QCOMPARE(heading.entryTerms.size(), 4);
        QCOMPARE(heading.entryTerms.last(), QStringLiteral("CAT-2 transporter, human"));
        QCOMPARE(heading.scopeNote, QStringLiteral("RefSeq NM_003046"));
        QVERIFY(heading.subheadings.isEmpty());
        QVERIFY(heading.isSupplementary());
        QCOMPARE(heading.mappedTo, QStringList{QStringLiteral("68026923")});
        QCOMPARE(heading.tree.size(), 1);
        QCOMPARE(heading.tree.constFirst().treeNumber, QStringLiteral("@3065"));
        QCOMPARE(heading.neighbours(), QStringList{QStringLiteral("1000048")});
        QCOMPARE(heading.matchedTerm(QStringLiteral("hcat-2 PROTEIN")), QStringLiteral("hCAT-2 transport protein"));
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("summary"); // name|entry terms|subheadings|neighbours|error, or "none"
        QTest::newRow("descriptor") << kDescriptor
                                    << "Asthma|Asthma, Bronchial|drug therapy,etiology|68001982,68059366,68013224,68006969|";
        QTest::newRow("service error") << QByteArray("<eSummaryResult><ERROR>Invalid uid</ERROR></eSummaryResult>")
                                       << "||||Invalid uid";
        QTest::newRow("cut short") << kDescriptor.left(300) << "none";
        QTest::newRow("another answer") << QByteArray("<eSearchResult><Count>1</Count></eSearchResult>") << "none";
    }
    void answers()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, summary);
        const std::optional<MeshSummaryAnswer> answer = meshSummaryFromResponse(body);
        if (summary == QLatin1String("none")) {
            QVERIFY(!answer || answer->headings.isEmpty());
            return;
        }
        QVERIFY(answer);
        QVERIFY(answer->headings.size() <= 1);
        const MeshHeading heading = answer->headings.value(0);
        QCOMPARE(QStringList({heading.name, heading.entryTerms.join(QLatin1Char(';')), heading.subheadings.join(QLatin1Char(',')),
                              heading.neighbours().join(QLatin1Char(',')), answer->error})
                     .join(QLatin1Char('|')),
                 summary);
        QCOMPARE(heading.matchedTerm(QStringLiteral("bronchial")), answer->headings.isEmpty() ? QString() : QStringLiteral("Asthma, Bronchial"));
        QVERIFY(!heading.isSupplementary());
    }
};

QTEST_GUILESS_MAIN(MeshHeadingTest)
#include "MeshHeadingTest.moc"
