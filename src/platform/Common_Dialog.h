#pragma once

#include <QString>

class QWidget;
class UiSeam;

// The open-file dialog. One object per use: ask TitleName right after OpenFileName.
class Common_Dialog {
public:
    explicit Common_Dialog(UiSeam& ui);

    // The chosen file's full path, or "-1" when nothing was chosen. `DirPath`
    // is accepted and not used. `Filter` is "label|pattern|label|pattern...".
    QString OpenFileName(QWidget* FrmName, const QString& DialogTitle, const QString& DirPath,
                         const QString& Filter = QString());
    // The last chosen file's name without its folder, or the empty text.
    QString TitleName() const;

    // "Edit.bin (*.bin)|*.bin| All Files (*.*)|*.*" in the toolkit's filter form.
    static QString toToolkitFilter(const QString& Filter);

private:
    UiSeam& ui_;
    QString lastFile_;
};

// True for a result text that reads as a number, as "-1" does: no choice.
bool IsNumeric(const QString& text);
