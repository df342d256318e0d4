#include "gui/articles/RichTextView.h"

#include "gui/mainwindow/AppMessages.h"

#include <QPalette>
#include <QTextCursor>
#include <QTextEdit>

namespace {


QTextCharFormat formatOf(const RichTextRun &run, const QPalette &palette)
{
    QTextCharFormat format;
    format.setFontItalic(run.style.testFlag(TextStyle::Italic));
    if (run.style.testFlag(TextStyle::Bold))
        format.setFontWeight(QFont::Bold);
    if (run.style.testFlag(TextStyle::Superscript))
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (run.style.testFlag(TextStyle::Subscript))
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (run.isLink()) {
        format.setAnchor(true);
        format.setAnchorHref(run.link);
        format.setFontUnderline(true);
        format.setForeground(palette.link());
    }
    return format;
}

} // namespace

void showRichText(QTextEdit *view, const RichText &text, const QString &warning)
{
    view->clear();
    QTextCursor cursor(view->document());
    cursor.beginEditBlock();
    if (!warning.isEmpty()) {
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        format.setForeground(QColor(AppMessages::WarningRed));
        cursor.insertText(warning, format);
        cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
    }
    for (const RichTextRun &run : text.runs())
        cursor.insertText(run.text, formatOf(run, view->palette()));
    cursor.endEditBlock();
}
