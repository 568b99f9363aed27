#include "UI/CVTableWidget.h"

#include "UI/CVWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

CVTableWidget::CVTableWidget(QWidget *parent) : QTableWidget(parent)
{}

void CVTableWidget::setTextSource(TextSource source)
{
    textSource = std::move(source);
}

QString CVTableWidget::cellText(const QModelIndex &index) const
{
    const QVariant data = model()->data(index, Qt::DisplayRole);
    if (!data.isValid()) {
        // The visible text lives with the owner or in the cell widget; a tick cell
        // contributes nothing.
        if (textSource)
            return textSource(index.row(), index.column());
        const auto *cell = dynamic_cast<const CVWidget *>(indexWidget(index));
        return cell ? cell->text() : QString();
    }
    if (data.userType() == QMetaType::QString)
        return data.toString();
    return QString();
}

QString CVTableWidget::selectionText() const
{
    QModelIndexList indexes = selectedIndexes();
    if (indexes.isEmpty())
        return QString();
    std::sort(indexes.begin(), indexes.end());
    int firstColumn = indexes.first().column();
    for (const QModelIndex &index : qAsConst(indexes))
        firstColumn = std::min(firstColumn, index.column());

    QString text;
    int previousRow = indexes.first().row();
    int previousColumn = firstColumn;
    for (const QModelIndex &index : qAsConst(indexes)) {
        if (index.row() != previousRow) {
            text += QLatin1Char('\n');
            previousRow = index.row();
            previousColumn = firstColumn;
        }
        text += QString(index.column() - previousColumn, QLatin1Char('\t'));
        previousColumn = index.column();
        text += cellText(index);
    }
    return text;
}

void CVTableWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() != Qt::ControlModifier || event->key() != Qt::Key_C) {
        const QScopedValueRollback<bool> moving(keyMoving, true);
        QTableWidget::keyPressEvent(event);
        return;
    }
    const QString text = selectionText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
    event->accept();
}
