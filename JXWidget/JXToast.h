#pragma once

#include "JXWidget/JXWidget.h"

#include <QString>

class JXLabel;

// A widget that can show one transient message over itself. A new message replaces the
// shown one at once; a message goes 2 s after it was shown (the timer of an earlier message
// may take a later one with it) or 10 ms after a click on it. Both slots may be called
// from any thread.
class JXToast : public JXWidget
{
    Q_OBJECT

public:
    explicit JXToast(QWidget *parent = nullptr);

    // Shows message as a child of parent with the toast look (translucent black, white text,
    // rounded, 10-pixel margins), sized to its text and placed by toastPosition. Shared with
    // the dialogs' toasts.
    static JXLabel *createToastLabel(QWidget *parent, const QString &message,
                                     Qt::Alignment alignment, int marginX, int marginY);
    // Hides, detaches and deletes label, and forgets it.
    static void destroyToastLabel(JXLabel *&label);
    // Top-left corner of a toast of size toast inside area for the alignment flags: left,
    // horizontal centre or right (checked in that order, else marginX from the left), and
    // top, vertical centre or bottom (else marginY from the top).
    static QPoint toastPosition(const QSize &area, const QSize &toast, Qt::Alignment alignment,
                                int marginX, int marginY);
    // How long a toast stays, and how long after a click on it, in milliseconds.
    static const int kShowMilliseconds = 2000;
    static const int kClickMilliseconds = 10;

public slots:
    void showToast(const QString &message, Qt::Alignment alignment, int marginX, int marginY);
    void hideToast();

private:
    JXLabel *toast = nullptr; // owned child, GUI thread only; null when none is shown
};
