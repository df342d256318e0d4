#pragma once

#include <QPlainTextEdit>
#include <QTimer>

// The plain-text note on the selected article. What is typed is handed on
// (noteEdited) a second after the last key, when the box loses the focus,
// when another article is shown and when flush() is called, as a tab or the
// window closes, so that nothing typed is lost. The box is disabled, with a
// hint, for an article the library does not hold.
class NoteEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int kSaveDelayMs = 1000;

    explicit NoteEditor(QWidget *parent = nullptr);
    ~NoteEditor() override;

    // The note of `pmid`, editable.
    void showNote(qint64 pmid, const QString &note);
    // No article, or one outside the library: nothing to edit.
    void showUnavailable();
    qint64 pmid() const { return m_pmid; }
    // Hands on what was typed and not yet handed on.
    void flush();

signals:
    void noteEdited(qint64 pmid, const QString &note);

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showText(const QString &text);

    QTimer m_saveTimer;
    qint64 m_pmid = 0;
    bool m_dirty = false;
    bool m_showing = false;
};
