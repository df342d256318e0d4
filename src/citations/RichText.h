#pragma once

#include "common/TextStyle.h"

#include <QList>
#include <QString>

// One stretch of rich text: characters, optionally the URL they link to, and
// their inline styles.
struct RichTextRun
{
    QString text;
    // The link target as URL text; empty for a run without a link.
    QString link;
    TextStyles style = {};

    bool isLink() const { return !link.isEmpty(); }
    friend bool operator==(const RichTextRun &, const RichTextRun &) = default;
};

// Text whose attributes are a link and inline styles: an ordered list of
// runs, kept exactly as they were appended. Neighbouring runs are never
// merged, so a reader sees the same run boundaries the builder made; writers
// need not care about them. Appending an empty text adds no run, since a run
// without characters carries nothing a reader could see.
class RichText
{
public:
    void append(const QString &text, TextStyles style = {});
    void appendLink(const QString &text, const QString &link, TextStyles style = {});
    void append(const RichText &other);

    const QList<RichTextRun> &runs() const { return m_runs; }
    bool isEmpty() const { return m_runs.isEmpty(); }
    void reserve(qsizetype runCount) { m_runs.reserve(runCount); }

    // The characters alone, links and styles dropped.
    QString toPlainText() const;

    friend bool operator==(const RichText &, const RichText &) = default;

private:
    QList<RichTextRun> m_runs;
};
