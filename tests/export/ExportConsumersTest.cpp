#include "ConsumerRun.h"
#include "WorkedArticle.h"

#include "entrez/ArticleExtractor.h"
#include "export/ExportFormat.h"
#include "export/PageRange.h"

#include <QDir>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

#include <pugixml.hpp>

namespace {

// What every reader must give back of a record.
struct Essentials
{
    QString title;
    // Family names of persons and whole names of groups.
    QStringList authors;
    QString year;
    QString doi;
    QString pmid;
    friend bool operator==(const Essentials &, const Essentials &) = default;
};

QString describe(const Essentials &e)
{
    return QStringLiteral("title=%1 authors=%2 year=%3 doi=%4 pmid=%5")
        .arg(e.title, e.authors.join(u'|'), e.year, e.doi, e.pmid);
}

// MEDLINE keeps persons (FAU) and groups (CN) under different tags, and its
// readers give each list on its own: there the groups come last.
enum class AuthorOrder { AsListed, GroupsLast };

Essentials essentialsOf(const Reference &r, AuthorOrder order)
{
    Essentials e{r.title.simplified(), {}, r.year(), r.doi.simplified(), r.pmid};
    QStringList groups;
    for (const ReferenceAuthor &a : r.authors)
        (a.collective && order == AuthorOrder::GroupsLast ? groups : e.authors).append(a.last.simplified());
    e.authors += groups;
    return e;
}

QString text(const pugi::xpath_node &node)
{
    return QString::fromUtf8(node.node().child_value()).simplified();
}

// The records of a MODS collection as bibutils writes it.
QList<Essentials> fromMods(const QByteArray &xml)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.constData(), size_t(xml.size())))
        return {};
    static const QRegularExpression pubmedUrl(QStringLiteral("^https://pubmed\\.ncbi\\.nlm\\.nih\\.gov/(\\d+)/$"));
    QList<Essentials> records;
    for (const pugi::xpath_node &mods : doc.select_nodes("/modsCollection/mods")) {
        Essentials e;
        e.title = text(mods.node().select_node("titleInfo[not(@type)]/title"));
        // A group, and a person known by one name only, are one namePart.
        for (const pugi::xpath_node &name : mods.node().select_nodes("name[role/roleTerm='author']")) {
            const pugi::xpath_node family = name.node().select_node("namePart[@type='family']");
            e.authors.append(text(family ? family : name.node().select_node("namePart")));
        }
        e.year = text(mods.node().select_node("originInfo/dateIssued")).left(4);
        e.doi = text(mods.node().select_node("identifier[@type='doi']"));
        e.pmid = text(mods.node().select_node("identifier[@type='pubmed']"));
        // RIS carries the PMID in the record's PubMed address, which bibutils keeps as a URL.
        if (e.pmid.isEmpty())
            e.pmid = pubmedUrl.match(text(mods.node().select_node("location/url"))).captured(1);
        records.append(e);
    }
    return records;
}

// The records of a MEDLINE file as Biopython's parser reads them.
QList<Essentials> fromMedline(const QByteArray &nbib)
{
    static const QString script = QStringLiteral(
        "import json, sys\n"
        "from Bio import Medline\n"
        "with open(sys.argv[1], encoding='utf-8') as f:\n"
        "    json.dump(list(Medline.parse(f)), sys.stdout)\n");
    const QByteArray out =
        runConsumer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script}, nbib, QStringLiteral("export.nbib"));
    static const QRegularExpression year(QStringLiteral("\\d{4}"));
    QList<Essentials> records;
    for (const QJsonValue &value : QJsonDocument::fromJson(out).array()) {
        const QJsonObject record = value.toObject();
        Essentials e;
        e.title = record.value(QStringLiteral("TI")).toString();
        for (const QVariant &name : record.value(QStringLiteral("FAU")).toVariant().toList())
            e.authors.append(name.toString().section(QStringLiteral(", "), 0, 0));
        e.authors += record.value(QStringLiteral("CN")).toVariant().toStringList();
        e.year = year.match(record.value(QStringLiteral("DP")).toString()).captured();
        // The record's DOI is the article ids' (AID), the LID the ELocationID's.
        for (const QVariant &id : record.value(QStringLiteral("AID")).toVariant().toList()) {
            if (id.toString().endsWith(QLatin1String(" [doi]")))
                e.doi = id.toString().chopped(6);
        }
        e.pmid = record.value(QStringLiteral("PMID")).toString();
        records.append(e);
    }
    return records;
}

