#pragma once

#include <QList>
#include <QString>

// One stretch of rich text: characters, and optionally the URL they link to.
struct RichTextRun
{
    QString text;
    // The link target as URL text; empty for a run without attributes.
    QString link;

    bool isLink() const { return !link.isEmpty(); }
    friend bool operator==(const RichTextRun &, const RichTextRun &) = default;
};

// Text whose only attribute is a link: an ordered list of runs, kept exactly
// as they were appended. Neighbouring runs are never merged, so a reader sees
// the same run boundaries the builder made; writers need not care about them.
// Appending an empty text adds no run, since a run without characters carries
// nothing a reader could see.
class RichText
{
public:
    void append(const QString &text);
    void appendLink(const QString &text, const QString &link);
    void append(const RichText &other);

    const QList<RichTextRun> &runs() const { return m_runs; }
    bool isEmpty() const { return m_runs.isEmpty(); }
    void reserve(qsizetype runCount) { m_runs.reserve(runCount); }

    // The characters alone, links dropped.
    QString toPlainText() const;

    friend bool operator==(const RichText &, const RichText &) = default;

private:
    QList<RichTextRun> m_runs;
};
