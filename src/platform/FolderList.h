#pragma once

#include <QIcon>
#include <QListWidget>
#include <QString>

// A folder list as the desktop's folder list control shows it: the folders
// from the root down to the current one, then the current folder's
// sub-folders, indented. A single click selects an entry without changing
// Path; a double click (or Enter) opens it.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The current folder, an absolute path; empty until a folder is set.
    QString Path() const { return path_; }
    // Sets the current folder. A path that is not an existing folder is
    // refused (false) and the list keeps its folder. Raises Change only when
    // the folder really changes.
    bool setPath(const QString& path);
    // Reads the folder tree again; Path stays.
    void Refresh();
    // The folder of the selected entry, or the empty text.
    QString selectedFolder() const;

signals:
    void Change();  // Path changed
    void Click();   // the user clicked an entry

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    void openItem(QListWidgetItem* entry);
    QString path_;
};

// A file list: the files of one folder whose names match a pattern.
class FileList : public QListWidget {
    Q_OBJECT
public:
    FileList(const QString& pattern, QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // Shows the files of the folder; a path that is not a folder is refused.
    bool setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    void Refresh();
    // The selected file's name within the folder, or the empty text.
    QString FileName() const;
    // Selects the entry of that name (letter case ignored); false when none.
    bool selectFile(const QString& name);

private:
    QString path_;
    QString pattern_;
};
