#include "gui/review/ReviewWorkspace.h"

#include "export/BibtexWriter.h"
#include "export/CsvWriter.h"
#include "export/RisWriter.h"
#include "gui/review/PrismaView.h"
#include "gui/review/ReviewTexts.h"
#include "gui/review/ScreeningView.h"
#include "library/LibraryStore.h"
#include "review/PrismaLayout.h"
#include "review/RelevanceRanking.h"
#include "review/ReviewCompletion.h"
#include "review/ReviewDeduplication.h"
#include "review/ReviewFile.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"
#include "review/ReviewReport.h"
#include "review/ScreenerAgreement.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>

#include <thread>

namespace {

QPushButton *button(const QString &text, QWidget *parent, QBoxLayout *layout)
{
    auto *b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    layout->addWidget(b);
    return b;
}

QString recordHtml(const ReviewRecord &r, const QStringList &foundIn)
{
    return QStringLiteral("<h3>%1</h3><p>%2</p><p><i>%3</i> %4;%5(%6):%7</p><p>DOI %8<br>PMID %9</p><p><small>%10</small></p><p>%11</p>")
        .arg(r.title.toHtmlEscaped(), r.authors.join(QStringLiteral("; ")).toHtmlEscaped(), r.journal.toHtmlEscaped(),
             r.year.toHtmlEscaped(), r.volume.toHtmlEscaped(), r.issue.toHtmlEscaped(), r.pages.toHtmlEscaped(),
             r.doi.toHtmlEscaped(), r.pmid.toHtmlEscaped())
        .arg(ReviewTexts::foundIn(foundIn.join(QStringLiteral(", "))).toHtmlEscaped(), r.abstract.toHtmlEscaped());
}

QString choiceText(const ScreeningDecision &d)
{
    const QString choice = d.choice == ScreeningChoice::Include   ? ReviewMessages::include()
                           : d.choice == ScreeningChoice::Exclude ? ReviewMessages::exclude()
                                                                  : ReviewMessages::maybe();
    return d.reason.isEmpty() ? choice : choice + QStringLiteral(" (") + d.reason + u')';
}

} // namespace

ReviewWorkspace::ReviewWorkspace(LibraryStore &library, const Review &review, QString who, KeptTextSource fullText,
                                 SearchProvider currentSearch, QWidget *parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_store(library)
    , m_review(review)
    , m_who(std::move(who))
    , m_fullText(std::move(fullText))
    , m_currentSearch(std::move(currentSearch))
    , m_tabs(new QTabWidget(this))
    , m_sources(new QTableWidget(this))
    , m_message(new QLabel(this))
    , m_merges(new QListWidget(this))
    , m_pairs(new QListWidget(this))
    , m_left(new QTextBrowser(this))
    , m_right(new QTextBrowser(this))
    , m_screening(new ScreeningView(this))
    , m_prisma(new PrismaView(this))
{
    setObjectName(QStringLiteral("reviewWorkspace"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ReviewTexts::workspaceTitle(review.name));
    m_message->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_message, 1);
    m_tabs->addTab(identificationPage(), ReviewTexts::identificationTab());
    m_tabs->addTab(duplicatesPage(), ReviewTexts::duplicatesTab());
    m_tabs->addTab(m_screening, ReviewTexts::screeningTab());
    m_tabs->addTab(prismaPage(), ReviewTexts::prismaTab());
    setCentralWidget(m_tabs);
    m_screening->setReasons(review.reasons);
    connect(m_screening, &ScreeningView::decided, this, &ReviewWorkspace::decide);
    connect(m_screening, &ScreeningView::undoRequested, this, &ReviewWorkspace::undoDecision);
    connect(m_screening, &ScreeningView::stepRequested, this, &ReviewWorkspace::step);
    connect(m_screening, &ScreeningView::viewChanged, this, &ReviewWorkspace::rebuildQueue);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { reload(); });
    resize(1000, 720);
    reload();
}

ReviewWorkspace::~ReviewWorkspace()
{
    syncDecisions();
}

void ReviewWorkspace::syncDecisions()
{
    if (m_unsynced && check(m_store.syncDecisions()))
        m_unsynced = false;
}

