#include "ArticleTableModel.h"

#include "gui/mainwindow/AppMessages.h"
#include "gui/collections/CollectionTexts.h"
#include "gui/widgets/UntrustedText.h"
#include "search/ArticleSorting.h"
#include "search/CitedByCounts.h"
#include "search/SearchSession.h"

#include <QColor>
#include <QFont>
#include <QMimeData>

#include <algorithm>
#include <numeric>
#include <set>

namespace {

// A cell shows at most this many characters: the view shapes and elides all
// it is given, and a list of a thousand authors is longer than any column.
// The tool tip and the views under the table show the whole text.
constexpr qsizetype kShownCharacters = 300;

QString shortened(QString text)
{
    if (text.size() <= kShownCharacters)
        return text;
    qsizetype cut = kShownCharacters - 1;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    text.truncate(cut);
    return text + QChar(0x2026);
}

} // namespace

ArticleTableModel::ArticleTableModel(SearchSession *session, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_session(session), m_articles(&session->articles()), m_columns(std::move(columns))
{
    connect(&session->citedBy(), &CitedByCounts::countsArrived, this, [this] {
        for (const QString &identifier : {CitedByColumn, RcrColumn}) {
            const int column = columnNamed(identifier);
            if (column >= 0 && !m_articles->isEmpty())
                emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::DisplayRole});
        }
    });
    connect(session, &SearchSession::articlesAboutToReset, this, &ArticleTableModel::beginResetModel);
    connect(session, &SearchSession::articlesReset, this, [this] {
        m_ranks.clear();
        endResetModel();
    });
    connect(session, &SearchSession::articlesAboutToAppend, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(session, &SearchSession::articlesAppended, this, [this] {
        appendRanks();
        endInsertRows();
    });
}

// Batches arrive in the service's order, each after the ones before it.
void ArticleTableModel::appendRanks()
{
    while (m_ranks.size() < m_articles->size())
        m_ranks.append(int(m_ranks.size()) + 1);
}

std::vector<qsizetype> ArticleTableModel::permutationBy(const std::function<double(qsizetype row)> &number,
                                                       Qt::SortOrder order) const
{
    std::vector<double> numbers(size_t(m_articles->size()));
    for (size_t row = 0; row < numbers.size(); ++row)
        numbers[row] = number(qsizetype(row));
    std::vector<qsizetype> permutation(numbers.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    std::stable_sort(permutation.begin(), permutation.end(), [&](qsizetype a, qsizetype b) {
        return order == Qt::AscendingOrder ? numbers[size_t(a)] < numbers[size_t(b)] : numbers[size_t(a)] > numbers[size_t(b)];
    });
    return permutation;
}

void ArticleTableModel::keepNewFirst(std::vector<qsizetype> &permutation)
{
    const auto isNew = [this](qsizetype row) {
        return m_marks.value((*m_articles)[row].text(ArticleRecord::Key::PMID)).text == NewMark;
    };
    std::vector<qsizetype> order(permutation.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(), isNew);
    if (std::is_sorted(order.begin(), order.end()))
        return;
    ArticleList articles;
    QList<int> ranks;
    std::vector<qsizetype> composed;
    for (const qsizetype row : order) {
        articles.append(std::move((*m_articles)[row]));
        ranks.append(m_ranks.value(row));
        composed.push_back(permutation[size_t(row)]);
    }
    *m_articles = std::move(articles);
    m_ranks = std::move(ranks);
    permutation = std::move(composed);
}

qint64 ArticleTableModel::citedByCountAt(qsizetype row) const
{
    return m_session->citedBy().countOf((*m_articles)[row].text(ArticleRecord::Key::PMID)).value_or(-1);
}

double ArticleTableModel::rcrAt(qsizetype row) const
{
    const std::optional<CitationMetrics> metrics =
        m_session->citedBy().metricsOf((*m_articles)[row].text(ArticleRecord::Key::PMID));
    return metrics && metrics->rcr ? *metrics->rcr : -1;
}

void ArticleTableModel::setLibraryCheck(LibraryCheck check)
{
    m_inLibrary = std::move(check);
    libraryChanged();
}

void ArticleTableModel::libraryChanged()
{
    columnChanged(LibraryColumn);
}

void ArticleTableModel::setFullTextCheck(FullTextCheck check)
{
    m_fullText = std::move(check);
    fullTextChanged();
}

ArticleTableModel::FullTextMark ArticleTableModel::fullTextMark(const ArticleRecord &article) const
{
    return m_fullText ? m_fullText(article.text(ArticleRecord::Key::PMID)) : FullTextMark::None;
}

QVariant ArticleTableModel::fullTextData(const ArticleRecord &article, int role) const
{
    const FullTextMark mark = fullTextMark(article);
    if (mark == FullTextMark::None)
        return {};
    const bool kept = mark == FullTextMark::Kept;
    if (role == Qt::DisplayRole)
        return kept ? AppMessages::FullTextKeptMark : AppMessages::FullTextFreeMark;
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return kept ? AppMessages::FullTextKept : AppMessages::FullTextFree;
    return role == Qt::TextAlignmentRole ? QVariant(Qt::AlignCenter) : QVariant();
}

void ArticleTableModel::columnChanged(const QString &identifier)
{
    const int column = columnNamed(identifier);
    if (column >= 0 && !m_articles->isEmpty())
        emit dataChanged(index(0, column), index(int(m_articles->size()) - 1, column));
}

bool ArticleTableModel::inLibrary(const ArticleRecord &article) const
{
    return m_inLibrary && m_inLibrary(article.text(ArticleRecord::Key::PMID).toLongLong());
}

int ArticleTableModel::columnNamed(const QString &identifier) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].identifier == identifier)
            return i;
    }
    return -1;
}

int ArticleTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_articles->size());
}

int ArticleTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ArticleTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_articles->size() || index.column() >= m_columns.size())
        return {};
    const ArticleRecord &article = (*m_articles)[index.row()];
    const QString &identifier = m_columns[index.column()].identifier;
    const auto mark = m_marks.isEmpty() ? m_marks.cend() : m_marks.constFind(article.text(ArticleRecord::Key::PMID));
    if (mark != m_marks.cend()) {
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        // The narrow rank column keeps the rank readable; the mark says itself in bold and a tooltip.
        if (identifier == RankColumn && role == Qt::ToolTipRole)
            return mark->toolTip.isEmpty() ? mark->text : mark->text + QStringLiteral(": ") + mark->toolTip;
    }
    if (identifier == RankColumn)
        return role == Qt::DisplayRole && index.row() < m_ranks.size() ? QVariant(m_ranks[index.row()]) : QVariant();
    if (identifier == CitedByColumn) {
        const qint64 count = citedByCountAt(index.row());
        return role == Qt::DisplayRole && count >= 0 ? QVariant(count) : QVariant();
    }
    if (identifier == RcrColumn) {
        const double rcr = rcrAt(index.row());
        return role == Qt::DisplayRole && rcr >= 0 ? QVariant(rcrText(rcr)) : QVariant();
    }
    if (identifier == FullTextColumn)
        return fullTextData(article, role);
    if (identifier == LibraryColumn) {
        if (!inLibrary(article))
            return {};
        if (role == Qt::DisplayRole)
            return CollectionTexts::LibraryMark;
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return CollectionTexts::InLibrary;
        return role == Qt::TextAlignmentRole ? QVariant(Qt::AlignCenter) : QVariant();
    }
    // A retracted article is marked in its title, where the eye falls; the
    // record keeps its own title for sorting and citing.
    const bool retractedTitle = identifier == ArticleRecord::keyName(ArticleRecord::Key::Title) && article.isRetracted();
    if (role == Qt::ForegroundRole && retractedTitle)
        return QColor(AppMessages::WarningRed);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    QVariant value = article.value(identifier);
    // A column naming no text key of the record shows an empty cell.
    if (value.typeId() != QMetaType::QString)
        return {};
    if (retractedTitle)
        value = AppMessages::RetractedTitlePrefix + value.toString();
    // Tool tips guess whether their text is markup; a record's text never is.
    return role == Qt::ToolTipRole ? QVariant(literalRichText(value.toString())) : QVariant(shortened(value.toString()));
}

