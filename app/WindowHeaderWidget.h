#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"

#include <array>

class MediaButton;

// The main window's strip of command buttons: network, search, settings, printer settings
// and scan code, laid out left to right at their own widths.
class WindowHeaderWidget : public JXWidget, public JXLocalize
{
    Q_OBJECT

public:
    enum Button
    {
        Network,
        Search,
        Settings,
        PrinterSettings,
        ScanCode,
        ButtonCount
    };

    explicit WindowHeaderWidget(QWidget *parent = nullptr);

    MediaButton *button(Button which) const { return buttons[which]; }
    void languageChanged() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutButtons();

    std::array<MediaButton *, ButtonCount> buttons{}; // children, in Button order
};
