#include "shell/frmBatchInstall.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include "editdb/Baza.h"
#include "facefolder/BatchPlan.h"
#include "facefolder/MapFile.h"
#include "platform/FileOps.h"
#include "platform/FolderList.h"
#include "platform/UiSeam.h"
#include "shell/frmMain.h"

class frmBatchInstall::Model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    BatchPlan::Plan plan;
    QString mapProblem;  // why map.txt could not be read for the conflicts

    void refill(BatchPlan::Plan next)
    {
        beginResetModel();
        plan = std::move(next);
        endResetModel();
    }

    const BatchPlan::Row& row(int r) const { return plan.rows[size_t(r)]; }

    QString text(int r, int column) const
    {
        const BatchPlan::Row& x = row(r);
        switch (column) {
        case ColPlayer: return x.matched ? x.player : QString();
        case ColId: return x.matched ? QString::number(x.id) : QString();
        case ColFace: return x.faceEntry;
        case ColHair: return x.hairEntry;
        case ColTarget:
            if (!x.matched) return QString();
            return x.teamFolder.isEmpty() ? QStringLiteral("(face folder)") : x.teamFolder;
        case ColLine: return x.matched ? x.request.line : QString();
        case ColProblems: return x.problems.join(QStringLiteral("; "));
        default: return QString();
        }
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(plan.rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == ColInstall && !row(index.row()).blocked) f |= Qt::ItemIsUserCheckable;
        return f;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) return QVariant();
        const BatchPlan::Row& x = row(index.row());
        if (index.column() == ColInstall) {
            if (role == Qt::CheckStateRole) return x.ticked ? Qt::Checked : Qt::Unchecked;
            return QVariant();
        }
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text(index.row(), index.column());
        if (role == Qt::ForegroundRole && index.column() == ColProblems)
            return x.blocked ? QColor(0xB0, 0x00, 0x00) : QColor(0xB3, 0x59, 0x00);
        if (role == Qt::TextAlignmentRole && index.column() == ColId) return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.column() != ColInstall || role != Qt::CheckStateRole) return false;
        BatchPlan::Row& x = plan.rows[size_t(index.row())];
        if (x.blocked) return false;
        x.ticked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole) return QVariant();
        if (orientation == Qt::Vertical) return section + 1;  // the numbers the conflicts name
        static const char* const names[ColumnCount] = {"Install",    "Player", "ID",   "Face entry",
                                                       "Hair entry", "Into",   "Line", "Conflicts"};
        return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
    }
};

