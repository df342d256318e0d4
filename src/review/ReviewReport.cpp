#include "review/ReviewReport.h"

#include "export/Reference.h"
#include "review/ReviewMessages.h"
#include "review/ReviewStore.h"

#include <QRegularExpression>

namespace {

const QStringList kSelectionNames = {QStringLiteral("all"), QStringLiteral("included"), QStringLiteral("full-text"),
                                     QStringLiteral("excluded"), QStringLiteral("undecided")};

// The fields a record and a Reference hold alike.
const std::pair<QString ReviewRecord::*, QString Reference::*> kSameFields[] = {
    {&ReviewRecord::title, &Reference::title},   {&ReviewRecord::journal, &Reference::containerTitle},
    {&ReviewRecord::volume, &Reference::volume}, {&ReviewRecord::issue, &Reference::issue},
    {&ReviewRecord::pages, &Reference::pages},   {&ReviewRecord::doi, &Reference::doi},
    {&ReviewRecord::pmid, &Reference::pmid},     {&ReviewRecord::abstract, &Reference::abstract}};

QString choiceText(ScreeningChoice choice)
{
    switch (choice) {
    case ScreeningChoice::Include: return ReviewMessages::include();
    case ScreeningChoice::Exclude: return ReviewMessages::exclude();
    case ScreeningChoice::Maybe: break;
    }
    return ReviewMessages::maybe();
}

QString decisionText(const QString &stage, const ScreeningDecision &d)
{
    QString text = stage + QStringLiteral(": ") + choiceText(d.choice);
    if (!d.reason.isEmpty())
        text += QStringLiteral(" (") + d.reason + u')';
    return text + QStringLiteral(", ") + d.who + u' ' + d.at.toUTC().toString(Qt::ISODate);
}

// A Markdown table cell: its own pipes and line breaks would end it.
QString cell(QString text)
{
    return text.replace(u'|', QLatin1String("\\|")).replace(u'\n', u' ');
}

} // namespace

std::optional<ReviewReport::Selection> ReviewReport::selectionNamed(const QString &name)
{
    const qsizetype at = kSelectionNames.indexOf(name);
    return at < 0 ? std::nullopt : std::optional(Selection(at));
}

QStringList ReviewReport::selectionNames()
{
    return kSelectionNames;
}

std::optional<ReviewReport> ReviewReport::read(ReviewStore &store, const Review &review)
{
    ReviewReport report;
    report.m_review = review;
    const auto sources = store.sources(review.id);
    const auto records = sources ? store.records(review.id) : std::nullopt;
    const auto merges = records ? store.merges(review.id) : std::nullopt;
    const auto foundIn = merges ? store.foundIn(review.id) : std::nullopt;
    const auto first = foundIn ? store.decisions(review.id, ScreeningStage::TitleAbstract) : std::nullopt;
    const auto second = first ? store.decisions(review.id, ScreeningStage::FullText) : std::nullopt;
    if (!second)
        return std::nullopt;
    report.m_sources = *sources;
    report.m_records = *records;
    report.m_merges = merges->size();
    report.m_foundIn = *foundIn;
    report.m_titleAbstract = *first;
    report.m_fullText = *second;
    return report;
}

PrismaCounts ReviewReport::counts() const
{
    return PrismaCounts::compute(m_review, m_sources, m_merges, m_records, m_titleAbstract, m_fullText);
}

