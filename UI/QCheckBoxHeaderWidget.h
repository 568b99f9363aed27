#pragma once

#include <QHeaderView>

class QCheckBox;

// The device table's horizontal header, with the check-all box over column 0. The box
// stays centred over that column when columns are resized.
class QCheckBoxHeaderWidget : public QHeaderView
{
    Q_OBJECT

public:
    explicit QCheckBoxHeaderWidget(Qt::Orientation orientation, QWidget *parent = nullptr);

    QCheckBox *checkBox() const { return box; }

protected slots:
    void updateGeometries() override;

private:
    QCheckBox *box; // child of the viewport
};
