#include "UntrustedText.h"

QString literalRichText(const QString &text)
{
    // A leading <p> makes Qt::mightBeRichText always see rich text; pre-wrap
    // keeps line breaks and runs of spaces as they are while lines still wrap.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
