// Temporary stand-ins until the platform layer is written.
#include <QIcon>
#include "platform/Common_Dialog.h"
#include "platform/FileSystemObject.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/UiSeam.h"
#include "platform/modBrowseFolder.h"
#include "platform/modSetAlphaIcon.h"
#include <QSettings>
#include <QCoreApplication>
#include <QDir>

UiSeam& UiSeam::desktop() { static UiSeam* s = nullptr; return *s; }
Common_Dialog::Common_Dialog(UiSeam& ui) : ui_(ui) {}
QString Common_Dialog::OpenFileName(QWidget*, const QString&, const QString&, const QString&) { return "-1"; }
QString Common_Dialog::TitleName() const { return {}; }
QString Common_Dialog::toToolkitFilter(const QString& f) { return f; }
bool IsNumeric(const QString&) { return false; }
QString modBrowseFolder::BrowseForFolder(UiSeam&, const QString&, QWidget*) { return {}; }
void modSetAlphaIcon::SetIcon(QWidget*, const QString&, bool) {}
QIcon modSetAlphaIcon::loadIcon(const QString&) { return {}; }
SettingsStore::SettingsStore(const QString& f) : iniFile_(f) {}
SettingsStore::~SettingsStore() = default;
QString SettingsStore::GetSetting(const QString&, const QString&, const QString&, const QString& d) const { return d; }
void SettingsStore::SaveSetting(const QString&, const QString&, const QString&, const QString&) {}
QString SettingsStore::defaultLocation(const QString&) { return {}; }
bool FileSystemObject::CreateFolder(const QString&) { return false; }
bool FileSystemObject::DeleteFile(const QString&, bool) { return false; }
bool FileSystemObject::DeleteFolder(const QString&, bool) { return false; }
bool FileSystemObject::CopyFile(const QString&, const QString&, bool) { return false; }
bool FileSystemObject::CopyFolder(const QString&, const QString&, bool) { return false; }
bool FileSystemObject::FileExists(const QString&) const { return false; }
bool FileSystemObject::FolderExists(const QString&) const { return false; }
bool FileSystemObject::matches(const QString&, const QString&) { return false; }
bool FileSystemObject::isReadOnly(const QString&) { return false; }
bool FileSystemObject::fail(const QString& m) { lastError_ = m; return false; }
FolderList::FolderList(QWidget* p) : QListWidget(p) {}
bool FolderList::setPath(const QString&) { return false; }
void FolderList::Refresh() {}
QString FolderList::selectedFolder() const { return {}; }
void FolderList::rebuild() {}
FileList::FileList(const QString& pattern, QWidget* p) : QListWidget(p), pattern_(pattern) {}
bool FileList::setPath(const QString&) { return false; }
void FileList::Refresh() {}
QString FileList::FileName() const { return {}; }
bool FileList::selectFile(const QString&) { return false; }
ImageBox::ImageBox(QWidget* p) : QLabel(p) {}
bool ImageBox::loadPicture(const QString&) { return false; }
void ImageBox::showPlaceholder() {}
void ImageBox::resizeEvent(QResizeEvent* e) { QLabel::resizeEvent(e); }
void ImageBox::render() {}
QString ProgramFolder::defaultPath() { return QCoreApplication::applicationDirPath(); }
QString ProgramFolder::join(const QString& f, const QString& l) { QString x = l; x.replace('\\', '/'); return f + x; }