QString ReviewReport::searchDocumentation() const
{
    QString out = QStringLiteral("# Searches of %1\n\n").arg(m_review.name);
    if (!m_review.question.isEmpty())
        out += QStringLiteral("Question: %1\n\n").arg(m_review.question);
    out += QStringLiteral("| Database | Interface | Date searched | Records | Strategy |\n|---|---|---|---|---|\n");
    for (const ReviewSource &s : m_sources)
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                   .arg(cell(s.database), cell(s.interface), s.searched.toString(Qt::ISODate))
                   .arg(s.count)
                   .arg(cell(s.strategy));
    out += QStringLiteral("\n## Strategies as run\n");
    for (const ReviewSource &s : m_sources) {
        out += QStringLiteral("\n### %1, %2 (%3 records)\n\n").arg(s.database, s.searched.toString(Qt::ISODate)).arg(s.count);
        // Fenced, so that the strategy stands exactly as it was run.
        out += QStringLiteral("```\n%1\n```\n").arg(s.strategy.isEmpty() ? QStringLiteral("(imported file)") : s.strategy);
    }
    const PrismaCounts c = counts();
    out += QStringLiteral("\nRecords identified: %1; duplicates removed: %2; records screened: %3.\n")
               .arg(c.identifiedTotal())
               .arg(c.duplicatesRemoved)
               .arg(c.screened);
    return out;
}

ReviewRecords ReviewReport::selected(Selection selection) const
{
    ReviewRecords out;
    for (const ReviewRecord &r : m_records) {
        const auto first = m_titleAbstract.constFind(r.id);
        const auto second = m_fullText.constFind(r.id);
        const bool passed = first != m_titleAbstract.cend() && first->choice != ScreeningChoice::Exclude;
        const auto is = [](auto it, auto end, ScreeningChoice choice) { return it != end && it->choice == choice; };
        bool take = true;
        switch (selection) {
        case Selection::All: break;
        case Selection::Included: take = passed && is(second, m_fullText.cend(), ScreeningChoice::Include); break;
        case Selection::FullText: take = passed; break;
        case Selection::Excluded:
            take = is(first, m_titleAbstract.cend(), ScreeningChoice::Exclude)
                   || (passed && is(second, m_fullText.cend(), ScreeningChoice::Exclude));
            break;
        case Selection::Undecided: take = first == m_titleAbstract.cend(); break;
        }
        if (take)
            out.append(r);
    }
    return out;
}

QList<Reference> ReviewReport::references(const ReviewRecords &records) const
{
    QList<Reference> out;
    for (const ReviewRecord &r : records) {
        Reference reference = referenceForRecord(r);
        QStringList note;
        if (m_titleAbstract.contains(r.id))
            note.append(decisionText(ReviewMessages::titleAbstractStage(), m_titleAbstract.value(r.id)));
        if (m_fullText.contains(r.id))
            note.append(decisionText(ReviewMessages::fullTextStage(), m_fullText.value(r.id)));
        if (m_foundIn.contains(r.id))
            note.append(ReviewMessages::foundIn(m_foundIn.value(r.id)));
        reference.note = note.join(QStringLiteral("; "));
        out.append(reference);
    }
    return out;
}

Reference referenceForRecord(const ReviewRecord &record)
{
    Reference reference;
    for (const QString &name : record.authors) {
        ReferenceAuthor author;
        const qsizetype comma = name.indexOf(u',');
        if (comma >= 0) {
            author.last = name.left(comma).trimmed();
            author.foreName = name.mid(comma + 1).trimmed();
        } else if (name.contains(u' ')) {
            // MEDLINE's short form: "Smith JA".
            author.last = name.section(u' ', 0, -2);
            author.initials = name.section(u' ', -1);
        } else {
            author.last = name;
        }
        for (const QString &part : author.foreName.split(QRegularExpression(QStringLiteral("[\\s.-]+")), Qt::SkipEmptyParts))
            author.initials += part.front().toUpper();
        reference.authors.append(author);
    }
    for (const auto &[ours, theirs] : kSameFields)
        reference.*theirs = record.*ours;
    reference.styledTitle.append(record.title);
    reference.date = record.year;
    reference.keywords = record.keywords;
    return reference;
}

ReviewRecord recordFromReference(const Reference &reference)
{
    ReviewRecord record;
    for (const auto &[ours, theirs] : kSameFields)
        record.*ours = reference.*theirs;
    for (const ReferenceAuthor &author : reference.authors)
        record.authors.append(author.collective || author.foreName.isEmpty() ? author.last
                                                                             : author.last + QStringLiteral(", ") + author.foreName);
    record.year = reference.year();
    record.keywords = reference.mesh + reference.keywords;
    return record;
}
