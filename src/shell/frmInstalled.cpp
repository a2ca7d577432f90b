#include "shell/frmInstalled.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "archive/PackExport.h"
#include "editdb/Baza.h"
#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapRemoval.h"
#include "platform/FileOps.h"
#include "platform/ImageBox.h"
#include "platform/UiSeam.h"
#include "shell/InstalledGrid.h"
#include "shell/TextureActions.h"
#include "shell/frmMain.h"

namespace {

bool isHairFile(const QString& name) { return name.contains(QLatin1String("hair"), Qt::CaseInsensitive); }

}  // namespace

struct frmInstalled::State {
    struct Row {
        int line = -1;  // a line of map.txt, or
        int file = -1;  // a model file that no line names
    };

    QString faceFolder;
    QString mapPath;
    qint64 mapSize = -2;  // map.txt as read: -1 missing
    QDateTime mapModified;
    Result status;  // why the folder could not be read
    MapFile::Document doc;
    FolderListing listing;
    FaceFolderCheck::Report report;
    bool editLoaded = false;
    QHash<qint32, QString> players;
    bool onlyProblems = false;
    std::vector<Row> rows;

    void fillRows()
    {
        rows.clear();
        for (size_t i = 0; i < doc.lines.size(); ++i) {
            const bool problem = report.lines[i].flags != 0;
            if ((doc.lines[i].kind != MapFile::Kind::Blank || problem) && (problem || !onlyProblems))
                rows.push_back({int(i), -1});
        }
        for (int f : report.orphans) rows.push_back({-1, f});
    }

    QString text(int row, int column) const
    {
        const Row& r = rows[size_t(row)];
        if (r.line < 0) {
            const QString rel = QDir::toNativeSeparators(listing.file(r.file).relative);
            switch (column) {
            case ColFace: return isHairFile(rel) ? QString() : rel;
            case ColHair: return isHairFile(rel) ? rel : QString();
            case ColState: return QStringLiteral("no line names this file");
            default: return QString();
            }
        }
        const MapFile::Line& l = doc.lines[size_t(r.line)];
        switch (column) {
        case ColLine: return QString::number(r.line + 1);
        case ColId: return l.isEntry() ? QString::number(l.id) : QString();
        case ColPlayer:
            if (!l.isEntry() || !editLoaded) return QString();
            return players.value(l.id, QStringLiteral("not in the edit file"));
        case ColFace: return l.isEntry() ? l.face : doc.text(l, 200);
        case ColHair: return l.hair;
        case ColState: return FaceFolderCheck::describe(doc, report, r.line);
        default: return QString();
        }
    }

    bool isProblem(int row) const
    {
        const Row& r = rows[size_t(row)];
        return r.line < 0 || report.lines[size_t(r.line)].flags != 0;
    }

    // What the picture view shows of a row.
    QVariant tileData(int row, int role) const
    {
        const Row& r = rows[size_t(row)];
        int face = -1, hair = -1;
        if (r.line >= 0) {
            face = report.lines[size_t(r.line)].faceFile;
            hair = report.lines[size_t(r.line)].hairFile;
        } else {
            (isHairFile(listing.file(r.file).relative) ? hair : face) = r.file;
        }
        const MapFile::Line* l = r.line >= 0 ? &doc.lines[size_t(r.line)] : nullptr;
        switch (role) {
        case InstalledRoles::FaceFile: return face >= 0 ? listing.absolute(listing.file(face)) : QString();
        case InstalledRoles::HairFile: return hair >= 0 ? listing.absolute(listing.file(hair)) : QString();
        case InstalledRoles::Title:
            if (!l) return QFileInfo(listing.file(r.file).relative).completeBaseName();
            if (!l->isEntry()) return QStringLiteral("Line %1").arg(r.line + 1);
            return players.value(l->id, QStringLiteral("ID %1").arg(l->id));
        case InstalledRoles::Team: {
            // The map writes backslashes, the listing the system's slashes.
            const QString path = l ? (l->face.isEmpty() ? l->hair : l->face) : listing.file(r.file).relative;
            const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
            return slash < 0 ? QString() : QDir::toNativeSeparators(path.left(slash));
        }
        case InstalledRoles::Problem: return isProblem(row);
        case InstalledRoles::State: return text(row, ColState);
        default: return QVariant();
        }
    }
};

