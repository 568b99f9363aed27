#pragma once

#include "JXWidget/JXWidget.h"

#include <QString>

// Base of the device table's cell widgets. The table keeps the visible text of a cell in
// its widget, not in the model, so copying a selection asks the widget for it.
class CVWidget : public JXWidget
{
public:
    explicit CVWidget(QWidget *parent = nullptr);

    // The text the cell shows; empty for cells that show no text.
    virtual QString text() const;
};
