#pragma once

#include <QFont>
#include <QWidget>

// The panel and its dialogs place their texts in fixed pixel boxes drawn for the desktop's
// usual 9-point (12-pixel) text. A platform whose default text is larger (the offscreen
// platform uses 16 pixels) would cut "Firmware Version" or an address short, so these
// windows keep the size they were drawn for.
inline void useVeltoPanelFont(QWidget *widget)
{
    constexpr int kTextPixels = 12;
    QFont text = widget->font();
    text.setPixelSize(kTextPixels);
    widget->setFont(text);
}
