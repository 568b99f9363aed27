#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

// A busy spinner: twelve bars turning 30 degrees per tick, fading clockwise, with the
// progress as "NN%" in the middle while it is between 1 and 99. Reaching 100 stops and
// hides it at the next repaint.
class JXProgress : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int delay READ animationDelay WRITE setAnimationDelay)
    Q_PROPERTY(bool displayedWhenStopped READ isDisplayedWhenStopped WRITE setDisplayedWhenStopped)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    // Bar geometry for a spinner whose smaller side is side pixels.
    struct Bars
    {
        int outer;  // distance from the centre to the bars' outer ends
        int length; // length of one bar
        int width;  // thickness of one bar
    };
    static Bars barsFor(int side);

    explicit JXProgress(QWidget *parent = nullptr);

    int animationDelay() const { return delay; }
    bool isAnimated() const { return timerId != -1; }
    bool isDisplayedWhenStopped() const { return displayedWhenStopped; }
    QColor color() const { return barColor; }
    QSize sizeHint() const override;

public slots:
    void startAnimation();
    void stopAnimation();
    void setAnimationDelay(int delay);
    void setDisplayedWhenStopped(bool state);
    void setColor(const QColor &color);
    // Shown at the next repaint.
    void onProgress(short progress);

protected:
    void timerEvent(QTimerEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void stopTimer();
    void paintBars(QPainter &painter);

    int angle = 0; // degrees
    int timerId = -1;
    int delay = 40; // milliseconds between ticks
    bool displayedWhenStopped = false;
    QColor barColor{255, 255, 255, 255};
    qint16 progress = 0;
    QPixmap pixmap; // drawn instead of the bars while stopped and not displayed
};
