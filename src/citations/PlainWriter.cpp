#include "citations/PlainWriter.h"

QString PlainWriter::write(const RichText &text)
{
    QString out;
    bool superscript = false;
    for (const RichTextRun &run : text.runs()) {
        const bool next = run.style.testFlag(TextStyle::Superscript);
        if (next != superscript)
            out += next ? QLatin1Char('(') : QLatin1Char(')');
        superscript = next;
        out += run.text;
    }
    if (superscript)
        out += QLatin1Char(')');
    return out;
}