frmBatchInstall::frmBatchInstall(frmMain& main) : QWidget(&main, Qt::Window), main_(main)
{
    setObjectName(QStringLiteral("frmBatchInstall"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Install from Archive"));

    optOpenFolder = new QRadioButton(QStringLiteral("Folder open in the archive list"), this);
    optOpenFolder->setObjectName(QStringLiteral("optOpenFolder"));
    optWholeArchive = new QRadioButton(QStringLiteral("Whole archive"), this);
    optWholeArchive->setObjectName(QStringLiteral("optWholeArchive"));
    optOpenFolder->setChecked(true);
    auto* source = new QButtonGroup(this);
    source->addButton(optOpenFolder);
    source->addButton(optWholeArchive);
    chkTeamFolders = new QCheckBox(QStringLiteral("Keep the pack's team folders"), this);
    chkTeamFolders->setObjectName(QStringLiteral("chkTeamFolders"));
    chkTeamFolders->setToolTip(
        QStringLiteral("Each player goes into the team folder of the face folder named like the folder that holds "
                       "the player's files in the pack. The team folders must exist."));
    cmdReload = new QPushButton(QStringLiteral("Read Again"), this);
    cmdReload->setObjectName(QStringLiteral("cmdReload"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdInstall = new QPushButton(QStringLiteral("Install Ticked"), this);
    cmdInstall->setObjectName(QStringLiteral("cmdInstall"));

    model_ = new Model(this);
    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setModel(model_);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->setAlternatingRowColors(true);
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Table->horizontalHeader()->setStretchLastSection(true);
    const int widths[ColumnCount] = {56, 130, 70, 210, 210, 120, 330, 240};
    for (int c = 0; c < ColumnCount; ++c) Table->setColumnWidth(c, widths[c]);

    auto* options = new QHBoxLayout;
    options->addWidget(optOpenFolder);
    options->addWidget(optWholeArchive);
    options->addSpacing(16);
    options->addWidget(chkTeamFolders);
    options->addStretch();
    options->addWidget(cmdReload);
    auto* commands = new QHBoxLayout;
    commands->addWidget(lblSummary, 1);
    commands->addWidget(cmdInstall);
    auto* all = new QVBoxLayout(this);
    all->addLayout(options);
    all->addWidget(Table, 1);
    all->addLayout(commands);
    resize(1200, 560);

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{optOpenFolder, optWholeArchive, chkTeamFolders})
        connect(b, &QAbstractButton::clicked, this, &frmBatchInstall::reload);
    connect(cmdReload, &QPushButton::clicked, this, &frmBatchInstall::reload);
    connect(cmdInstall, &QPushButton::clicked, this, &frmBatchInstall::cmdInstall_Click);
    connect(model_, &QAbstractItemModel::dataChanged, this, &frmBatchInstall::showSummary);
    reload();
}

frmBatchInstall::~frmBatchInstall()
{
    // The list goes before the rows it reads.
    delete Table;
    delete model_;
}

int frmBatchInstall::rowCount() const { return model_->rowCount(); }

QString frmBatchInstall::cellText(int row, int column) const
{
    return row >= 0 && row < rowCount() ? model_->text(row, column) : QString();
}

bool frmBatchInstall::isTicked(int row) const { return row >= 0 && row < rowCount() && model_->row(row).ticked; }

void frmBatchInstall::setTicked(int row, bool ticked)
{
    model_->setData(model_->index(row, ColInstall), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void frmBatchInstall::reload()
{
    // The folder open in the archive list, as long as it lies in the archive.
    const QString archive = QDir::cleanPath(main_.prog(QStringLiteral("\\Archive\\")));
    const QString open = QDir::cleanPath(main_.Rar->Path());
    const bool inArchive = open == archive || open.startsWith(archive + QLatin1Char('/'));

    BatchPlan::Settings settings;
    settings.folder = optOpenFolder->isChecked() && inArchive ? open : archive;
    settings.archiveFolder = archive;
    settings.faceFolder = main_.Lokalizacja2->text();
    settings.journalFolder = main_.programFolder();
    settings.keepTeamFolders = chkTeamFolders->isChecked();

    std::vector<BatchPlan::Player> players;
    players.reserve(size_t(main_.baza->Count()));
    for (int i = 0; i < main_.baza->Count(); ++i) players.push_back({main_.baza->Get_ID(i), main_.baza->Get_Nazwa(i)});
    // Lines already there are conflicts; a map.txt that cannot be read is
    // refused by the install itself, and said here.
    MapFile::Document map;
    const Result read = MapFile::read(settings.faceFolder + QStringLiteral("/map.txt"), map);
    model_->mapProblem = read ? QString() : read.message;
    model_->refill(BatchPlan::plan(settings, players, map));
    setToolTip(QStringLiteral("Reads %1").arg(FileOps::shown(settings.folder)));
    showSummary();
}

void frmBatchInstall::showSummary()
{
    const BatchPlan::Plan& plan = model_->plan;
    int ticked = 0, blocked = 0;
    for (const BatchPlan::Row& row : plan.rows) {
        ticked += row.ticked ? 1 : 0;
        blocked += row.blocked ? 1 : 0;
    }
    QString text;
    if (!plan.status) {
        text = plan.status.message;
    } else {
        text = QStringLiteral(
                   "%1 players found, %2 ticked, %3 that cannot be installed. Files that are no face or "
                   "hair: %4.")
                   .arg(plan.rows.size())
                   .arg(ticked)
                   .arg(blocked)
                   .arg(plan.ignored);
        if (!model_->mapProblem.isEmpty()) text += QLatin1Char(' ') + model_->mapProblem;
    }
    lblSummary->setStyleSheet(plan.status && model_->mapProblem.isEmpty() ? QString()
                                                                          : QStringLiteral("color: #b00000;"));
    lblSummary->setText(text);
    cmdInstall->setEnabled(ticked > 0);
}

void frmBatchInstall::cmdInstall_Click()
{
    const std::vector<Installer::Request> requests = BatchPlan::tickedRequests(model_->plan);
    if (requests.empty()) {
        main_.ui().message(this, QStringLiteral("Tick the players to install first."), UiSeam::Icon::Information);
        return;
    }
    Result installed;
    bool cancelled = false;
    // The progress dialog lets window events run: it is modal to every window
    // of the program (no owner), so that no create, removal or undo can start
    // inside this install.
    cmdInstall->setEnabled(false);
    {
        const std::unique_ptr<ProgressSink> progress =
            main_.ui().progress(nullptr, QStringLiteral("Installing %1 players...").arg(requests.size()),
                                std::max<qint64>(Installer::bytesToCopy(requests), 1));
        installed = Installer::install(requests, {.keepForUndo = true, .progress = progress.get()});
        cancelled = !installed && progress->wasCanceled();
    }
    // Nothing changed unless it was installed: the ticks stay as the user left them.
    if (installed) {
        reload();
        main_.ShowInstalledNote();
    } else {
        showSummary();
    }
    if (installed)
        main_.ui().message(this,
                           requests.size() == 1
                               ? QStringLiteral("Import Ready: 1 player was installed. Face Folder > Undo Last "
                                                "Install takes it back.")
                               : QStringLiteral("Import Ready: %1 players were installed. Face Folder > Undo Last "
                                                "Install takes them back.")
                                     .arg(requests.size()),
                           UiSeam::Icon::Information);
    else if (cancelled)
        main_.ui().message(
            this, QStringLiteral("The install was cancelled. Nothing was installed and map.txt was left as it was."),
            UiSeam::Icon::Information);
    else
        main_.ui().message(this, installed.message, UiSeam::Icon::Warning);
}
