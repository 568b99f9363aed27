#pragma once

#include <QHash>
#include <QStyledItemDelegate>
#include <QVector>

#include <functional>

class CVWidget;

// Lends the device table's cell widgets to the rows on screen. The table opens a
// persistent editor for each cell of a row that scrolls into view and closes it when the
// row leaves; the widgets closed go back to a pool and serve the next rows, so a list of
// 10,000 devices holds the widgets of one screen, not 40,000. Each cell keeps the real
// check box or label, so it looks and takes clicks as a widget per cell did.
//
// The view calls createEditor only for those persistent editors: the table has no edit
// triggers. GUI thread only.
class VTCellDelegate : public QStyledItemDelegate
{
public:
    // A new cell widget for a column (parent the table's viewport), and the filling of a
    // cell widget with what its index shows.
    using Make = std::function<CVWidget *(int column, QWidget *parent)>;
    using Fill = std::function<void(CVWidget *cell, const QModelIndex &index)>;

    VTCellDelegate(Make make, Fill fill, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    // Keeps the widget, hidden, for the next row instead of deleting it.
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    // The cells show the device list; they never write into the model.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    // Widgets made so far, lent or pooled: bounded by what one screen shows.
    int madeCount() const { return made; }

private:
    // Which pool serves a column: the tick column has its own kind of widget.
    static int kindOf(int column) { return column == 0 ? 0 : 1; }

    Make make;
    Fill fill;
    mutable QVector<CVWidget *> pools[2];      // idle widgets by kind; children of the viewport
    mutable QHash<const QWidget *, int> kinds; // every widget made, with its kind
    mutable int made = 0;
};
