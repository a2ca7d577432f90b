#pragma once

#include <QString>

class QLineEdit;
class QListWidget;

// Routines shared by the two search fields and their lists. A list's
// "selected position" is the row of its selected entry, -1 when none is
// selected (the current row of the view does not count on its own).
namespace Search {

enum class Direction { Up = 1, Down = 2 };

// Moves the selection of the list one entry up or down, then copies the
// selected entry's text into the field and selects the whole field. Down
// with no entry selected selects the first entry; Up with no entry selected
// changes nothing.
void StepSelection(QListWidget* list, QLineEdit* field, Direction direction);

// Selects the whole text of the field.
void SelectAllText(QLineEdit* field);

// The row of the selected entry, or -1.
int SelectedPosition(const QListWidget* list);
// The text of the selected entry, or the empty text.
QString SelectedText(const QListWidget* list);
// Selects the entry at `position` (one entry at most); -1 clears the
// selection. A position outside the list is refused (false) and the
// selection stays as it was.
bool SetSelectedPosition(QListWidget* list, int position);

// The first entry from the top whose text begins with `prefix`, letter case
// ignored, or -1 when none does. An empty prefix finds nothing, so an
// emptied search field leaves the list without a selection.
int FindPrefix(const QListWidget* list, const QString& prefix);

}  // namespace Search
