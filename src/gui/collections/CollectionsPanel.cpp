#include "gui/collections/CollectionsPanel.h"

#include "gui/articles/ArticleTableModel.h"
#include "gui/collections/CollectionTexts.h"

#include <QCheckBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kIdRole = Qt::UserRole;

QList<qint64> pmidsIn(const QMimeData *data)
{
    QList<qint64> pmids;
    for (const QByteArray &line : data->data(ArticleTableModel::PmidsMimeType).split('\n')) {
        bool ok = false;
        const qint64 pmid = line.trimmed().toLongLong(&ok);
        if (ok && pmid > 0)
            pmids.append(pmid);
    }
    return pmids;
}
} // namespace

CollectionsPanel::CollectionsPanel(QWidget *parent) : QDockWidget(CollectionTexts::DockTitle, parent)
{
    setObjectName(QStringLiteral("collectionsPanel"));
    toggleViewAction()->setText(tr("&Collections"));
    toggleViewAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    auto *contents = new QWidget(this);
    auto *layout = new QVBoxLayout(contents);

    m_search = new QLineEdit(contents);
    m_search->setObjectName(QStringLiteral("librarySearchField"));
    m_search->setAccessibleName(tr("Search your library"));
    m_search->setPlaceholderText(tr("Search your library"));
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);
    m_onlyOpen = new QCheckBox(tr("Only in the open collection"), contents);
    m_onlyOpen->setObjectName(QStringLiteral("searchOpenCollectionBox"));
    m_onlyOpen->setAccessibleName(m_onlyOpen->text());
    m_onlyOpen->setEnabled(false);
    layout->addWidget(m_onlyOpen);

    m_list = new QListWidget(contents);
    m_list->setObjectName(QStringLiteral("collectionList"));
    m_list->setAccessibleName(tr("Collections"));
    m_list->setAccessibleDescription(tr("Your collections with their sizes. Return opens one; drop articles on one to add them."));
    m_list->setAcceptDrops(true);
    m_list->viewport()->setAcceptDrops(true);
    m_list->setDropIndicatorShown(true);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    layout->addWidget(m_list);

    // Two rows, so the dock stays narrow beside the table.
    auto *buttons = new QGridLayout;
    const std::tuple<QPushButton **, QString, const char *> made[] = {
        {&m_open, tr("&Open"), "openCollectionButton"},
        {&m_rename, tr("&Rename\u2026"), "renameCollectionButton"},
        {&m_delete, tr("&Delete\u2026"), "deleteCollectionButton"}};
    int at = 0;
    for (const auto &[button, text, name] : made) {
        *button = new QPushButton(text, contents);
        buttons->addWidget(*button, at / 2, at % 2);
        ++at;
        (*button)->setObjectName(QLatin1String(name));
        (*button)->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QChar(0x2026)) + tr(" collection"));
    }
    layout->addLayout(buttons);
    setWidget(contents);

    connect(m_open, &QPushButton::clicked, this, [this] { emitForChosen(&CollectionsPanel::openRequested); });
    connect(m_rename, &QPushButton::clicked, this, [this] { emitForChosen(&CollectionsPanel::renameRequested); });
    connect(m_delete, &QPushButton::clicked, this, [this] { emitForChosen(&CollectionsPanel::deleteRequested); });
    connect(m_list, &QListWidget::itemActivated, this, [this] { emitForChosen(&CollectionsPanel::openRequested); });
    connect(m_list, &QListWidget::currentRowChanged, this, &CollectionsPanel::updateButtons);
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        if (!m_search->text().trimmed().isEmpty())
            emit searchRequested(m_search->text(), m_onlyOpen->isChecked() ? m_openCollection : 0);
    });
    updateButtons();
}

void CollectionsPanel::showCollections(const QList<Collection> &collections)
{
    const qint64 before = chosen();
    m_list->clear();
    for (const Collection &collection : collections) {
        // A name is the user's text: a list item shows it as it is.
        auto *item = new QListWidgetItem(CollectionTexts::withSize(collection.name, collection.size), m_list);
        item->setData(kIdRole, collection.id);
        if (collection.id == before)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
    updateButtons();
}

void CollectionsPanel::setOpenCollection(qint64 id, const QString &name)
{
    m_openCollection = id;
    m_onlyOpen->setEnabled(id != 0);
    m_onlyOpen->setText(id != 0 ? tr("Only in \u201C%1\u201D").arg(name) : tr("Only in the open collection"));
    if (id == 0)
        m_onlyOpen->setChecked(false);
}

qint64 CollectionsPanel::chosen() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->data(kIdRole).toLongLong() : 0;
}

void CollectionsPanel::emitForChosen(void (CollectionsPanel::*signal)(qint64))
{
    if (const qint64 id = chosen())
        emit(this->*signal)(id);
}

void CollectionsPanel::updateButtons()
{
    const bool any = chosen() != 0;
    for (QPushButton *button : {m_open, m_rename, m_delete})
        button->setEnabled(any);
}

bool CollectionsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        emitForChosen(&CollectionsPanel::deleteRequested);
        return true;
    }
    if (watched != m_list->viewport())
        return QDockWidget::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        const QListWidgetItem *item = m_list->itemAt(drag->position().toPoint());
        if (item && drag->mimeData()->hasFormat(ArticleTableModel::PmidsMimeType)) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else if (event->type() == QEvent::DragEnter && drag->mimeData()->hasFormat(ArticleTableModel::PmidsMimeType)) {
            drag->acceptProposedAction(); // to be told where it moves next
        } else {
            drag->ignore();
        }
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QListWidgetItem *item = m_list->itemAt(drop->position().toPoint());
        const QList<qint64> pmids = pmidsIn(drop->mimeData());
        if (!item || pmids.isEmpty())
            return true;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        emit pmidsDropped(item->data(kIdRole).toLongLong(), pmids);
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}
