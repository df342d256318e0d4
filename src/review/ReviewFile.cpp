#include "review/ReviewFile.h"

#include "review/ReviewDuplicates.h"
#include "review/ReviewMessages.h"
#include "review/ReviewStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kFormat = 1;

QJsonArray array(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

QStringList strings(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &item : value.toArray())
        out.append(item.toString());
    return out;
}

const QList<std::pair<const char *, QString ReviewRecord::*>> kTextFields = {
    {"title", &ReviewRecord::title},   {"journal", &ReviewRecord::journal}, {"year", &ReviewRecord::year},
    {"volume", &ReviewRecord::volume}, {"issue", &ReviewRecord::issue},     {"pages", &ReviewRecord::pages},
    {"doi", &ReviewRecord::doi},       {"pmid", &ReviewRecord::pmid},       {"abstract", &ReviewRecord::abstract}};

QJsonObject recordObject(const ReviewRecord &r)
{
    QJsonObject o{{"id", r.id}, {"authors", array(r.authors)}, {"keywords", array(r.keywords)}};
    for (const auto &[name, member] : kTextFields)
        o.insert(QLatin1String(name), r.*member);
    return o;
}

ReviewRecord recordOf(const QJsonObject &o)
{
    ReviewRecord r;
    r.id = o.value("id").toInteger();
    r.authors = strings(o.value("authors"));
    r.keywords = strings(o.value("keywords"));
    for (const auto &[name, member] : kTextFields)
        r.*member = o.value(QLatin1String(name)).toString();
    return r;
}

QJsonObject decisionObject(const ScreeningDecision &d)
{
    return {{"record", d.record}, {"stage", stageKey(d.stage)}, {"choice", choiceKey(d.choice)}, {"reason", d.reason},
            {"who", d.who}, {"at", d.at.toUTC().toString(Qt::ISODateWithMs)}};
}

std::optional<ScreeningDecision> decisionOf(const QJsonObject &o)
{
    const auto stage = stageFromKey(o.value("stage").toString());
    const auto choice = choiceFromKey(o.value("choice").toString());
    if (!stage || !choice)
        return std::nullopt;
    return ScreeningDecision{o.value("record").toInteger(), *stage, *choice, o.value("reason").toString(),
                             o.value("who").toString(), QDateTime::fromString(o.value("at").toString(), Qt::ISODateWithMs)};
}

std::optional<QJsonObject> document(const QByteArray &bytes, QString &error)
{
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    if (root.value("vexmoor-review").toInt() != kFormat) {
        error = ReviewMessages::badReviewFile();
        return std::nullopt;
    }
    return root;
}

// What tells two copies of one record apart from the others: its PMID, its
// DOI, its title and year. One copy may have been completed from PubMed and
// the other not, so each is looked up in turn.
QStringList keysOf(const ReviewRecord &r)
{
    QStringList keys;
    if (!r.pmid.trimmed().isEmpty())
        keys.append(u'p' + r.pmid.trimmed());
    if (const QString doi = ReviewDuplicates::normalizedDoi(r.doi); !doi.isEmpty())
        keys.append(u'd' + doi);
    if (const QString title = ReviewDuplicates::normalizedTitle(r.title); !title.isEmpty())
        keys.append(u't' + title + u' ' + r.year.trimmed());
    return keys;
}

} // namespace