// bibutils keeps one of two authors with the same name (two S Chens, say).
void keepOneNamesake(Essentials &e)
{
    e.authors.removeDuplicates();
}

} // namespace

class ExportConsumersTest : public QObject
{
    Q_OBJECT

private:
    QList<Reference> m_references;

    // `asRead` maps what was written to what the reader may legitimately make of it.
    void compare(QList<Essentials> readBack, const char *format, void (*asRead)(Essentials &) = nullptr,
                 AuthorOrder order = AuthorOrder::AsListed)
    {
        QCOMPARE(readBack.size(), m_references.size());
        for (qsizetype i = 0; i < readBack.size(); ++i) {
            // Not yet compared: records with a group author (this bibutils
            // fails on any --corporation-file and splits a group's name as a
            // person's; the MEDLINE reader cuts a CN at its first comma) and
            // books (bib2xml reads no PMID from them).
            const Reference &r = m_references.at(i);
            if (r.kind != Reference::Kind::JournalArticle
                || std::any_of(r.authors.cbegin(), r.authors.cend(), [](const ReferenceAuthor &a) { return a.collective; }))
                continue;
            Essentials expected = essentialsOf(m_references.at(i), order);
            if (asRead) {
                asRead(expected);
                asRead(readBack[i]);
            }
            QVERIFY2(readBack.at(i) == expected,
                     qPrintable(QStringLiteral("%1 record %2\n read: %3\n want: %4")
                                    .arg(QLatin1String(format)).arg(i).arg(describe(readBack.at(i)), describe(expected))));
        }
        qInfo("%s: %lld records read back", format, qlonglong(readBack.size()));
    }

private slots:
    void initTestCase()
    {
        const QDir dir(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"));
        for (const QString &name : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            ArticleList articles;
            QVERIFY(appendArticlesFromBytes(file.readAll(), articles, std::string()) >= 0);
            for (const ArticleRecord &article : std::as_const(articles))
                m_references.append(referenceForArticle(article));
        }
        QVERIFY(m_references.size() > 150);
    }

    void risThroughBibutils()
    {
        // bibutils tells a group from a person only by a list of group names,
        // but Debian 12's ris2xml fails on any such list ("Memory error").
        const QStringList arguments{QStringLiteral("-nt")};
        const QByteArray mods = runConsumer(QStringLiteral("ris2xml"), arguments,
                                            ExportFormats::write(ExportFormat::Ris, m_references), QStringLiteral("export.ris"));
        // bibutils takes a DOI from RIS only when its prefix has four digits
        // ("10.1234/"), and drops one such as "10.14245/…".
        compare(fromMods(mods), "RIS", [](Essentials &e) {
            keepOneNamesake(e);
            static const QRegularExpression fourDigitPrefix(QStringLiteral("^10\\.\\d{4}/"));
            if (!fourDigitPrefix.match(e.doi).hasMatch())
                e.doi.clear();
        });
    }

    void bibtexThroughBibutils()
    {
        const QByteArray mods = runConsumer(QStringLiteral("bib2xml"), {QStringLiteral("-nt")},
                                            ExportFormats::write(ExportFormat::Bibtex, m_references), QStringLiteral("export.bib"));
        // bibutils reads quotation marks and runs of hyphens as LaTeX does,
        // as typographic quotation marks and dashes.
        compare(fromMods(mods), "BibTeX", [](Essentials &e) {
            const auto straight = [](QString &text) {
                text.replace(QChar(0x201C), u'"').replace(QChar(0x201D), u'"');
                text.replace(QChar(0x2018), u'\'').replace(QChar(0x2019), u'\'');
            };
            e.title.replace(QLatin1String("---"), QChar(0x2014)).replace(QLatin1String("--"), QChar(0x2013));
            keepOneNamesake(e);
            straight(e.title);
            for (QString &name : e.authors)
                straight(name);
        });
    }

    // Hostile text in one record may change nothing else: pybtex must read the
    // same entries, each with all its fields and authors.
    void bibtexHostileTextThroughPybtex_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("closing braces start an entry") << "title"
            << "Real title}} @article(injected, url = \"http://evil.example/payload\", title = {x})";
        QTest::newRow("lone opening brace") << "title" << "Lone { brace";
        QTest::newRow("escaped braces") << "title" << "a\\}\\} @misc{injected, url = {x}}";
        QTest::newRow("and in a family name") << "last" << "Smith and Mallory";
        QTest::newRow("a comma in a family name") << "last" << "Smith, Jones";
        QTest::newRow("braces in the DOI") << "doi" << "10.1/x}} @misc(injected, url = {http://evil.example/})";
    }
    void bibtexHostileTextThroughPybtex()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        Reference hostile = workedArticle();
        if (field == QLatin1String("title"))
            hostile.title = text;
        else if (field == QLatin1String("doi"))
            hostile.doi = text;
        else
            hostile.authors[0].last = text;
        Reference next = workedArticle();
        next.pmid = QStringLiteral("99999998");
        static const QString script = QStringLiteral(
            "import json, sys\n"
            "from pybtex.database import parse_file\n"
            "data = parse_file(sys.argv[1], 'bibtex')\n"
            "json.dump([[k, sorted(e.fields.keys()), len(e.persons.get('author', [])),\n"
            "            ' '.join(e.persons['author'][0].last_names).replace('{', '').replace('}', '')]\n"
            "           for k, e in data.entries.items()], sys.stdout)\n");
        const QByteArray out = runConsumer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script},
                                           ExportFormats::write(ExportFormat::Bibtex, {hostile, next}),
                                           QStringLiteral("export.bib"));
        const QJsonArray entries = QJsonDocument::fromJson(out).array();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).toArray().at(0).toString(), QStringLiteral("pmid99999999"));
        QCOMPARE(entries.at(0).toArray().at(1), entries.at(1).toArray().at(1));
        QCOMPARE(entries.at(0).toArray().at(2).toInt(), 3);
        // The first author's family name, whole.
        QCOMPARE(entries.at(0).toArray().at(3).toString(), field == QLatin1String("last") ? text : hostile.authors[0].last);
    }

    void medlineThroughBiopython()
    {
        compare(fromMedline(ExportFormats::write(ExportFormat::Medline, m_references)), "MEDLINE", nullptr,
                AuthorOrder::GroupsLast);
    }

    void csvThroughStrictReader()
    {
        const QJsonArray rows = strictCsvRows(ExportFormats::write(ExportFormat::Csv, m_references));
        QCOMPARE(rows.size(), m_references.size() + 1);
        for (qsizetype i = 0; i < m_references.size(); ++i) {
            const Reference &r = m_references.at(i);
            const QStringList row = rows.at(i + 1).toVariant().toStringList();
            QCOMPARE(row.size(), 13);
            QCOMPARE(row.at(0), r.pmid);
            QCOMPARE(row.at(1), r.title.simplified());
            QCOMPARE(row.at(5), r.year());
            QCOMPARE(row.at(8), r.pages.simplified());
            QCOMPARE(row.at(9), r.doi.simplified());
            QCOMPARE(row.at(12), r.abstract.trimmed());
        }
        qInfo("CSV: %lld records read back", qlonglong(m_references.size()));
    }
};

QTEST_GUILESS_MAIN(ExportConsumersTest)
#include "ExportConsumersTest.moc"
