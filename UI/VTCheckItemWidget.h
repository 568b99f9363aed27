#pragma once

#include "UI/CVWidget.h"

class QCheckBox;

// The device table's tick cell: a check box centred in the cell. A click by the operator
// is reported with the row the cell belongs to.
class VTCheckItemWidget : public CVWidget
{
    Q_OBJECT

public:
    explicit VTCheckItemWidget(QWidget *parent = nullptr);

    QCheckBox *checkBox() const { return box; }
    void setRow(int row) { this->row = row; }
    int rowNumber() const { return row; }
    // Shows the tick without emitting clicked().
    void setChecked(bool checked);
    bool isChecked() const;

signals:
    void clicked(bool checked, int row);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QCheckBox *box; // child, kept at its own size
    int row = -1;   // the table row; -1 until the table sets it
};
