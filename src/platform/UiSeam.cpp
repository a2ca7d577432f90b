#include "platform/UiSeam.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace {

// A modal progress dialog with a Cancel button. The bar of QProgressDialog
// counts in int; larger totals are scaled down to fit.
class DialogProgress : public ProgressSink {
public:
    DialogProgress(QWidget* owner, const QString& label, qint64 maximum) : maximum_(maximum < 0 ? 0 : maximum)
    {
        constexpr qint64 intMax = std::numeric_limits<int>::max();
        divisor_ = maximum_ > intMax ? maximum_ / intMax + 1 : 1;
        dialog_ = new QProgressDialog(label, QObject::tr("Cancel"), 0, static_cast<int>(maximum_ / divisor_), owner);
        dialog_->setWindowTitle(QString::fromLatin1(kMessageTitle));
        dialog_->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        dialog_->setMinimumDuration(300);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setValue(0);
    }
    ~DialogProgress() override
    {
        if (dialog_) {
            dialog_->close();
            delete dialog_;
        }
    }
    void setValue(qint64 value) override
    {
        if (!dialog_) return;
        value = qBound<qint64>(0, value, maximum_);
        // A modal QProgressDialog lets pending events run in setValue.
        dialog_->setValue(static_cast<int>(value / divisor_));
        QCoreApplication::processEvents();
    }
    void setLabel(const QString& text) override
    {
        if (dialog_) dialog_->setLabelText(text);
    }
    bool wasCanceled() const override { return dialog_ ? dialog_->wasCanceled() : true; }

private:
    QPointer<QProgressDialog> dialog_;  // the owner may take it down first
    qint64 maximum_;
    qint64 divisor_ = 1;
};

// One of the places found: a list to pick from when there are several.
QWidget* locationPicker(const QStringList& paths, QComboBox*& combo)
{
    combo = nullptr;
    if (paths.size() < 2)
        return new QLabel(paths.isEmpty() ? QObject::tr("None found") : QDir::toNativeSeparators(paths.front()));
    combo = new QComboBox;
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const QString& path : paths) combo->addItem(QDir::toNativeSeparators(path), path);
    return combo;
}

QString picked(const QStringList& paths, const QComboBox* combo)
{
    return combo ? combo->currentData().toString() : paths.value(0);
}

class DesktopUi : public UiSeam {
    static QMessageBox::Icon boxIcon(Icon icon)
    {
        switch (icon) {
        case Icon::None: return QMessageBox::NoIcon;
        case Icon::Information: return QMessageBox::Information;
        case Icon::Warning: return QMessageBox::Warning;
        case Icon::Critical: return QMessageBox::Critical;
        }
        return QMessageBox::NoIcon;
    }

public:
    QString openFileName(QWidget* owner, const QString& title, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(owner, title, QString(), filter);
    }
    QString saveFileName(QWidget* owner, const QString& title, const QString& suggested, const QString& filter) override
    {
        return QFileDialog::getSaveFileName(owner, title, suggested, filter);
    }
    bool runDialog(QDialog& dialog) override { return dialog.exec() == QDialog::Accepted; }
    QString browseForFolder(QWidget* owner, const QString& prompt) override
    {
        return QFileDialog::getExistingDirectory(owner, prompt);
    }
    void message(QWidget* owner, const QString& text, Icon icon) override
    {
        QMessageBox box(boxIcon(icon), QString::fromLatin1(kMessageTitle), text, QMessageBox::Ok, owner);
        box.exec();
    }
    bool confirm(QWidget* owner, const QString& text, Icon icon) override
    {
        QMessageBox box(boxIcon(icon), QString::fromLatin1(kMessageTitle), text, QMessageBox::Yes | QMessageBox::No,
                        owner);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    std::unique_ptr<ProgressSink> progress(QWidget* owner, const QString& label, qint64 maximum) override
    {
        return std::make_unique<DialogProgress>(owner, label, maximum);
    }
    std::optional<Locations> chooseLocations(QWidget* owner, const QStringList& editFiles,
                                             const QStringList& faceFolders) override
    {
        if (editFiles.isEmpty() && faceFolders.isEmpty()) return std::nullopt;
        QDialog dialog(owner);
        dialog.setWindowTitle(QString::fromLatin1(kMessageTitle));
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel(QString::fromLatin1(kUseLocationsQuestion)));
        auto* form = new QFormLayout;
        QComboBox *editCombo = nullptr, *faceCombo = nullptr;
        form->addRow(QObject::tr("Edit file:"), locationPicker(editFiles, editCombo));
        form->addRow(QObject::tr("Face folder:"), locationPicker(faceFolders, faceCombo));
        layout->addLayout(form);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No);
        buttons->button(QDialogButtonBox::Yes)->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return Locations{picked(editFiles, editCombo), picked(faceFolders, faceCombo)};
    }
};

}  // namespace

std::optional<UiSeam::Locations> UiSeam::chooseLocations(QWidget* owner, const QStringList& editFiles,
                                                         const QStringList& faceFolders)
{
    const Locations first{editFiles.value(0), faceFolders.value(0)};
    if (first.editFile.isEmpty() && first.faceFolder.isEmpty()) return std::nullopt;
    QString text = QString::fromLatin1(kUseLocationsQuestion) + QStringLiteral("\n");
    if (!first.editFile.isEmpty()) text += QStringLiteral("\nEdit file: ") + QDir::toNativeSeparators(first.editFile);
    if (!first.faceFolder.isEmpty())
        text += QStringLiteral("\nFace folder: ") + QDir::toNativeSeparators(first.faceFolder);
    if (!confirm(owner, text, Icon::None)) return std::nullopt;
    return first;
}

UiSeam& UiSeam::desktop()
{
    static DesktopUi ui;
    return ui;
}
