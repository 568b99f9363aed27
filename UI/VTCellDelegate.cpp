#include "UI/VTCellDelegate.h"

#include "UI/CVWidget.h"

#include <utility>

VTCellDelegate::VTCellDelegate(Make make, Fill fill, QObject *parent)
    : QStyledItemDelegate(parent), make(std::move(make)), fill(std::move(fill))
{}

QWidget *VTCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &index) const
{
    QVector<CVWidget *> &pool = pools[kindOf(index.column())];
    if (!pool.isEmpty()) {
        CVWidget *cell = pool.takeLast();
        cell->setParent(parent); // already its parent unless the viewport was replaced
        return cell;
    }
    ++made;
    CVWidget *cell = make(index.column(), parent);
    kinds.insert(cell, kindOf(index.column()));
    return cell;
}

void VTCellDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    // A model reset hands editors back with an index that is no longer valid, so the kind
    // comes from what was made.
    const auto kind = kinds.constFind(editor);
    if (kind == kinds.constEnd()) {
        QStyledItemDelegate::destroyEditor(editor, index);
        return;
    }
    editor->hide();
    pools[kind.value()].append(static_cast<CVWidget *>(editor));
}

void VTCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *cell = dynamic_cast<CVWidget *>(editor))
        fill(cell, index);
}

void VTCellDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{}