std::optional<QByteArray> ReviewFile::write(ReviewStore &store, const Review &review)
{
    const auto sources = store.sources(review.id);
    const auto records = sources ? store.records(review.id, true) : std::nullopt;
    const auto merges = records ? store.merges(review.id) : std::nullopt;
    if (!merges)
        return std::nullopt;
    QJsonArray sourceArray;
    for (const ReviewSource &s : *sources) {
        QJsonArray recordArray;
        for (const ReviewRecord &r : *records)
            if (r.source == s.id)
                recordArray.append(recordObject(r));
        sourceArray.append(QJsonObject{{"database", s.database}, {"interface", s.interface}, {"strategy", s.strategy},
                                       {"searched", s.searched.toString(Qt::ISODate)}, {"records", recordArray}});
    }
    QJsonArray mergeArray;
    for (const ReviewMerge &m : *merges)
        mergeArray.append(QJsonObject{{"kept", m.kept}, {"merged", m.merged}, {"rule", m.rule}, {"who", m.who},
                                      {"at", m.at.toUTC().toString(Qt::ISODateWithMs)}});
    QJsonArray decisionArray;
    for (const ScreeningStage stage : {ScreeningStage::TitleAbstract, ScreeningStage::FullText}) {
        const auto screeners = store.screeners(review.id, stage);
        for (const QString &who : screeners.value_or(QStringList())) {
            const auto decisions = store.decisions(review.id, stage, who);
            if (!decisions)
                return std::nullopt;
            for (const ScreeningDecision &d : *decisions)
                decisionArray.append(decisionObject(d));
        }
    }
    const QJsonObject root{{"vexmoor-review", kFormat},
                           {"review", QJsonObject{{"name", review.name}, {"question", review.question},
                                                  {"inclusion", review.inclusion}, {"exclusion", review.exclusion},
                                                  {"reasons", array(review.reasons)}, {"highlights", array(review.highlights)}}},
                           {"sources", sourceArray}, {"merges", mergeArray}, {"decisions", decisionArray}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<qint64> ReviewFile::read(ReviewStore &store, const QByteArray &bytes, QString &error, const QString &name)
{
    const std::optional<QJsonObject> root = document(bytes, error);
    if (!root)
        return std::nullopt;
    const QJsonObject r = root->value("review").toObject();
    Review review{0, name.isEmpty() ? r.value("name").toString() : name, r.value("question").toString(),
                  r.value("inclusion").toString(), r.value("exclusion").toString(), strings(r.value("reasons")),
                  strings(r.value("highlights")), {}};
    const std::optional<qint64> id = store.createReview(review);
    if (!id) {
        error = store.error();
        return std::nullopt;
    }
    // The file's record ids, in the order they are stored here.
    QList<qint64> fileIds;
    bool ok = true;
    for (const QJsonValue &value : root->value("sources").toArray()) {
        const QJsonObject s = value.toObject();
        ReviewRecords records;
        for (const QJsonValue &record : s.value("records").toArray()) {
            records.append(recordOf(record.toObject()));
            fileIds.append(records.constLast().id);
        }
        ok = ok && store.addSource(*id, {0, s.value("database").toString(), s.value("interface").toString(),
                                         s.value("strategy").toString(),
                                         QDate::fromString(s.value("searched").toString(), Qt::ISODate), 0}, records);
    }
    const auto stored = ok ? store.records(*id, true) : std::nullopt;
    QHash<qint64, qint64> here;
    for (qsizetype i = 0; stored && i < stored->size() && i < fileIds.size(); ++i)
        here.insert(fileIds.at(i), stored->at(i).id);
    QList<ReviewMerge> merges;
    for (const QJsonValue &value : root->value("merges").toArray()) {
        const QJsonObject m = value.toObject();
        merges.append({0, here.value(m.value("kept").toInteger()), here.value(m.value("merged").toInteger()),
                       m.value("rule").toString(), m.value("who").toString(),
                       QDateTime::fromString(m.value("at").toString(), Qt::ISODateWithMs)});
    }
    // A decision the file cannot say on which record, or what, refuses the file:
    // a shared review that silently lost decisions would pass for whole.
    QList<ScreeningDecision> decisions;
    bool readable = true;
    for (const QJsonValue &value : root->value("decisions").toArray()) {
        std::optional<ScreeningDecision> d = decisionOf(value.toObject());
        readable = readable && d && here.contains(d->record);
        if (!readable)
            break;
        d->record = here.value(d->record);
        decisions.append(*d);
    }
    const bool recordsKept = ok && stored;
    if (!(recordsKept && readable && store.addMerges(*id, merges) && store.addDecisions(*id, decisions))) {
        error = recordsKept && !readable ? ReviewMessages::badReviewFile() : store.error();
        store.deleteReview(*id);
        return std::nullopt;
    }
    return id;
}

std::optional<qsizetype> ReviewFile::importDecisions(ReviewStore &store, const Review &review, const QByteArray &bytes,
                                                     const QString &me, QString &error)
{
    const std::optional<QJsonObject> root = document(bytes, error);
    const auto ours = root ? store.records(review.id) : std::nullopt;
    if (!ours) {
        if (root)
            error = store.error();
        return std::nullopt;
    }
    QHash<QString, qsizetype> byKey; // the first of ours with the key
    for (qsizetype i = 0; i < ours->size(); ++i)
        for (const QString &key : keysOf(ours->at(i)))
            byKey.insert(key, byKey.value(key, i));
    // Their record id → ours.
    QHash<qint64, qint64> same;
    for (const QJsonValue &source : root->value("sources").toArray())
        for (const QJsonValue &record : source.toObject().value("records").toArray()) {
            const ReviewRecord r = recordOf(record.toObject());
            for (const QString &key : keysOf(r)) {
                const auto at = byKey.constFind(key);
                if (at != byKey.cend() && !ReviewDuplicates::identifiersDiffer(r, ours->at(*at))) {
                    same.insert(r.id, ours->at(*at).id);
                    break;
                }
            }
        }
    QList<ScreeningDecision> decisions;
    for (const QJsonValue &value : root->value("decisions").toArray()) {
        std::optional<ScreeningDecision> d = decisionOf(value.toObject());
        if (!d || d->who == me || !same.contains(d->record))
            continue;
        d->record = same.value(d->record);
        decisions.append(*d);
    }
    if (!store.addDecisions(review.id, decisions)) {
        error = store.error();
        return std::nullopt;
    }
    return decisions.size();
}
