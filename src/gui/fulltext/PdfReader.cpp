#include "gui/fulltext/PdfReader.h"

#include "gui/fulltext/FullTextTexts.h"
#include "gui/fulltext/PdfPageView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfSearchModel>
#include <QPdfSelection>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr qreal kZoomStep = 1.25;

QToolButton *button(const QString &text, const QKeySequence &keys, QWidget *parent)
{
    auto *action = new QAction(text, parent);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    parent->addAction(action);
    auto *tool = new QToolButton(parent);
    tool->setDefaultAction(action);
    tool->setAccessibleName(text);
    return tool;
}

} // namespace

PdfReader::PdfReader(const QString &path, const QStringList &words, QWidget *parent)
    : QWidget(parent)
    , m_document(new QPdfDocument(this))
    , m_search(new QPdfSearchModel(this))
    , m_page(new QSpinBox(this))
    , m_find(new QLineEdit(this))
{
    m_document->load(path);
    m_search->setDocument(m_document);
    m_pages = new PdfPageView(*m_document, *m_search, words, this);
    m_page->setRange(1, std::max(1, m_document->pageCount()));
    m_page->setAccessibleName(FullTextTexts::Page);
    m_page->setPrefix(FullTextTexts::Page + u' ');
    m_page->setSuffix(QStringLiteral(" / %1").arg(m_document->pageCount()));
    m_find->setPlaceholderText(FullTextTexts::Find);
    m_find->setAccessibleName(FullTextTexts::Find);
    m_find->setClearButtonEnabled(true);

    QToolButton *previous = button(FullTextTexts::Previous, QKeySequence::MoveToPreviousPage, this);
    QToolButton *next = button(FullTextTexts::Next, QKeySequence::MoveToNextPage, this);
    QToolButton *zoomIn = button(FullTextTexts::ZoomIn, QKeySequence::ZoomIn, this);
    QToolButton *zoomOut = button(FullTextTexts::ZoomOut, QKeySequence::ZoomOut, this);
    QToolButton *copy = button(FullTextTexts::Copy, QKeySequence::Copy, this);
    copy->setToolTip(FullTextTexts::CopyTip);
    auto *selectPage = new QAction(FullTextTexts::SelectPage, this);
    selectPage->setShortcut(QKeySequence::SelectAll);
    selectPage->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(selectPage);
    m_pages->addActions({copy->defaultAction(), selectPage});
    m_pages->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *findAction = new QAction(this);
    findAction->setShortcut(QKeySequence::Find);
    findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(findAction);
    connect(findAction, &QAction::triggered, m_find, [this] { m_find->setFocus(); m_find->selectAll(); });

    // What changes the pages has them as its receiver, so that none of it
    // runs once they are gone.
    PdfPageView *pages = m_pages;
    connect(previous->defaultAction(), &QAction::triggered, pages, [pages] { pages->goToPage(std::max(0, pages->currentPage() - 1)); });
    connect(next->defaultAction(), &QAction::triggered, pages, [pages] { pages->goToPage(pages->currentPage() + 1); });
    connect(m_page, &QSpinBox::editingFinished, pages, [this, pages] { pages->goToPage(m_page->value() - 1); });
    connect(pages, &PdfPageView::currentPageChanged, m_page, [this](int page) { m_page->setValue(page + 1); });
    connect(zoomIn->defaultAction(), &QAction::triggered, pages, [pages] { pages->setZoom(pages->zoom() * kZoomStep); });
    connect(zoomOut->defaultAction(), &QAction::triggered, pages, [pages] { pages->setZoom(pages->zoom() / kZoomStep); });
    connect(selectPage, &QAction::triggered, pages, &PdfPageView::selectPage);
    connect(copy->defaultAction(), &QAction::triggered, pages, [this] { this->copy(); });
    connect(m_find, &QLineEdit::returnPressed, pages, [this] { find(m_find->text()); });
    connect(m_search, &QAbstractItemModel::rowsInserted, pages, [this] {
        if (m_match < 0)
            find(m_search->searchString());
    });

    auto *bar = new QHBoxLayout;
    for (QWidget *widget : std::initializer_list<QWidget *>{previous, m_page, next, zoomOut, zoomIn, copy})
        bar->addWidget(widget);
    bar->addStretch();
    bar->addWidget(m_find);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_pages);
    setFocusProxy(m_pages);
}

PdfReader::~PdfReader()
{
    // The pages first: every slot that acts on the reader has them as its
    // receiver, and the document and the search they draw from are closed
    // by QWidget's destructor, when this is by then only a QWidget.
    setFocusProxy(nullptr);
    delete m_pages;
}

void PdfReader::find(const QString &text)
{
    if (m_search->searchString() != text) {
        // The model searches page by page in the background; the first match
        // is shown when it is found.
        m_match = -1;
        m_search->setSearchString(text);
        if (m_search->rowCount({}) == 0)
            return m_pages->setCurrentMatch(-1);
    }
    // The next match, looked for now on the pages the background has not
    // reached yet; after the last, the first.
    int next = m_match + 1;
    if (!m_search->resultAtIndex(next).isValid())
        next = 0;
    m_match = m_search->resultAtIndex(next).isValid() ? next : -1;
    m_pages->setCurrentMatch(m_match);
}

void PdfReader::copy() const
{
    QString text = m_pages->selectedText();
    if (text.isEmpty() && m_pages->currentPage() < m_document->pageCount())
        text = m_document->getAllText(m_pages->currentPage()).text();
    QApplication::clipboard()->setText(text);
}