QWidget *ReviewWorkspace::identificationPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    const QStringList columns = ReviewTexts::sourceColumns().split(u'\t');
    m_sources->setColumnCount(int(columns.size()));
    m_sources->setHorizontalHeaderLabels(columns);
    m_sources->horizontalHeader()->setStretchLastSection(true);
    m_sources->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sources->setAccessibleName(ReviewTexts::identificationTab());
    layout->addWidget(m_sources, 1);
    auto *buttons = new QHBoxLayout;
    connect(button(ReviewTexts::importFile(), page, buttons), &QPushButton::clicked, this, &ReviewWorkspace::importFile);
    connect(button(ReviewTexts::addCollection(), page, buttons), &QPushButton::clicked, this, &ReviewWorkspace::addCollection);
    connect(button(ReviewTexts::addSearch(), page, buttons), &QPushButton::clicked, this, &ReviewWorkspace::addSearch);
    m_complete = button(ReviewTexts::completeFromPubmed(), page, buttons);
    m_complete->setEnabled(false); // until told where PubMed is
    connect(m_complete, &QPushButton::clicked, this, &ReviewWorkspace::completeFromPubmed);
    buttons->addStretch();
    connect(button(ReviewTexts::shareReview(), page, buttons), &QPushButton::clicked, this, [this] {
        exportText(ReviewTexts::reviewFilter(), [this](const QString &) { return ReviewFile::write(m_store, m_review).value_or(QByteArray()); });
    });
    connect(button(ReviewTexts::importDecisions(), page, buttons), &QPushButton::clicked, this, &ReviewWorkspace::importDecisions);
    layout->addLayout(buttons);
    return page;
}

QWidget *ReviewWorkspace::duplicatesPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_find = button(ReviewTexts::findDuplicates(), page, top);
    m_find->setObjectName(QStringLiteral("findDuplicatesButton"));
    connect(m_find, &QPushButton::clicked, this, &ReviewWorkspace::findDuplicates);
    connect(button(ReviewTexts::undoMerge(), page, top), &QPushButton::clicked, this, &ReviewWorkspace::undoMerge);
    top->addStretch();
    layout->addLayout(top);
    layout->addWidget(new QLabel(ReviewTexts::mergesLabel(), page));
    m_merges->setAccessibleName(ReviewTexts::mergesLabel());
    layout->addWidget(m_merges, 1);
    layout->addWidget(new QLabel(ReviewTexts::uncertainLabel(), page));
    m_pairs->setAccessibleName(ReviewTexts::uncertainLabel());
    layout->addWidget(m_pairs, 1);
    auto *sides = new QSplitter(page);
    sides->addWidget(m_left);
    sides->addWidget(m_right);
    layout->addWidget(sides, 2);
    auto *judge = new QHBoxLayout;
    connect(button(ReviewTexts::sameRecord(), page, judge), &QPushButton::clicked, this, [this] { judgePair(true); });
    connect(button(ReviewTexts::differentRecords(), page, judge), &QPushButton::clicked, this, [this] { judgePair(false); });
    judge->addStretch();
    layout->addLayout(judge);
    for (const auto &[key, same] : {std::pair(Qt::Key_Y, true), {Qt::Key_N, false}}) {
        auto *shortcut = new QShortcut(QKeySequence(key), page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, same = same] { judgePair(same); });
    }
    connect(m_pairs, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= m_uncertain.size())
            return;
        const ReviewDuplicates::Pair &pair = m_uncertain.at(row);
        m_left->setHtml(recordHtml(m_records.value(m_index.value(pair.first)), m_foundIn.value(pair.first)));
        m_right->setHtml(recordHtml(m_records.value(m_index.value(pair.second)), m_foundIn.value(pair.second)));
    });
    return page;
}