class frmInstalled::Model : public QAbstractTableModel {
public:
    Model(const State& state, QObject* parent) : QAbstractTableModel(parent), s_(state) {}

    void refill(const std::function<void()>& change)
    {
        beginResetModel();
        change();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(s_.rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) return QVariant();
        if (role >= InstalledRoles::FaceFile && role <= InstalledRoles::State) return s_.tileData(index.row(), role);
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return s_.text(index.row(), index.column());
        if (role == Qt::ForegroundRole && index.column() == ColState && s_.isProblem(index.row()))
            return QColor(0xB0, 0x00, 0x00);
        if (role == Qt::TextAlignmentRole && (index.column() == ColLine || index.column() == ColId))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
        static const char* const names[ColumnCount] = {"Line", "ID", "Player", "Face", "Hair", "State"};
        return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
    }

private:
    const State& s_;
};

frmInstalled::frmInstalled(frmMain& main) : QWidget(&main, Qt::Window), main_(main), state_(std::make_unique<State>())
{
    setObjectName(QStringLiteral("frmInstalled"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Installed faces"));

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chkProblems = new QCheckBox(QStringLiteral("Only problems"), this);
    chkProblems->setObjectName(QStringLiteral("chkProblems"));
    chkPictures = new QCheckBox(QStringLiteral("Pictures"), this);
    chkPictures->setObjectName(QStringLiteral("chkPictures"));
    chkPictures->setToolTip(QStringLiteral("Shows the entries as pictures of their face and hair"));
    cmdReload = new QPushButton(QStringLiteral("Read Again"), this);
    cmdReload->setObjectName(QStringLiteral("cmdReload"));
    cmdRemove = new QPushButton(QStringLiteral("Remove..."), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdRemove->setToolTip(QStringLiteral("Removes the selected lines from map.txt and deletes their files"));
    cmdExport = new QPushButton(QStringLiteral("Export as Face Pack..."), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdExport->setToolTip(
        QStringLiteral("Writes the selected entries' models and lines as a ZIP face pack that "
                       "Install from Archive puts back exactly"));

    model_ = new Model(*state_, this);
    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setModel(model_);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->setAlternatingRowColors(true);
    // Twenty thousand rows: fixed heights and widths keep the view from
    // measuring every row.
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Table->horizontalHeader()->setStretchLastSection(true);
    const int widths[ColumnCount] = {56, 76, 130, 180, 180, 200};
    for (int c = 0; c < ColumnCount; ++c) Table->setColumnWidth(c, widths[c]);

    // The picture view: the same rows, the same selection.
    Grid = new InstalledGrid(this);
    Grid->setModel(model_);
    Grid->setModelColumn(ColPlayer);
    Grid->setSelectionModel(Table->selectionModel());
    Grid->hide();

    FaceImg = new ImageBox(this);
    FaceImg->setObjectName(QStringLiteral("FaceImg"));
    HairImg = new ImageBox(this);
    HairImg->setObjectName(QStringLiteral("HairImg"));
    auto* previews = new QVBoxLayout;
    for (const auto& [caption, box] : {std::pair{"Face", FaceImg}, std::pair{"Hair", HairImg}}) {
        previews->addWidget(new QLabel(QString::fromLatin1(caption), this));
        box->setFixedSize(200, 150);
        box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        box->setFrameShape(QFrame::StyledPanel);
        previews->addWidget(box);
        TextureActions::attach(box, main_.ui());
        previews->addWidget(TextureActions::buttonsFor(box, this));
    }
    previews->addStretch();

    auto* commands = new QHBoxLayout;
    commands->addWidget(chkProblems);
    commands->addWidget(chkPictures);
    commands->addStretch();
    commands->addWidget(cmdReload);
    commands->addWidget(cmdRemove);
    commands->addWidget(cmdExport);
    auto* body = new QHBoxLayout;
    body->addWidget(Table, 1);
    body->addWidget(Grid, 1);
    body->addLayout(previews);
    auto* all = new QVBoxLayout(this);
    all->addWidget(lblSummary);
    all->addLayout(commands);
    all->addLayout(body, 1);
    resize(1100, 600);

    connect(chkProblems, &QCheckBox::clicked, this, &frmInstalled::chkProblems_Click);
    connect(chkPictures, &QCheckBox::clicked, this, &frmInstalled::chkPictures_Click);
    connect(cmdReload, &QPushButton::clicked, this, &frmInstalled::reload);
    connect(cmdRemove, &QPushButton::clicked, this, &frmInstalled::cmdRemove_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmInstalled::cmdExport_Click);
    mnuSelectTeam = new QAction(QStringLiteral("Select All of This Team Folder"), Table);
    mnuSelectTeam->setObjectName(QStringLiteral("mnuSelectTeam"));
    auto* mnuExport = new QAction(cmdExport->text(), Table);
    Table->addAction(mnuSelectTeam);
    Table->addAction(mnuExport);
    Table->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(mnuSelectTeam, &QAction::triggered, this, &frmInstalled::mnuSelectTeam_Click);
    connect(mnuExport, &QAction::triggered, this, &frmInstalled::cmdExport_Click);
    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmInstalled::Table_CurrentChanged);
    reload();
}

frmInstalled::~frmInstalled()
{
    // The list and its model read the state, which goes before the widget's
    // own clean-up would take them down.
    delete Grid;
    delete Table;
    delete model_;
}

int frmInstalled::rowCount() const { return int(state_->rows.size()); }

QString frmInstalled::cellText(int row, int column) const
{
    return row >= 0 && row < rowCount() ? state_->text(row, column) : QString();
}

int frmInstalled::rowOfLine(int lineNumber) const
{
    for (size_t i = 0; i < state_->rows.size(); ++i)
        if (state_->rows[i].line == lineNumber - 1) return int(i);
    return -1;
}

void frmInstalled::reload()
{
    State& s = *state_;
    model_->refill([&] {
        s.faceFolder = main_.Lokalizacja2->text();
        s.mapPath = s.faceFolder + QStringLiteral("/map.txt");
        s.status = Result::success();
        s.doc = MapFile::Document();
        s.listing = FolderListing();
        s.report = FaceFolderCheck::Report();
        const QFileInfo map(s.mapPath);
        s.mapSize = map.exists() ? map.size() : -1;
        s.mapModified = map.exists() ? map.lastModified() : QDateTime();
        if (s.faceFolder.isEmpty() || !QDir::isAbsolutePath(s.faceFolder) || !QFileInfo(s.faceFolder).isDir()) {
            s.status =
                Result::failure(QStringLiteral("The face folder does not exist: %1").arg(FileOps::shown(s.faceFolder)));
        } else if (Result recovered = MapRemoval::recover(s.faceFolder); !recovered) {
            s.status = recovered;
        } else if (Result read = MapFile::read(s.mapPath, s.doc); !read) {
            s.status = read;
        } else {
            s.listing = FolderListing::list(s.faceFolder);
            s.report = FaceFolderCheck::check(s.doc, s.listing);
        }
        s.editLoaded = main_.baza->Count() > 0;
        s.players.clear();
        for (int i = 0; i < main_.baza->Count(); ++i) s.players.insert(main_.baza->Get_ID(i), main_.baza->Get_Nazwa(i));
        s.onlyProblems = chkProblems->isChecked();
        s.fillRows();
    });

    if (!s.status) {
        lblSummary->setStyleSheet(QStringLiteral("color: #b00000;"));
        lblSummary->setText(s.status.message);
    } else {
        lblSummary->setStyleSheet(QString());
        lblSummary->setText(
            QStringLiteral("%1: %2 lines, %3 entries. Lines with a problem: %4. Model files that no line names: %5.")
                .arg(FileOps::shown(s.mapPath))
                .arg(s.doc.lines.size())
                .arg(s.report.entries)
                .arg(s.report.problemLines)
                .arg(s.report.orphans.size()));
    }
    cmdRemove->setEnabled(s.status.ok);
    cmdExport->setEnabled(s.status.ok);
    FaceImg->showPlaceholder();
    HairImg->showPlaceholder();
}

void frmInstalled::chkProblems_Click()
{
    model_->refill([&] {
        state_->onlyProblems = chkProblems->isChecked();
        state_->fillRows();
    });
    FaceImg->showPlaceholder();
    HairImg->showPlaceholder();
}

void frmInstalled::chkPictures_Click()
{
    const bool pictures = chkPictures->isChecked();
    QAbstractItemView* shown = pictures ? static_cast<QAbstractItemView*>(Grid) : Table;
    // The grid takes the table's place at its size, so that it knows from
    // the start which tiles it will show.
    if (pictures) Grid->setGeometry(Table->geometry());
    Table->setVisible(!pictures);
    Grid->setVisible(pictures);
    if (Table->currentIndex().isValid()) shown->scrollTo(Table->currentIndex());
    shown->setFocus();
}

void frmInstalled::cmdRemove_Click()
{
    State& s = *state_;
    std::vector<int> lines, files;
    for (const QModelIndex& index : Table->selectionModel()->selectedRows()) {
        const State::Row& r = s.rows[size_t(index.row())];
        if (r.line >= 0)
            lines.push_back(r.line);
        else
            files.push_back(r.file);
    }
    if (lines.empty() && files.empty()) {
        main_.ui().message(this, QStringLiteral("Choose the entries to remove in the list first."),
                           UiSeam::Icon::Information);
        return;
    }
    const MapRemoval::Plan plan = MapRemoval::plan(s.doc, s.listing, s.report, lines, files);
    if (!main_.ui().confirm(this, plan.confirmation(), UiSeam::Icon::Warning)) return;
    const Result removed = MapRemoval::apply(plan, main_.programFolder());
    reload();
    main_.ShowInstalledNote();
    if (!removed) main_.ui().message(this, removed.message, UiSeam::Icon::Warning);
}

void frmInstalled::mnuSelectTeam_Click()
{
    const State& s = *state_;
    const int current = Table->currentIndex().row();
    if (current < 0 || current >= rowCount() || s.rows[size_t(current)].line < 0) return;
    const auto teamOf = [&](const State::Row& r) {
        if (r.line < 0 || !s.doc.lines[size_t(r.line)].isEntry()) return QString();
        const MapFile::Line& l = s.doc.lines[size_t(r.line)];
        return MapFile::placeKey(PackExport::teamFolderOf(l.face.isEmpty() ? l.hair : l.face));
    };
    const State::Row& picked = s.rows[size_t(current)];
    if (!s.doc.lines[size_t(picked.line)].isEntry()) return;
    const QString team = teamOf(picked);
    QItemSelection selection;
    for (int i = 0; i < rowCount(); ++i)
        if (s.rows[size_t(i)].line >= 0 && s.doc.lines[size_t(s.rows[size_t(i)].line)].isEntry() &&
            teamOf(s.rows[size_t(i)]) == team)
            selection.select(model_->index(i, 0), model_->index(i, ColumnCount - 1));
    Table->selectionModel()->select(selection, QItemSelectionModel::Select);
}

void frmInstalled::cmdExport_Click()
{
    State& s = *state_;
    PackExport::Selection chosen;
    for (const QModelIndex& index : Table->selectionModel()->selectedRows())
        if (const int line = s.rows[size_t(index.row())].line; line >= 0) chosen.lines.push_back(line);
    UiSeam& ui = main_.ui();
    if (chosen.lines.empty()) {
        ui.message(this, QStringLiteral("Choose the entries to export in the list first."), UiSeam::Icon::Information);
        return;
    }
    std::sort(chosen.lines.begin(), chosen.lines.end());
    const PackExport::Plan plan = PackExport::plan(s.faceFolder, s.doc, s.listing, s.report, chosen);
    if (plan.entries.empty()) {
        ui.message(this,
                   QStringLiteral("None of the chosen entries can go into a face pack:\n\n") + plan.describeSkipped(),
                   UiSeam::Icon::Warning);
        return;
    }
    if (!plan.skipped.empty() &&
        !ui.confirm(this,
                    QStringLiteral("%1 of the chosen entries cannot go into the face pack and are left out:\n\n%2\n\n"
                                   "Export the other %3?")
                        .arg(plan.skipped.size())
                        .arg(plan.describeSkipped())
                        .arg(plan.entries.size()),
                    UiSeam::Icon::Warning))
        return;
    QString path = ui.saveFileName(this, QStringLiteral("Export as Face Pack"),
                                   QDir::homePath() + QStringLiteral("/Face Pack.zip"),
                                   QStringLiteral("Face packs (*.zip);;All Files (*)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zip");
    Result written;
    bool cancelled = false;
    {
        const std::unique_ptr<ProgressSink> progress = ui.progress(
            this, QStringLiteral("Exporting %1 players...").arg(plan.entries.size()), std::max<qint64>(plan.bytes, 1));
        written = PackExport::write(plan, path, {.journalFolder = main_.programFolder(), .progress = progress.get()});
        cancelled = !written && progress->wasCanceled();
    }
    if (written)
        ui.message(this,
                   QStringLiteral("The face pack %1 holds %2 players (%3 model files).")
                       .arg(FileOps::shown(path))
                       .arg(plan.entries.size())
                       .arg(plan.files),
                   UiSeam::Icon::Information);
    else
        ui.message(this, cancelled ? PackExport::cancelledMessage() : written.message,
                   cancelled ? UiSeam::Icon::Information : UiSeam::Icon::Warning);
}

void frmInstalled::Table_CurrentChanged()
{
    const int row = Table->currentIndex().row();
    const State& s = *state_;
    int face = -1, hair = -1;
    if (row >= 0 && row < rowCount()) {
        const State::Row& r = s.rows[size_t(row)];
        if (r.line >= 0) {
            face = s.report.lines[size_t(r.line)].faceFile;
            hair = s.report.lines[size_t(r.line)].hairFile;
        } else {
            (isHairFile(s.listing.file(r.file).relative) ? hair : face) = r.file;
        }
    }
    previewFile(face, FaceImg, false);
    previewFile(hair, HairImg, true);
}

void frmInstalled::previewFile(int fileIndex, ImageBox* box, bool hair)
{
    TextureActions::setModelFile(box,
                                 fileIndex < 0 ? QString() : state_->listing.absolute(state_->listing.file(fileIndex)));
    if (fileIndex < 0) {
        box->showPlaceholder();
        return;
    }
    main_.previewInstalled(TextureActions::modelFile(box), hair, box);
}

void frmInstalled::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Back in this window after an install in the main window: read again
    // when map.txt changed, and only then.
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    const QFileInfo map(state_->mapPath);
    const qint64 size = map.exists() ? map.size() : -1;
    if (size != state_->mapSize || (map.exists() && map.lastModified() != state_->mapModified) ||
        main_.Lokalizacja2->text() != state_->faceFolder)
        reload();
}
