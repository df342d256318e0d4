#include "gui/fulltext/ReaderWindow.h"

#include "gui/fulltext/FullTextTexts.h"
#include "gui/fulltext/PdfReader.h"
#include "gui/fulltext/TextReader.h"

#include <QAction>
#include <QTabWidget>
#include <QVBoxLayout>

ReaderWindow::ReaderWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_tabs(new QTabWidget(this))
{
    setWindowTitle(FullTextTexts::ReaderTitle);
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_tabs->setTabsClosable(true);
    m_tabs->setDocumentMode(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    const auto close = [this](int index) {
        if (QWidget *tab = m_tabs->widget(index)) {
            m_tabs->removeTab(index);
            tab->deleteLater();
        }
        if (m_tabs->count() == 0)
            hide();
    };
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, close);
    auto *closeTab = new QAction(this);
    closeTab->setShortcut(QKeySequence::Close);
    addAction(closeTab);
    connect(closeTab, &QAction::triggered, this, [this, close] { close(m_tabs->currentIndex()); });
    resize(900, 1000);
}

void ReaderWindow::open(const KeptFullText &kept, const QString &title, const QStringList &words)
{
    QWidget *tab = nullptr;
    if (kept.document) {
        auto *text = new TextReader(*kept.document, words, m_tabs);
        const QString pmid = QString::number(kept.row.pmid);
        connect(text, &TextReader::articleRequested, this, &ReaderWindow::articleRequested);
        connect(text, &TextReader::referencesRequested, this, [this, pmid](const QStringList &pmids) { emit referencesRequested(pmid, pmids); });
        tab = text;
    } else {
        tab = new PdfReader(kept.path, words, m_tabs);
    }
    m_tabs->setCurrentIndex(m_tabs->addTab(tab, title));
    m_tabs->setTabToolTip(m_tabs->currentIndex(), title);
    show();
    raise();
    activateWindow();
}