QWidget *ReviewWorkspace::prismaPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *scroll = new QScrollArea(page);
    scroll->setWidget(m_prisma);
    scroll->setWidgetResizable(false);
    layout->addWidget(scroll, 1);
    auto *buttons = new QHBoxLayout;
    connect(button(ReviewTexts::exportDiagram(), page, buttons), &QPushButton::clicked, this, &ReviewWorkspace::exportDiagram);
    connect(button(ReviewTexts::exportCounts(), page, buttons), &QPushButton::clicked, this, [this] {
        exportText(QStringLiteral("CSV (*.csv)"), [this](const QString &) {
            const auto report = ReviewReport::read(m_store, m_review);
            return report ? report->counts().csv() : QByteArray();
        });
    });
    connect(button(ReviewTexts::exportSearches(), page, buttons), &QPushButton::clicked, this, [this] {
        exportText(QStringLiteral("Markdown (*.md)"), [this](const QString &) {
            const auto report = ReviewReport::read(m_store, m_review);
            return report ? report->searchDocumentation().toUtf8() : QByteArray();
        });
    });
    connect(button(ReviewTexts::exportRecords(), page, buttons), &QPushButton::clicked, this, [this] {
        exportText(ReviewTexts::recordsFilter(), [this](const QString &path) {
            const auto report = ReviewReport::read(m_store, m_review);
            if (!report)
                return QByteArray();
            const QList<Reference> references = report->references(report->selected(ReviewReport::Selection::All));
            const QString suffix = QFileInfo(path).suffix().toLower();
            return suffix == QLatin1String("bib")   ? BibtexWriter::write(references)
                   : suffix == QLatin1String("csv") ? CsvWriter::write(references)
                                                    : RisWriter::write(references);
        });
    });
    buttons->addStretch();
    layout->addLayout(buttons);
    return page;
}

void ReviewWorkspace::say(const QString &message)
{
    m_message->setText(message);
}

bool ReviewWorkspace::check(bool ok)
{
    if (!ok)
        say(m_store.error());
    return ok;
}

