#include "gui/collections/NoteEditor.h"

#include "gui/collections/CollectionTexts.h"

NoteEditor::NoteEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setAccessibleName(CollectionTexts::NoteHint);
    setTabChangesFocus(true);
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &NoteEditor::flush);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing || m_pmid == 0)
            return;
        m_dirty = true;
        m_saveTimer.start();
    });
    showUnavailable();
}

NoteEditor::~NoteEditor()
{
    flush();
}

void NoteEditor::showNote(qint64 pmid, const QString &note)
{
    if (pmid == m_pmid && m_dirty)
        return; // the same article: keep what is being typed
    flush();
    m_pmid = pmid;
    setEnabled(true);
    setPlaceholderText(CollectionTexts::NoteHint);
    showText(note);
}

void NoteEditor::showUnavailable()
{
    flush();
    m_pmid = 0;
    setEnabled(false);
    setPlaceholderText(CollectionTexts::NoteUnavailable);
    showText({});
}

void NoteEditor::flush()
{
    m_saveTimer.stop();
    if (!m_dirty)
        return;
    m_dirty = false;
    emit noteEdited(m_pmid, toPlainText());
}

void NoteEditor::focusOutEvent(QFocusEvent *event)
{
    flush();
    QPlainTextEdit::focusOutEvent(event);
}

void NoteEditor::showText(const QString &text)
{
    m_showing = true;
    setPlainText(text);
    m_showing = false;
}
