#pragma once

#include <QString>
#include <QTableWidget>

// The device table's view. Ctrl+C copies the selected cells as tab-separated lines.
class CVTableWidget : public QTableWidget
{
public:
    explicit CVTableWidget(QWidget *parent = nullptr);

    // The selected cells as Ctrl+C copies them: one line per row, no trailing newline, a
    // tab for each column step from the leftmost selected column.
    QString selectionText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString cellText(const QModelIndex &index) const;
};
