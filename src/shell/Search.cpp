#include "shell/Search.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>

namespace Search {

int SelectedPosition(const QListWidget* list)
{
    if (!list) return -1;
    const QItemSelectionModel* model = list->selectionModel();
    if (!model || !model->hasSelection()) return -1;
    // A single-selection list holds one selected row at most.
    const QModelIndexList rows = model->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString SelectedText(const QListWidget* list)
{
    const int position = SelectedPosition(list);
    return position < 0 ? QString() : list->item(position)->text();
}

bool SetSelectedPosition(QListWidget* list, int position)
{
    if (!list) return false;
    if (position == -1) {
        // Clearing the current row too keeps the view from showing a cursor
        // on an entry that is no longer picked.
        list->setCurrentRow(-1);
        list->clearSelection();
        return true;
    }
    if (position < 0 || position >= list->count()) return false;
    list->setCurrentRow(position, QItemSelectionModel::ClearAndSelect);
    return true;
}

int FindPrefix(const QListWidget* list, const QString& prefix)
{
    if (!list || prefix.isEmpty()) return -1;
    const int count = list->count();
    for (int row = 0; row < count; ++row) {
        if (list->item(row)->text().startsWith(prefix, Qt::CaseInsensitive)) return row;
    }
    return -1;
}

void SelectAllText(QLineEdit* field)
{
    if (field) field->setSelection(0, 65535);
}

void StepSelection(QListWidget* list, QLineEdit* field, Direction direction)
{
    if (!list || !field) return;
    const int count = list->count();
    if (count <= 0) return;
    const int position = SelectedPosition(list);
    if (direction == Direction::Up) {
        // With nothing selected there is nothing above the top to move to.
        if (position > 0) SetSelectedPosition(list, position - 1);
    } else if (direction == Direction::Down) {
        // With nothing selected the first entry is the next one down, so
        // the walk starts at the top instead of skipping it.
        SetSelectedPosition(list, position < 0 ? 0 : position + 1);
    } else {
        return;
    }
    if (SelectedPosition(list) >= 0) {
        field->setText(SelectedText(list));
        SelectAllText(field);
    }
}

}  // namespace Search
