#pragma once

#include <QString>
#include <QTableWidget>

#include <functional>

// The device table's view. Ctrl+C copies the selected cells as tab-separated lines.
class CVTableWidget : public QTableWidget
{
public:
    // The text a cell shows by row and column, for cells whose model holds none.
    using TextSource = std::function<QString(int row, int column)>;

    explicit CVTableWidget(QWidget *parent = nullptr);

    // Where copying finds the texts the model does not hold. Without a source they come
    // from the cells' widgets, which exist only for the rows on screen when the owner lends
    // widgets to the visible rows alone.
    void setTextSource(TextSource source);

    // The selected cells as Ctrl+C copies them: one line per row, no trailing newline, a
    // tab for each column step from the leftmost selected column.
    QString selectionText() const;

    // True while a key press moves the current cell, so that a handler of
    // currentCellChanged can tell an operator walking the rows from a click or a call.
    bool movingByKey() const { return keyMoving; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString cellText(const QModelIndex &index) const;

    TextSource textSource;  // set by the owner; may be empty
    bool keyMoving = false; // inside keyPressEvent's move; GUI thread
};
