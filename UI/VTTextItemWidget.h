#pragma once

#include "UI/CVWidget.h"

class QLabel;

// A device table cell that shows one line of text, centred.
class VTTextItemWidget : public CVWidget
{
public:
    explicit VTTextItemWidget(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *label; // child; fills the cell and is clipped by it, however long the text
};
