#include "RichText.h"

void RichText::append(const QString &text, TextStyles style)
{
    if (!text.isEmpty())
        m_runs.append(RichTextRun{text, QString(), style});
}

void RichText::appendLink(const QString &text, const QString &link, TextStyles style)
{
    if (!text.isEmpty())
        m_runs.append(RichTextRun{text, link, style});
}

void RichText::append(const RichText &other)
{
    m_runs.append(other.m_runs);
}

QString RichText::toPlainText() const
{
    qsizetype length = 0;
    for (const RichTextRun &run : m_runs)
        length += run.text.size();
    QString text;
    text.reserve(length);
    for (const RichTextRun &run : m_runs)
        text += run.text;
    return text;
}