void ReviewWorkspace::reload()
{
    const auto records = m_store.records(m_review.id);
    const auto foundIn = records ? m_store.foundIn(m_review.id) : std::nullopt;
    const auto sources = foundIn ? m_store.sources(m_review.id) : std::nullopt;
    const auto merges = sources ? m_store.merges(m_review.id) : std::nullopt;
    if (!check(merges.has_value()))
        return;
    if (records->size() != m_records.size())
        m_ranking.reset();
    m_records = *records;
    m_index.clear();
    for (qsizetype i = 0; i < m_records.size(); ++i)
        m_index.insert(m_records.at(i).id, i);
    m_foundIn = *foundIn;
    m_mergeList = *merges;
    m_sources->setRowCount(int(sources->size()));
    for (int row = 0; row < sources->size(); ++row) {
        const ReviewSource &s = sources->at(row);
        const QStringList cells{s.database, s.interface, s.searched.toString(Qt::ISODate), QString::number(s.count), s.strategy};
        for (int column = 0; column < cells.size(); ++column)
            m_sources->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_merges->clear();
    for (const ReviewMerge &m : m_mergeList)
        m_merges->addItem(QStringLiteral("%1 \u2190 %2: %3").arg(m.kept).arg(m.merged).arg(m.rule));
    if (const auto report = ReviewReport::read(m_store, m_review))
        m_prisma->setLayout(PrismaLayout::of(report->counts()));
    m_prisma->resize(m_prisma->sizeHint());
    rebuildQueue();
}

void ReviewWorkspace::addSource(const ReviewSource &source, const ReviewRecords &records)
{
    if (check(m_store.addSource(m_review.id, source, records).has_value())) {
        say(ReviewMessages::imported(records.size(), source.database));
        reload();
    }
}

void ReviewWorkspace::importFile()
{
    const QString path = QFileDialog::getOpenFileName(this, ReviewTexts::importFile(), {}, ReviewTexts::importFilter());
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return say(ReviewTexts::notWritten(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const auto format = ReviewImport::detect(path, bytes);
    if (!format)
        return say(ReviewMessages::unknownFormat());
    const ReviewImport::Result result = ReviewImport::read(bytes, *format);
    if (!result.ok())
        return say(QFileInfo(path).fileName() + QStringLiteral(": ") + result.error);
    bool ok = false;
    const QString database = QInputDialog::getText(this, ReviewTexts::importFile(), ReviewTexts::databaseQuestion(),
                                                   QLineEdit::Normal, QFileInfo(path).completeBaseName(), &ok);
    if (ok && !database.trimmed().isEmpty())
        addSource({0, database.trimmed(), {}, {}, QFileInfo(path).lastModified().date(), 0}, result.records);
}

void ReviewWorkspace::addCollection()
{
    const std::optional<QList<Collection>> collections = m_library.collections();
    if (!collections || collections->isEmpty())
        return say(collections ? ReviewTexts::noSearch() : m_library.error());
    QStringList names;
    for (const Collection &c : *collections)
        names.append(c.name);
    bool ok = false;
    const QString name = QInputDialog::getItem(this, ReviewTexts::addCollection(), ReviewTexts::collectionQuestion(), names, 0,
                                               false, &ok);
    const qsizetype at = names.indexOf(name);
    if (!ok || at < 0)
        return;
    const auto articles = m_library.articles(collections->at(at).id);
    if (!articles)
        return say(m_library.error());
    ReviewRecords records;
    for (const StoredArticle &article : *articles)
        records.append(recordFromReference(referenceForArticle(article.record)));
    addSource({0, QStringLiteral("PubMed"), QStringLiteral("Vexmoor"), name, QDate::currentDate(), 0}, records);
}

void ReviewWorkspace::addSearch()
{
    const std::optional<SearchToAdd> search = m_currentSearch ? m_currentSearch() : std::nullopt;
    if (!search || search->records.isEmpty())
        return say(ReviewTexts::noSearch());
    addSource({0, QStringLiteral("PubMed"), QStringLiteral("Vexmoor"), search->query, QDate::currentDate(), 0}, search->records);
}

void ReviewWorkspace::importDecisions()
{
    const QString path = QFileDialog::getOpenFileName(this, ReviewTexts::importDecisions(), {}, ReviewTexts::reviewFilter());
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return say(path.isEmpty() ? QString() : file.errorString());
    QString error;
    const std::optional<qsizetype> taken = ReviewFile::importDecisions(m_store, m_review, file.readAll(), m_who, error);
    say(taken ? ReviewMessages::decisionsImported(*taken) : error);
    rebuildQueue();
}

void ReviewWorkspace::setPubmed(const Endpoints &endpoints, const EutilsIdentity &identity)
{
    delete m_completion;
    m_completion = new ReviewCompletion(m_store, endpoints, this);
    m_completion->setIdentity(identity);
    m_complete->setEnabled(true);
    connect(m_completion, &ReviewCompletion::finished, this, [this](qsizetype completed) {
        m_complete->setEnabled(true);
        say(ReviewTexts::completed(completed));
        reload();
    });
    connect(m_completion, &ReviewCompletion::failed, this, [this](const QString &message) {
        m_complete->setEnabled(true);
        say(message);
    });
}

void ReviewWorkspace::completeFromPubmed()
{
    if (!m_completion)
        return;
    if (!m_completion->start(m_review.id))
        return say(ReviewTexts::nothingToComplete());
    m_complete->setEnabled(false);
    say(ReviewTexts::completing());
}

void ReviewWorkspace::findDuplicates()
{
    const auto records = m_store.records(m_review.id);
    const auto rejected = records ? m_store.distinctPairs(m_review.id) : std::nullopt;
    if (!check(rejected.has_value()))
        return;
    // Seconds at tens of thousands of records: compared away from the window,
    // which stays responsive; the merges are stored back here.
    m_find->setEnabled(false);
    say(ReviewTexts::finding());
    QPointer<ReviewWorkspace> self(this);
    std::thread([self, records = *records, rejected = *rejected] {
        ReviewDuplicates::Found found = ReviewDuplicates::find(records, rejected);
        QMetaObject::invokeMethod(qApp, [self, found = std::move(found), compared = records.size()] {
            if (self)
                self->applyDuplicates(found, compared);
        }, Qt::QueuedConnection);
    }).detach();
}

void ReviewWorkspace::applyDuplicates(const ReviewDuplicates::Found &found, qsizetype compared)
{
    m_find->setEnabled(true);
    // Records changed meanwhile (an import, an undone merge) make the comparison stale.
    const auto now = m_store.records(m_review.id);
    if (!check(now.has_value()))
        return;
    if (now->size() != compared)
        return say(ReviewTexts::changedMeanwhile());
    if (!found.merges.isEmpty() && !check(m_store.merge(m_review.id, found.merges, m_who)))
        return;
    m_uncertain = found.uncertain;
    say(ReviewMessages::deduplicated(found.merges.size(), found.uncertain.size()));
    reload();
    showDuplicates();
}

void ReviewWorkspace::showDuplicates()
{
    m_pairs->clear();
    for (const ReviewDuplicates::Pair &pair : std::as_const(m_uncertain))
        m_pairs->addItem(QStringLiteral("%1 / %2: %3").arg(pair.first).arg(pair.second).arg(pair.rule));
    m_pairs->setCurrentRow(0);
    m_pairs->setFocus();
}

void ReviewWorkspace::judgePair(bool same)
{
    const int row = m_pairs->currentRow();
    if (row < 0 || row >= m_uncertain.size())
        return;
    const ReviewDuplicates::Pair pair = m_uncertain.at(row);
    const bool done = same ? ReviewDeduplication::confirm(m_store, m_review.id, pair.first, pair.second, m_who)
                           : m_store.markDistinct(m_review.id, pair.first, pair.second);
    if (!check(done))
        return;
    m_uncertain.removeAt(row);
    reload();
    showDuplicates();
    m_pairs->setCurrentRow(std::min(row, int(m_uncertain.size()) - 1));
}

void ReviewWorkspace::undoMerge()
{
    const int row = m_merges->currentRow();
    if (row >= 0 && row < m_mergeList.size() && check(m_store.undoMerge(m_review.id, m_mergeList.at(row).id)))
        reload();
}

void ReviewWorkspace::rebuildQueue()
{
    const qint64 shown = shownRecord();
    const auto decisions = m_store.decisions(m_review.id, m_screening->stage(), m_who);
    if (!check(decisions.has_value()))
        return;
    m_decisions = *decisions;
    // The full text is screened for what passed the title and abstract.
    std::optional<QHash<qint64, ScreeningDecision>> passed;
    if (m_screening->stage() == ScreeningStage::FullText && !(passed = m_store.decisions(m_review.id, ScreeningStage::TitleAbstract)))
        return say(m_store.error());
    const int filter = m_screening->filter();
    m_queue.clear();
    m_eligible = 0;
    for (const ReviewRecord &r : std::as_const(m_records)) {
        if (passed && (!passed->contains(r.id) || passed->value(r.id).choice == ScreeningChoice::Exclude))
            continue;
        ++m_eligible;
        const auto d = m_decisions.constFind(r.id);
        const bool take = filter == ScreeningView::Undecided ? d == m_decisions.cend()
                          : filter == ScreeningView::Maybes  ? d != m_decisions.cend() && d->choice == ScreeningChoice::Maybe
                          : filter == ScreeningView::All     ? true
                                                             : d != m_decisions.cend() && d->choice == ScreeningChoice::Exclude
                                                               && d->reason == m_review.reasons.value(filter - ScreeningView::FirstReason);
        if (take)
            m_queue.append(r.id);
    }
    if (m_screening->byRelevance()) {
        refit();
        m_queue = m_ranking->ranked(m_queue);
    }
    m_position = std::max<qsizetype>(0, m_queue.indexOf(shown));
    showCurrent();
    showAgreement();
}

void ReviewWorkspace::refit()
{
    if (!m_ranking)
        m_ranking = std::make_unique<RelevanceRanking>(m_records);
    QHash<qint64, bool> labels;
    QSet<qint64> maybe;
    for (const ScreeningDecision &d : std::as_const(m_decisions)) {
        if (d.choice == ScreeningChoice::Maybe)
            maybe.insert(d.record);
        else
            labels.insert(d.record, d.choice == ScreeningChoice::Include);
    }
    m_ranking->refit(labels, maybe);
}

qint64 ReviewWorkspace::shownRecord() const
{
    return m_position < m_queue.size() ? m_queue.at(m_position) : 0;
}

void ReviewWorkspace::showCurrent()
{
    const qint64 id = shownRecord();
    const ReviewRecord *record = id && m_index.contains(id) ? &m_records.at(m_index.value(id)) : nullptr;
    std::optional<QString> fullText;
    if (record && m_screening->stage() == ScreeningStage::FullText)
        fullText = record->pmid.isEmpty() ? QString() : m_fullText(record->pmid.toLongLong());
    const auto d = m_decisions.constFind(id);
    m_screening->setRecord(record, m_review.highlights, d == m_decisions.cend() ? QString() : choiceText(*d),
                           m_foundIn.value(id), fullText);
    m_screening->setProgress(m_decisions.size(), std::max(m_eligible, m_decisions.size()));
}

void ReviewWorkspace::decide(ScreeningChoice choice, const QString &reason)
{
    const qint64 id = shownRecord();
    if (!id)
        return;
    const ScreeningDecision decision{id, m_screening->stage(), choice, reason, m_who, QDateTime::currentDateTimeUtc()};
    // Stored before the next record shows, so a kill loses nothing decided;
    // the wait for the disk follows the drawing, so the screener never waits.
    if (!check(m_store.decide(m_review.id, decision, LibraryStore::Sync::Later)))
        return;
    if (!m_unsynced) {
        m_unsynced = true;
        QTimer::singleShot(0, this, &ReviewWorkspace::syncDecisions);
    }
    m_decisions.insert(id, decision);
    if (m_screening->filter() == ScreeningView::Undecided) {
        m_queue.removeAt(m_position);
        if (m_screening->byRelevance() && choice != ScreeningChoice::Maybe) {
            // What is left is ranked again by what was just learnt.
            refit();
            const QList<qint64> rest = m_ranking->ranked(m_queue.mid(m_position));
            m_queue = m_queue.mid(0, m_position) + rest;
        }
    } else {
        ++m_position;
    }
    m_position = std::min(m_position, std::max<qsizetype>(0, m_queue.size() - 1));
    showCurrent();
    m_screening->repaint();
    // Read again only while a second screener's decisions are there to compare.
    if (m_comparing)
        showAgreement();
}

void ReviewWorkspace::undoDecision()
{
    const auto record = m_store.undoDecision(m_review.id, m_screening->stage(), m_who);
    if (!record)
        return say(m_store.error());
    rebuildQueue();
    // Back to the record whose decision was taken back.
    m_position = std::max<qsizetype>(0, m_queue.indexOf(*record));
    showCurrent();
}

void ReviewWorkspace::step(int by)
{
    if (m_queue.isEmpty())
        return;
    m_position = std::clamp<qsizetype>(m_position + by, 0, m_queue.size() - 1);
    showCurrent();
}

void ReviewWorkspace::showAgreement()
{
    const auto screeners = m_store.screeners(m_review.id, m_screening->stage());
    m_comparing = screeners && screeners->size() >= 2;
    if (!m_comparing)
        return m_screening->setAgreement({});
    const auto first = m_store.decisions(m_review.id, m_screening->stage(), screeners->at(0));
    const auto second = m_store.decisions(m_review.id, m_screening->stage(), screeners->at(1));
    if (!first || !second)
        return;
    const ScreenerAgreement agreement = ScreenerAgreement::between(*first, *second);
    m_screening->setAgreement(agreement.kappa ? ReviewMessages::agreement(screeners->at(0), screeners->at(1), *agreement.kappa,
                                                                       agreement.disagreements.size())
                                              : QString());
}

void ReviewWorkspace::exportDiagram()
{
    const QString path = QFileDialog::getSaveFileName(this, ReviewTexts::exportDiagram(), m_review.name + QStringLiteral(".svg"),
                                                      ReviewTexts::diagramFilter());
    if (path.isEmpty())
        return;
    const auto report = ReviewReport::read(m_store, m_review);
    if (!check(report.has_value()))
        return;
    const std::optional<QString> failed = PrismaView::write(PrismaLayout::of(report->counts()), path);
    say(failed ? ReviewTexts::notWritten(path, *failed) : ReviewTexts::written(path));
}

void ReviewWorkspace::exportText(const QString &filter, const std::function<QByteArray(const QString &path)> &bytes)
{
    const QString path = QFileDialog::getSaveFileName(this, {}, m_review.name, filter);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray content = bytes(path);
    if (content.isEmpty())
        return say(m_store.error());
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return say(ReviewTexts::notWritten(path, file.errorString()));
    say(ReviewTexts::written(path));
}
