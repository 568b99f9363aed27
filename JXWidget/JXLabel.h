#pragma once

#include "JXWidget/JXWidget.h"

#include <QString>

// Painted text inside margins, on a JXWidget background; reports presses as clicked().
class JXLabel : public JXWidget
{
    Q_OBJECT

public:
    explicit JXLabel(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return labelText; }
    void setTextColor(const QColor &color);
    // Qt::Alignment flags; takes effect at the next repaint.
    void setAlignment(int flags) { alignment = flags; }
    void setMargins(int left, int top, int right, int bottom);

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QColor textColor;
    int alignment = Qt::AlignCenter;
    QString labelText;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
};
