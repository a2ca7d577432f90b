#include "platform/FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

#include "platform/FileSystemObject.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentPerLevel = 2;

// An existing folder's path made absolute and clean, without a trailing
// separator except for a root; empty when the path is not a folder.
QString folderPath(const QString& path)
{
    if (path.isEmpty()) return QString();
    const QFileInfo info(QDir::fromNativeSeparators(path));
    if (!info.isDir()) return QString();
    return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

void sortNames(QStringList& names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

// The style's open and closed folder icons, made once for each style: every
// icon the style makes decodes its pictures anew, and the window has three
// folder lists. Freed with the style.
class FolderIcons : public QObject {
public:
    static const FolderIcons& of(QStyle* style)
    {
        for (const QObject* child : style->children())
            if (const auto* made = dynamic_cast<const FolderIcons*>(child)) return *made;
        return *new FolderIcons(style);
    }
    const QIcon open, closed;

private:
    explicit FolderIcons(QStyle* style)
        : QObject(style),
          open(style->standardIcon(QStyle::SP_DirOpenIcon)),
          closed(style->standardIcon(QStyle::SP_DirIcon))
    {}
};

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The open and closed folder icons come in different sizes; without a fixed
    // size the sub-folder rows grow taller than the others and the last one
    // ends up half under the list's edge.
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { emit Click(); });
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::openItem);
}

bool FolderList::setPath(const QString& path)
{
    const QString folder = folderPath(path);
    if (folder.isEmpty()) return false;
    const bool changed = folder != path_;
    path_ = folder;
    rebuild();
    if (changed) emit Change();
    return true;
}

void FolderList::Refresh()
{
    const QString selected = selectedFolder();
    rebuild();
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(kPathRole).toString() == selected) {
            setCurrentRow(row);
            break;
        }
    }
}

QString FolderList::selectedFolder() const
{
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(kPathRole).toString();
}

void FolderList::openItem(QListWidgetItem* entry)
{
    if (!entry) return;
    // A folder that vanished since the list was read is refused by setPath;
    // the list is read again so that it no longer offers it.
    if (!setPath(entry->data(kPathRole).toString())) rebuild();
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        event->accept();
        return;
    }
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before) emit Click();  // moving the selection by keyboard is a click too
}

void FolderList::rebuild()
{
    clear();
    if (path_.isEmpty()) return;

    QStringList chain;  // from the root down to the current folder
    QDir dir(QDir::fromNativeSeparators(path_));
    for (int guard = 0; guard < 4096; ++guard) {
        chain.prepend(QDir::cleanPath(dir.absolutePath()));
        if (dir.isRoot() || !dir.cdUp()) break;
    }

    const FolderIcons& icons = FolderIcons::of(style());
    int level = 0;
    for (const QString& folder : chain) {
        QString name = QFileInfo(folder).fileName();
        if (name.isEmpty()) name = QDir::toNativeSeparators(folder);  // a root
        auto* entry = new QListWidgetItem(icons.open, QString(level * kIndentPerLevel, QLatin1Char(' ')) + name, this);
        entry->setData(kPathRole, QDir::toNativeSeparators(folder));
        ++level;
    }
    setCurrentRow(count() - 1);  // the current folder, as the desktop's list shows it

    const QDir current(QDir::fromNativeSeparators(path_));
    QStringList subFolders = current.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    sortNames(subFolders);
    for (const QString& name : subFolders) {
        auto* entry =
            new QListWidgetItem(icons.closed, QString(level * kIndentPerLevel, QLatin1Char(' ')) + name, this);
        entry->setData(kPathRole, QDir::toNativeSeparators(current.filePath(name)));
    }
}

FileList::FileList(const QString& pattern, QWidget* parent) : QListWidget(parent), pattern_(pattern)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool FileList::setPath(const QString& path)
{
    const QString folder = folderPath(path);
    if (folder.isEmpty()) return false;
    path_ = folder;
    clear();
    Refresh();
    return true;
}

void FileList::Refresh()
{
    const QString selected = FileName();
    clear();
    if (path_.isEmpty()) return;

    // Several patterns may be given, separated by ';' as the desktop's list allows.
    const QStringList patterns = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList names;
    const QDir dir(QDir::fromNativeSeparators(path_));
    for (const QString& name : dir.entryList(QDir::Files)) {
        for (const QString& pattern : patterns) {
            if (FileSystemObject::matches(pattern.trimmed(), name)) {
                names.append(name);
                break;
            }
        }
    }
    sortNames(names);
    addItems(names);
    if (!selected.isEmpty()) {
        const QList<QListWidgetItem*> same = findItems(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (!same.isEmpty()) setCurrentItem(same.first());
    }
}

QString FileList::FileName() const
{
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

bool FileList::selectFile(const QString& name)
{
    if (name.isEmpty()) return false;
    QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) found = findItems(name, Qt::MatchFixedString);  // letter case ignored
    if (found.isEmpty()) return false;
    setCurrentItem(found.first());
    return true;
}
