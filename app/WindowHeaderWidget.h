#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"

#include <array>

class MediaButton;
class QLabel;

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
    // Shows text (untranslated; translated now and after each language switch) right of
    // the buttons until it is replaced; an empty text clears it.
    void setNotice(const QString &text);
    QLabel *noticeLabel() const { return notice; }
    void languageChanged() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutButtons();

    std::array<MediaButton *, ButtonCount> buttons{}; // children, in Button order
    QLabel *notice;                                   // child
    QString noticeText;                               // untranslated text of notice
};