QVariant ArticleTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section].title;
    // The figures' columns say where they come from and what they cover.
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < m_columns.size()) {
        const CitationSource source = m_session->citedBy().source();
        if (m_columns[section].identifier == CitedByColumn)
            return AppMessages::citedByColumnToolTip(source);
        if (m_columns[section].identifier == RcrColumn)
            return AppMessages::RcrColumnToolTip;
    }
    if (orientation == Qt::Vertical && role == Qt::AccessibleTextRole && section >= 0 && section < m_articles->size()) {
        const ArticleRecord &article = (*m_articles)[section];
        QStringList parts;
        // The record's author string keeps its trailing space for exports; a reader hears none.
        for (const ArticleRecord::Key key : {ArticleRecord::Key::AuthorsString, ArticleRecord::Key::Title,
                                             ArticleRecord::Key::Journal, ArticleRecord::Key::Year})
            parts.append(article.text(key).trimmed());
        return parts.join(QStringLiteral(", "));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ArticleTableModel::flags(const QModelIndex &index) const
{
    // The table itself (the invalid index) is no item and cannot be dragged.
    if (!index.isValid())
        return QAbstractTableModel::flags(index);
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

void ArticleTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns.size())
        return;
    const QString &identifier = m_columns[column].identifier;
    // Numbers of the model's own, not keys of the record.
    const bool byNumber = identifier == RankColumn || identifier == CitedByColumn || identifier == RcrColumn
                          || identifier == LibraryColumn || identifier == FullTextColumn;
    const std::optional<ArticleRecord::Key> key = ArticleRecord::keyNamed(identifier);
    if (!key && !byNumber)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<qsizetype> permutation;
    if (identifier == RankColumn)
        permutation = permutationBy([this](qsizetype row) { return m_ranks.value(row); }, order);
    else if (identifier == CitedByColumn)
        permutation = permutationBy([this](qsizetype row) { return double(citedByCountAt(row)); }, order);
    else if (identifier == RcrColumn)
        permutation = permutationBy([this](qsizetype row) { return rcrAt(row); }, order);
    else if (identifier == LibraryColumn) // the marked ones first when ascending
        permutation = permutationBy([this](qsizetype row) { return inLibrary((*m_articles)[row]) ? 0 : 1; }, order);
    else if (identifier == FullTextColumn) // kept, then free to get, then the rest when ascending
        permutation = permutationBy([this](qsizetype row) { return -int(fullTextMark((*m_articles)[row])); }, order);
    else
        permutation = sortArticles(*m_articles, *key, order);
    ArticleList articles;
    QList<int> ranks;
    for (const qsizetype oldRow : permutation) {
        if (byNumber)
            articles.append(std::move((*m_articles)[oldRow]));
        ranks.append(m_ranks.value(oldRow));
    }
    if (byNumber)
        *m_articles = std::move(articles);
    m_ranks = std::move(ranks);
    // A saved search's new articles come first in every order.
    keepNewFirst(permutation);
    // Selection and current row follow their articles to the new rows.
    std::vector<int> newRowOf(permutation.size());
    for (size_t newRow = 0; newRow < permutation.size(); ++newRow)
        newRowOf[size_t(permutation[newRow])] = int(newRow);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf[size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList ArticleTableModel::mimeTypes() const
{
    return {QStringLiteral("text/rtf"), QStringLiteral("text/html"), QStringLiteral("text/plain"), PmidsMimeType};
}

QMimeData *ArticleTableModel::mimeData(const QModelIndexList &indexes) const
{
    if (!m_mimeDataMaker)
        return nullptr;
    std::set<int> rows;
    for (const QModelIndex &index : indexes)
        rows.insert(index.row());
    QMimeData *data = m_mimeDataMaker(QList<int>(rows.begin(), rows.end()));
    QByteArray pmids;
    for (const int row : rows) {
        if (row < m_articles->size())
            pmids += (*m_articles)[row].text(ArticleRecord::Key::PMID).toLatin1() + '\n';
    }
    if (data)
        data->setData(PmidsMimeType, pmids);
    return data;
}

Qt::DropActions ArticleTableModel::supportedDragActions() const
{
    // Rows are copied out of the table, never moved.
    return Qt::CopyAction;
}

void ArticleTableModel::setMarks(QHash<QString, RowMark> marks)
{
    m_marks = std::move(marks);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DisplayRole, Qt::FontRole, Qt::ToolTipRole});
}

void ArticleTableModel::setNewPmids(const QSet<QString> &pmids)
{
    QHash<QString, RowMark> marks;
    for (const QString &pmid : pmids)
        marks.insert(pmid, {NewMark, {}});
    setMarks(std::move(marks));
}
