#include "gui/fulltext/PdfReader.h"

#include "gui/fulltext/FullTextTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QPdfSelection>
#include <QPdfView>
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

PdfReader::PdfReader(const QString &path, QWidget *parent)
    : QWidget(parent)
    , m_document(new QPdfDocument(this))
    , m_view(new QPdfView(this))
    , m_search(new QPdfSearchModel(this))
    , m_page(new QSpinBox(this))
    , m_find(new QLineEdit(this))
{
    m_document->load(path);
    m_view->setDocument(m_document);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setAccessibleName(FullTextTexts::PdfView);
    m_search->setDocument(m_document);
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
    QToolButton *copy = button(FullTextTexts::CopyPage, QKeySequence::Copy, this);
    auto *findAction = new QAction(this);
    findAction->setShortcut(QKeySequence::Find);
    findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(findAction);
    connect(findAction, &QAction::triggered, m_find, [this] { m_find->setFocus(); m_find->selectAll(); });

    QPdfPageNavigator *navigator = m_view->pageNavigator();
    const auto go = [navigator](int page) { navigator->jump(page, {}, navigator->currentZoom()); };
    connect(previous->defaultAction(), &QAction::triggered, this, [=] { go(std::max(0, navigator->currentPage() - 1)); });
    connect(next->defaultAction(), &QAction::triggered, this,
            [=, this] { go(std::min(m_document->pageCount() - 1, navigator->currentPage() + 1)); });
    connect(m_page, &QSpinBox::editingFinished, this, [=, this] { go(m_page->value() - 1); });
    connect(navigator, &QPdfPageNavigator::currentPageChanged, this, [this](int page) { m_page->setValue(page + 1); });
    connect(zoomIn->defaultAction(), &QAction::triggered, this, [this] {
        m_view->setZoomMode(QPdfView::ZoomMode::Custom);
        m_view->setZoomFactor(m_view->zoomFactor() * kZoomStep);
    });
    connect(zoomOut->defaultAction(), &QAction::triggered, this, [this] {
        m_view->setZoomMode(QPdfView::ZoomMode::Custom);
        m_view->setZoomFactor(m_view->zoomFactor() / kZoomStep);
    });
    connect(copy->defaultAction(), &QAction::triggered, this, &PdfReader::copyPageText);
    connect(m_find, &QLineEdit::returnPressed, this, [this] { find(m_find->text()); });
    connect(m_search, &QAbstractItemModel::rowsInserted, this, [this] {
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
    layout->addWidget(m_view);
}

PdfReader::~PdfReader()
{
    // The document is a child: QWidget's destructor closes it, which moves the
    // view back to page one and empties the search, and the slots of this
    // reader must not run on what is by then only a QWidget.
    m_view->pageNavigator()->disconnect(this);
    m_search->disconnect(this);
}

void PdfReader::find(const QString &text)
{
    if (m_search->searchString() != text) {
        // The model searches page by page in the background; the first match
        // is shown when it is found.
        m_match = -1;
        m_search->setSearchString(text);
    }
    const int matches = m_search->rowCount({});
    if (matches == 0)
        return;
    m_match = (m_match + 1) % matches;
    m_view->pageNavigator()->jump(m_search->resultAtIndex(m_match));
}

void PdfReader::copyPageText() const
{
    const QPdfSelection text = m_document->getAllText(m_view->pageNavigator()->currentPage());
    QApplication::clipboard()->setText(text.text());
}
